// ildatool group, verify and demo, and the same bytes as the application.

#include "ildabuilder.h"
#include "ildafilesets.h"
#include "ildafiletab.h"
#include "palette.h"
#include "playfiles.h"
#include "textcodec.h"
#include "toolrunner.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

#include <unistd.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// Creates the folder first.
void writeFile2(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    writeFile(path, bytes);
}

ToolResult runWithEnv(const QStringList &args, const QProcessEnvironment &env)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(ILDATOOL_PATH), args);
    ToolResult r;
    if (!p.waitForFinished(60000))
        return r;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

} // namespace

class TestGroupsTool : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_show;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_show = m_dir.filePath("demo");
        const ToolResult r = runIldatool({"demo", m_show});
        QVERIFY2(r.exitCode == 0, r.err.constData());
    }

    void demoShowHasSeveralFormats()
    {
        QSet<int> formats;
        const QStringList files = QDir(m_show + "/shows").entryList({"*.ild"});
        QVERIFY(files.size() >= 4);
        for (const QString &f : files) {
            const ToolResult r = runIldatool({"dump", m_show + "/shows/" + f});
            QCOMPARE(r.exitCode, 0);
            const QJsonArray frames = QJsonDocument::fromJson(r.out).object().value("frames").toArray();
            QVERIFY2(frames.size() >= 24, qPrintable(f));
            formats.insert(frames.first().toObject().value("format").toInt());
        }
        QCOMPARE(formats, (QSet<int>{0, 1, 4, 5}));
        const QList<QByteArray> list = readAll(m_show + "/play/play.list").split('\n');
        QVERIFY(list.contains("play/shapes.csv"));
        QVERIFY(list.contains("#end"));
        QVERIFY(readAll(m_show + "/play/shapes.csv").contains("shows/circle.ild"));
    }

    void imageOfTheDemoVerifies()
    {
        const QString out = m_dir.filePath("demo.ilg");
        ToolResult r = runIldatool({"group", "--list", m_show + "/play/play.list", out, "--time", "4660"});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        const QByteArray img = readAll(out);
        QCOMPARE(img.mid(8, 8), QByteArray::fromHex("0000000000001234"));
        r = runIldatool({"verify", out});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QVERIFY(r.out.contains("2 group(s)"));
    }

    void creationTimeFromSourceDateEpoch()
    {
        const QString out = m_dir.filePath("epoch.ilg");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("SOURCE_DATE_EPOCH", "255");
        const ToolResult r = runWithEnv({"group", "--list", m_show + "/play/play.list", out}, env);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(readAll(out).mid(8, 8), QByteArray::fromHex("00000000000000ff"));
    }

    void verifyFindsAFlippedByte_data()
    {
        QTest::addColumn<int>("offset");
        QTest::newRow("magic") << 2;
        QTest::newRow("kind") << 17;
        QTest::newRow("checksum") << 25;
        QTest::newRow("length") << 29;
        QTest::newRow("group_table") << 512 + 10;
        QTest::newRow("points") << 5000;
        QTest::newRow("padding") << -1;
    }
    void verifyFindsAFlippedByte()
    {
        QFETCH(int, offset);
        const QString good = m_dir.filePath("good.ilg");
        QCOMPARE(runIldatool({"group", "--list", m_show + "/play/play.list", good, "--time", "1"}).exitCode, 0);
        QByteArray img = readAll(good);
        const int at = offset >= 0 ? offset : img.size() - 1;
        img[at] = char(img[at] ^ 0x01);
        const QString bad = m_dir.filePath("bad.ilg");
        writeFile(bad, img);
        const ToolResult r = runIldatool({"verify", bad});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(!r.err.isEmpty());
    }

    void sameBytesAsTheApplication_data()
    {
        QTest::addColumn<QString>("extension");
        QTest::addColumn<int>("palette");
        QTest::newRow("group_image") << "ilg" << 0;
        QTest::newRow("group_image_standard_palette") << "ilg" << 1;
        QTest::newRow("text_group_image") << "txg" << 0;
    }
    void sameBytesAsTheApplication()
    {
        QFETCH(QString, extension);
        QFETCH(int, palette);
        // The demo writes a _file_dir.ini into its folder: start on it.
        qputenv("BEAMDECK_CONFIG_DIR", m_show.toUtf8());
        qputenv("SOURCE_DATE_EPOCH", "777");
        ildaFileTab tab;
        QCOMPARE(tab.rowCount(), 3);
        tab.set_palette_table(palette);
        const QString app = m_dir.filePath("app." + extension);
        tab.save_list(QUrl::fromLocalFile(app), QStringLiteral("(*.%1 )").arg(extension));
        const QString tool = m_dir.filePath("tool." + extension);
        const ToolResult r = runIldatool({"group", "--list", m_show + "/play/play.list", tool, "--time", "777",
                                          "--palette", QString::number(palette)});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QVERIFY(readAll(app).size() > 10000);
        QVERIFY(readAll(app) == readAll(tool));
    }

    void singleGroupSameBytesAsTheApplication_data()
    {
        QTest::addColumn<QString>("extension");
        QTest::newRow("single_group_image") << "ilg";
        QTest::newRow("single_group_text") << "txg";
        QTest::newRow("combined_ilda") << "ild";
    }
    void singleGroupSameBytesAsTheApplication()
    {
        QFETCH(QString, extension);
        qputenv("BEAMDECK_CONFIG_DIR", m_show.toUtf8());
        ildaFileTab tab;
        auto *words = qobject_cast<ildaFileSets *>(tab.get_tab(1));
        QCOMPARE(words->settingsFileName(), QStringLiteral("words.csv"));
        const QString app = m_dir.filePath("single_app." + extension);
        words->saveData(QUrl::fromLocalFile(app), QStringLiteral("(*.%1 )").arg(extension));
        const QString tool = m_dir.filePath("single_tool." + extension);
        const ToolResult r = runIldatool({"group", "--csv", m_show + "/play/words.csv", tool});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QVERIFY(readAll(app).size() > 1000);
        QVERIFY(readAll(app) == readAll(tool));
    }

    // A show, a file and a group named in Chinese go through add, save, export
    // and reload: names on disk are UTF-8, the contents of the text files GBK
    // (as older saves wrote them), and ildatool takes and prints UTF-8.
    void chineseNamesEndToEnd()
    {
        const QString root = m_dir.filePath(QStringLiteral("演出/"));
        const QString ild = root + QStringLiteral("shows/激光秀.ild");
        QDir().mkpath(root + "play");
        writeFile2(ild, IldaBuilder()
                            .header(5, 2, "\xbc\xa4\xb9\xe2")
                            .point5(0, 0, 0, 255, 0, 0)
                            .point5(9, 9, 0, 0, 255, 0)
                            .bytes());
        const QString config = root + "config";
        writeFile2(config + "/_file_dir.ini", TextCodec::toGbk(root + "\nplay/\nplay.list\n"));
        qputenv("BEAMDECK_CONFIG_DIR", config.toUtf8());
        qputenv("SOURCE_DATE_EPOCH", "99");

        ildaFileTab tab;
        QCOMPARE(tab.folderSettings().localDir, root);
        tab.add_tab(QStringLiteral("test组1"));
        auto *group = qobject_cast<ildaFileSets *>(tab.get_tab(0));
        group->add(QVariantList{QUrl::fromLocalFile(ild)});
        group->setPlaySpeed(0, 5);
        tab.save_list(QUrl::fromLocalFile(root + "play/play.list"), QStringLiteral("list files (*.list )"));
        const QByteArray csv = (root + QStringLiteral("play/test组1.csv")).toUtf8();
        QCOMPARE(::access(csv.constData(), F_OK), 0);
        QCOMPARE(readAll(root + "play/play.list"), QByteArray("play/test\xd7\xe9"
                                                              "1.csv\n#end\n"));
        QCOMPARE(readAll(QString::fromUtf8(csv)),
                 QByteArray("#Speed,Color,Repeater,Path\n5,0,1,shows/\xbc\xa4\xb9\xe2\xd0\xe3.ild\n#End"));
        QCOMPARE(readAll(config + "/_file_dir.ini"), TextCodec::toGbk(root + "\nplay/\nplay.list\n"));

        tab.save_list(QUrl::fromLocalFile(root + QStringLiteral("导出.ilg")), QStringLiteral("ilg files (*.ilg )"));
        const QByteArray image = readAll(root + QStringLiteral("导出.ilg"));
        QCOMPARE(image.mid(512, 8), QByteArray("test\xd7\xe9"
                                               "1\0",
                                               8));
        QCOMPARE(image.mid(527, 16), QByteArray("\xbc\xa4\xb9\xe2\xd0\xe3.ild\0\0\0\0\0\0", 16));
        group->saveData(QUrl::fromLocalFile(root + QStringLiteral("导出.ild")),
                        QStringLiteral("ILDA group files (*.ilg )"));
        QVERIFY(!QFile::exists(root + QStringLiteral("导出.ild.ilg")));

        ildaFileTab again;
        QCOMPARE(again.rowCount(), 1);
        QCOMPARE(again.data(again.index(0), ildaFileTab::NameRole).toString(), QStringLiteral("test组1"));
        auto *back = qobject_cast<ildaFileSets *>(again.get_tab(0));
        QCOMPARE(back->rowCount(), 1);
        QCOMPARE(back->items()[0].path, ild);
        QCOMPARE(int(back->items()[0].playSpeed), 5);

        for (const QString &file : {ild, root + QStringLiteral("导出.ild")}) {
            const ToolResult r = runIldatool({"dump", file});
            QVERIFY2(r.exitCode == 0, r.err.constData());
            QJsonParseError error;
            const QJsonDocument json = QJsonDocument::fromJson(r.out, &error);
            QCOMPARE(error.error, QJsonParseError::NoError);
            const QJsonObject frame = json.object().value("frames").toArray().first().toObject();
            QCOMPARE(frame.value("name").toString(), QString::fromLatin1("\xbc\xa4\xb9\xe2"));
        }
        const QString toolImage = root + QStringLiteral("工具.ilg");
        const ToolResult r = runIldatool({"group", "--list", root + "play/play.list", toolImage, "--time", "99"});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QVERIFY(r.out.startsWith(toolImage.toUtf8()));
        QVERIFY(readAll(toolImage) == image);
        qunsetenv("SOURCE_DATE_EPOCH");
    }

    void refusedExportLeavesOutputAlone()
    {
        QByteArray csv;
        for (int i = 0; i < 256; ++i)
            csv += "1,0,1,shows/star.ild\n";
        writeFile(m_show + "/play/huge.csv", csv + "#End");
        const QString out = m_dir.filePath("huge.ilg");
        writeFile(out, "previous");
        const ToolResult r = runIldatool({"group", "--csv", m_show + "/play/huge.csv", out});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.err.contains("256 files"));
        QCOMPARE(readAll(out), QByteArray("previous"));
    }

    // A group image of small files, dumped and rendered back from its own data.
    void imageDumpedAndRenderedBack_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("extension");
        QTest::newRow("group_image") << "--list"
                                     << "ilg";
        QTest::newRow("text_group_image") << "--list"
                                          << "txg";
        QTest::newRow("single_group_image") << "--csv"
                                            << "ilg";
        QTest::newRow("single_group_text") << "--csv"
                                           << "txg";
    }
    void imageDumpedAndRenderedBack()
    {
        QFETCH(QString, source);
        QFETCH(QString, extension);
        const QString root = m_dir.filePath("look/");
        QDir().mkpath(root + "shows");
        QDir().mkpath(root + "play");
        // Coordinates on the image's 16-unit grid come back exactly.
        IldaBuilder a;
        for (int f = 0; f < 2; ++f) {
            a.header(5, 3, "a", "c", quint16(f), 2);
            for (int p = 0; p < 3; ++p)
                a.point5(qint16(p * 1600 - 1600), qint16(f * 3200), p == 0 ? 0x40 : (p == 2 ? 0x80 : 0), 255,
                         quint8(p * 50), 16);
        }
        writeFile(root + "shows/a.ild", a.bytes());
        IldaBuilder b;
        b.header(5, 2, "b", "c", 0, 1).point5(-32000, 32000, 0x40, 1, 2, 3).point5(32000, -32000, 0x80, 9, 8, 7);
        writeFile(root + "shows/b.ild", b.bytes());
        writeFile(root + "play/g.csv", "3,2,4,shows/a.ild\n1,0,1,shows/b.ild\n#End");
        writeFile(root + "play/h.csv", "2,1,9,shows/b.ild\n#End");
        writeFile(root + "play/p.list", "play/g.csv\nplay/h.csv\n#end\n");
        const QString image = root + "image." + extension;
        ToolResult r = runIldatool(
            {"group", source, root + (source == "--list" ? "play/p.list" : "play/g.csv"), image, "--time", "1"});
        QVERIFY2(r.exitCode == 0, r.err.constData());

        r = runIldatool({"dump", image});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        const QJsonArray groups = QJsonDocument::fromJson(r.out).object().value("groups").toArray();
        QCOMPARE(groups.size(), source == "--list" ? 2 : 1);
        QCOMPARE(groups[0].toObject().value("name").toString(), source == "--list" ? QString("g") : QString());
        const QJsonArray files = groups[0].toObject().value("files").toArray();
        QCOMPARE(files.size(), 2);
        const QJsonObject fileA = files[0].toObject();
        QCOMPARE(fileA.value("name").toString(), QStringLiteral("a.ild"));
        QCOMPARE(fileA.value("playSpeed").toInt(), 3);
        QCOMPARE(fileA.value("colorType").toInt(), 2);
        QCOMPARE(fileA.value("repeater").toInt(), 4);
        const QJsonArray frames = fileA.value("frames").toArray();
        QCOMPARE(frames.size(), 2);
        QCOMPARE(QJsonDocument(frames[1].toObject().value("vertices").toArray()).toJson(QJsonDocument::Compact),
                 QByteArray("[[-1600,3200,0,0,0,64],[0,3200,255,50,16,0],[1600,3200,255,100,16,128]]"));
        const QJsonArray pointsB =
            files[1].toObject().value("frames").toArray()[0].toObject().value("vertices").toArray();
        QCOMPARE(QJsonDocument(pointsB).toJson(QJsonDocument::Compact),
                 QByteArray("[[-32000,32000,0,0,0,64],[32000,-32000,9,8,7,128]]"));

        // Painted from the image, the frame looks as painted from its source.
        r = runIldatool({"render", image, root + "from-image.png", "--group", "0", "--file", "0", "--frame", "1",
                         "--width", "120", "--height", "120"});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        r = runIldatool({"render", root + "shows/a.ild", root + "from-file.png", "--frame", "1", "--width", "120",
                         "--height", "120"});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        const QImage fromImage(root + "from-image.png");
        QVERIFY(!fromImage.isNull());
        QCOMPARE(fromImage, QImage(root + "from-file.png"));
        QCOMPARE(runIldatool({"render", image, root + "x.png", "--file", "2"}).exitCode, 1);

        // verify knows every kind the program writes, and their damage.
        r = runIldatool({"verify", image});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QVERIFY(r.out.endsWith("OK\n"));
        const QByteArray good = readAll(image);
        QByteArray moved = good;
        if (extension == "txg")
            moved.replace("frame address:0x", "frame address:0x1");
        else {
            const int at = source == "--list" ? 512 + 2 * 15 + 19 + 3 : 19 + 3; // first file's frame table
            moved[at] = char(moved[at] ^ 8);
        }
        for (const QByteArray &bad : {good.left(good.size() - 8), moved}) {
            writeFile(root + "bad." + extension, bad);
            r = runIldatool({"verify", root + "bad." + extension});
            QVERIFY2(r.exitCode == 1, r.out.constData());
            QVERIFY(!r.err.isEmpty());
        }
    }

    // Nothing to export: no image that plays nothing replaces the old one.
    void nothingToExportKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QByteArray>("why");
        for (const char *ext : {"ilg", "txg"}) {
            QTest::addRow("list_%s", ext) << "--list" << ext << QByteArray("nothing to export");
            QTest::addRow("csv_%s", ext) << "--csv" << ext << QByteArray("nothing to export");
        }
        QTest::newRow("csv_ild") << "--csv"
                                 << "ild" << QByteArray("no frames to save");
    }
    void nothingToExportKeepsTheOldFile()
    {
        QFETCH(QString, source);
        QFETCH(QString, extension);
        QFETCH(QByteArray, why);
        const QString root = m_dir.filePath("none/");
        writeFile2(root + "play/none.csv", "1,0,1,shows/missing.ild\n#End");
        writeFile2(root + "play/p.list", "play/none.csv\n#end\n");
        const QString out = root + "old." + extension;
        writeFile(out, "previous");
        const ToolResult r =
            runIldatool({"group", source, root + (source == "--list" ? "play/p.list" : "play/none.csv"), out});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(why), r.err.constData());
        QCOMPARE(readAll(out), QByteArray("previous"));
    }

    // An image of no groups (as older versions wrote) fails verify and dump alike.
    void emptyImagesFailVerifyAndDump_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QByteArray header = QByteArray("tovrim\0\0", 8) + QByteArray(8, '\0') + "CRCFlash" +
                            QByteArray::fromHex("ffffffff00020000") + QByteArray(480, '\0');
        QTest::newRow("group_image") << "e.ilg" << header;
        QTest::newRow("single_group_image") << "e.ilg" << QByteArray();
        QTest::newRow("text_group_image")
            << "e.txg"
            << QByteArray("cal complete\ntovrim  ,1,exFlash ,\n----start_address_file_table: \n"
                          "----start_address_frame_table:\n----start_address_XYRGB_data:\nout complete\n");
    }
    void emptyImagesFailVerifyAndDump()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        const QString path = m_dir.filePath(name);
        writeFile(path, bytes);
        const ToolResult verify = runIldatool({"verify", path});
        QCOMPARE(verify.exitCode, 1);
        QVERIFY2(verify.err.contains("no groups") || verify.err.contains("empty"), verify.err.constData());
        QCOMPARE(runIldatool({"dump", path}).exitCode, 1);
    }

    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::newRow("group_help") << QStringList{"group", "--help"} << 0;
        QTest::newRow("verify_help") << QStringList{"verify", "--help"} << 0;
        QTest::newRow("demo_help") << QStringList{"demo", "--help"} << 0;
        QTest::newRow("group_no_source") << QStringList{"group", "x.ilg"} << 2;
        QTest::newRow("group_both_sources") << QStringList{"group", "--list", "a", "--csv", "b", "x.ilg"} << 2;
        QTest::newRow("group_no_output") << QStringList{"group", "--list", "a"} << 2;
        QTest::newRow("group_list_to_ild") << QStringList{"group", "--list", "a", "x.ild"} << 2;
        QTest::newRow("group_bad_palette") << QStringList{"group", "--list", "a", "x.ilg", "--palette", "3"} << 2;
        QTest::newRow("group_bad_time") << QStringList{"group", "--list", "a", "x.ilg", "--time", "soon"} << 2;
        QTest::newRow("group_missing_list") << QStringList{"group", "--list", "/nonexistent/p.list", "x.ilg"} << 1;
        QTest::newRow("group_binary_file_as_list") << QStringList{"group", "--list", ILDATOOL_PATH, "x.ilg"} << 1;
        QTest::newRow("group_missing_csv") << QStringList{"group", "--csv", "/nonexistent/g.csv", "x.ilg"} << 1;
        QTest::newRow("verify_missing") << QStringList{"verify", "/nonexistent/x.ilg"} << 1;
        QTest::newRow("verify_no_file") << QStringList{"verify"} << 2;
        QTest::newRow("dump_missing_image") << QStringList{"dump", "/nonexistent/x.ilg"} << 1;
        QTest::newRow("render_group_of_ild") << QStringList{"render", "a.ild", "x.png", "--group", "1"} << 2;
    }
    void exitCodes()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QCOMPARE(runIldatool(args).exitCode, code);
    }
};

QTEST_GUILESS_MAIN(TestGroupsTool)
#include "tst_groupstool.moc"
