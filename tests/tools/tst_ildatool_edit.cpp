#include "filesizelimit.h"
#include "ildabuilder.h"
#include "ildframeset.h"
#include "litsegments.h"
#include "toolrunner.h"

#include <QTemporaryDir>

#include <memory>
#include <QtTest>

// The editing commands of ildatool: C tables in convert, and revise.
class TestIldatoolEdit : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }
    static QByteArray readFile(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static IldFrameSet readIld(const QString &path)
    {
        IldFrameSet set;
        set.fromFileIld(path, false);
        return set;
    }

    void makeShowOfRefusals(const QString &show)
    {
        QDir().mkpath(show + "/shows");
        QDir().mkpath(show + "/play");
        writeFile(QStringLiteral("show/shows/palette.ild"), IldaBuilder().header(2, 1).rgb(1, 2, 3).bytes());
        writeFile(QStringLiteral("show/shows/empty.c"), "#include \"vertex.h\"\n};//end\n");
        IldaBuilder many;
        for (int i = 0; i < 100; ++i)
            many.header(5, 2).point5(0, 0, 0x40, 0, 0, 0).point5(1000, 1000, 0x80, 255, 0, 0);
        writeFile(QStringLiteral("show/shows/many.ild"), many.bytes());
        // 40,000 frames of one point each, twice: too many for one file.
        IldaBuilder big;
        for (int i = 0; i < 40000; ++i)
            big.header(5, 1).point5(0, 0, 0x80, 1, 1, 1);
        writeFile(QStringLiteral("show/shows/big.ild"), big.bytes());
        writeFile(QStringLiteral("show/play/empty.csv"), "1,0,1,shows/palette.ild\n#End");
        writeFile(QStringLiteral("show/play/huge.csv"), "1,0,1,shows/big.ild\n1,0,1,shows/big.ild\n#End");
    }

private slots:
    void convertToTableAndBack()
    {
        // Coordinates on the 16-unit grid survive the 12-bit table exactly.
        const QByteArray original = IldaBuilder()
                                        .header(5, 3, "f0", "c", 0, 2)
                                        .point5(-1600, 3200, 0x40, 0, 0, 0)
                                        .point5(160, -320, 0, 255, 0, 0)
                                        .point5(16000, 0, 0x80, 10, 20, 30)
                                        .header(5, 2, "f1", "c", 1, 2)
                                        .point5(0, 0, 0x40, 0, 0, 0)
                                        .point5(0, 0, 0x80, 0, 0, 255)
                                        .bytes();
        const QString in = writeFile(QStringLiteral("show.ild"), original);
        const QString table = m_dir.filePath(QStringLiteral("show.c"));
        ToolResult r = runIldatool({QStringLiteral("convert"), in, table});
        QCOMPARE(r.exitCode, 0);
        const QByteArray text = readFile(table);
        QVERIFY(text.startsWith("#include \"vertex.h\"\nconst unsigned short pic_size[]={\n    3,2,\n};\n"));
        QVERIFY(text.contains("        {1947,2247,0x0,0x0,0x0,},//0\n        {2057,2027,255,0,0,},//1\n"
                              "        {3047,2047,10,20,30,},//2\n"));

        const QString back = m_dir.filePath(QStringLiteral("back.ild"));
        r = runIldatool({QStringLiteral("convert"), table, back});
        QCOMPARE(r.exitCode, 0);
        const IldFrameSet set = readIld(back);
        QCOMPARE(set.frames.size(), size_t(2));
        QCOMPARE(set.frames[0].vertexCount(), 3);
        QCOMPARE(set.frames[0].vertices[0].x, qint16(-1600));
        QCOMPARE(set.frames[0].vertices[0].y, qint16(3200));
        QVERIFY(set.frames[0].vertices[0].isBlanked());
        QCOMPARE(set.frames[0].vertices[2].x, qint16(16000));
        QCOMPARE(set.frames[0].vertices[2].b, quint8(30));
        QCOMPARE(set.frames[1].vertices[1].b, quint8(255));

        // And the table read back writes the same table again.
        const QString again = m_dir.filePath(QStringLiteral("again.c"));
        QCOMPARE(runIldatool({QStringLiteral("convert"), back, again}).exitCode, 0);
        QCOMPARE(readFile(again), text);
    }

    void convertTypeAndPalette_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("codes") << QStringList{"--type", "3"} << QByteArray("        {2047,2047,0},//1");
        QTest::newRow("default_table") << QStringList{"--palette", "0"}
                                       << QByteArray("        {2047,2047,255,0,0,},//1");
        QTest::newRow("second_table") << QStringList{"--palette", "1", "--type", "2"} << QByteArray();
    }
    void convertTypeAndPalette()
    {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, line);
        // Format 1, colour index 0 (red in the default table); the first point
        // of a frame read from a file is always blanked.
        const QString in = writeFile(QStringLiteral("indexed.ild"),
                                     IldaBuilder().header(1, 2).point1(0, 0, 0x40, 0).point1(0, 0, 0x80, 0).bytes());
        const QString outPath = m_dir.filePath(QStringLiteral("indexed.c"));
        const ToolResult r = runIldatool(QStringList{QStringLiteral("convert"), in, outPath} + options);
        QCOMPARE(r.exitCode, 0);
        const QByteArray text = readFile(outPath);
        QVERIFY(text.contains("//need Flash(byte):14\n"));
        if (!line.isEmpty())
            QVERIFY2(text.contains(line + "\n"), text.constData());
    }

    void paletteSwitchChangesColours()
    {
        const QString in = writeFile(QStringLiteral("pal.ild"), IldaBuilder()
                                                                    .header(1, 4)
                                                                    .point1(0, 0, 0, 3)
                                                                    .point1(0, 0, 0, 9)
                                                                    .point1(0, 0, 0, 20)
                                                                    .point1(0, 0, 0x80, 40)
                                                                    .bytes());
        const QString a = m_dir.filePath(QStringLiteral("pal0.c"));
        const QString b = m_dir.filePath(QStringLiteral("pal1.c"));
        QCOMPARE(
            runIldatool({QStringLiteral("convert"), in, a, QStringLiteral("--palette"), QStringLiteral("0")}).exitCode,
            0);
        QCOMPARE(
            runIldatool({QStringLiteral("convert"), in, b, QStringLiteral("--palette"), QStringLiteral("1")}).exitCode,
            0);
        QVERIFY(readFile(a) != readFile(b));
    }

    void reviseHighlightsSquare()
    {
        const QString in = writeFile(QStringLiteral("square.ild"), IldaBuilder()
                                                                       .header(5, 6, "sq", "me", 0, 1)
                                                                       .point5(-5000, -5000, 0x40, 0, 0, 0)
                                                                       .point5(0, 0, 0, 255, 0, 0)
                                                                       .point5(10000, 0, 0, 255, 0, 0)
                                                                       .point5(10000, 10000, 0, 255, 0, 0)
                                                                       .point5(0, 10000, 0, 255, 0, 0)
                                                                       .point5(0, 0, 0x80, 255, 0, 0)
                                                                       .bytes());
        const QString outPath = m_dir.filePath(QStringLiteral("square-rev.ild"));
        const ToolResult r = runIldatool(
            {QStringLiteral("revise"), in, outPath, "--between", "1", "--add", "3", "--blank", "0", "--total", "0"});
        QCOMPARE(r.exitCode, 0);
        const IldFrameSet set = readIld(outPath);
        QCOMPARE(set.frames.size(), size_t(1));
        QCOMPARE(set.frames[0].pointCount, quint16(18));
        QCOMPARE(set.frames[0].name, QStringLiteral("sq"));
        QCOMPARE(set.frames[0].vertices[4].x, qint16(0));
        QCOMPARE(set.frames[0].vertices[5].x, qint16(10000));
    }

    void reviseThinsEveryFrame()
    {
        IldaBuilder b;
        for (int k = 0; k < 2; ++k) {
            b.header(5, 100, "line", "me", quint16(k), 2);
            for (int i = 0; i < 100; ++i)
                b.point5(qint16(i * 100), 0, i == 99 ? 0x80 : 0, 0, 255, 0);
        }
        const QString in = writeFile(QStringLiteral("lines.ild"), b.bytes());
        const QString outPath = m_dir.filePath(QStringLiteral("lines-rev.ild"));
        const ToolResult r = runIldatool(
            {QStringLiteral("revise"), in, outPath, "--between", "1", "--add", "0", "--blank", "0", "--total", "10"});
        QCOMPARE(r.exitCode, 0);
        const IldFrameSet set = readIld(outPath);
        QCOMPARE(set.frames.size(), size_t(2));
        for (const IldFrame &f : set.frames) {
            QCOMPARE(f.vertexCount(), 10);
            QCOMPARE(f.vertices[0].x, qint16(900));
        }
    }

    void reviseKeepsJumpsDark_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("thinning") << QStringList{"--between", "1", "--add", "0", "--blank", "0", "--total", "100"};
        QTest::newRow("highlight") << QStringList{"--between", "1", "--add", "1", "--blank", "1", "--total", "0"};
    }
    void reviseKeepsJumpsDark()
    {
        QFETCH(QStringList, options);
        const QString in = writeFile(QStringLiteral("jump.ild"), IldaBuilder()
                                                                     .header(5, 6, "jump", "me", 0, 1)
                                                                     .point5(0, 0, 0x40, 0, 0, 0)
                                                                     .point5(1000, 0, 0, 255, 0, 0)
                                                                     .point5(1000, 1000, 0, 255, 0, 0)
                                                                     .point5(5000, 5000, 0x40, 0, 0, 0)
                                                                     .point5(6000, 5000, 0, 0, 255, 0)
                                                                     .point5(6000, 6000, 0x80, 0, 255, 0)
                                                                     .bytes());
        const QString outPath = m_dir.filePath(QStringLiteral("jump-rev.ild"));
        QCOMPARE(runIldatool(QStringList{QStringLiteral("revise"), in, outPath} + options).exitCode, 0);
        const IldFrameSet set = readIld(outPath);
        QCOMPARE(set.frames.size(), size_t(1));
        QCOMPARE(litSegments(set.frames[0].vertices),
                 QStringList(
                     {"(0,0)-(1000,0)", "(1000,0)-(1000,1000)", "(5000,5000)-(6000,5000)", "(6000,5000)-(6000,6000)"}));
    }

    void usageAndInputErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::newRow("convert_type_4") << QStringList{"convert", "IN", "x.c", "--type", "4"} << 2;
        QTest::newRow("convert_palette_2") << QStringList{"convert", "IN", "x.c", "--palette", "2"} << 2;
        QTest::newRow("convert_bad_suffix") << QStringList{"convert", "IN", "x.txt"} << 2;
        QTest::newRow("convert_missing_table") << QStringList{"convert", "/nonexistent/a.c", "x.ild"} << 1;
        QTest::newRow("revise_help") << QStringList{"revise", "--help"} << 0;
        QTest::newRow("revise_missing_option")
            << QStringList{"revise", "IN", "OUT.ild", "--between", "1", "--add", "0", "--blank", "0"} << 2;
        QTest::newRow("revise_negative") << QStringList{"revise", "IN",      "OUT.ild", "--between", "1", "--add",
                                                        "-1",     "--blank", "0",       "--total",   "5"}
                                         << 2;
        QTest::newRow("revise_missing_input") << QStringList{"revise",  "/nonexistent/a.ild",
                                                             "OUT.ild", "--between",
                                                             "1",       "--add",
                                                             "0",       "--blank",
                                                             "0",       "--total",
                                                             "5"}
                                              << 1;
    }
    void usageAndInputErrors()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        const QString in =
            writeFile(QStringLiteral("in.ild"), IldaBuilder().header(5, 1).point5(0, 0, 0x80, 1, 1, 1).bytes());
        for (QString &a : args) {
            if (a == QLatin1String("IN"))
                a = in;
            else if (a.endsWith(QLatin1String(".c")) || a.endsWith(QLatin1String(".txt")) ||
                     a == QLatin1String("OUT.ild"))
                a = a.startsWith(QLatin1Char('/')) ? a : m_dir.filePath(a);
        }
        QCOMPARE(runIldatool(args).exitCode, code);
    }
    // Every refused output leaves the old file alone and says why on
    // standard error. "SHOW" is a show folder with a play folder and files.
    void refusalsSayWhyAndKeepTheOldFile_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<qint64>("sizeLimit");
        QTest::addColumn<QString>("why");
        const QStringList revise{"--between", "1", "--add", "65535", "--blank", "0", "--total", "1"};
        QTest::newRow("convert_no_frames")
            << QStringList{"convert", "SHOW/shows/palette.ild", "OUT.ild"} << qint64(0) << "no frames to save";
        QTest::newRow("convert_no_frames_to_table")
            << QStringList{"convert", "SHOW/shows/palette.ild", "OUT.c"} << qint64(0) << "no frames to save";
        QTest::newRow("convert_empty_table")
            << QStringList{"convert", "SHOW/shows/empty.c", "OUT.ild"} << qint64(0) << "no frames to save";
        QTest::newRow("convert_device") << QStringList{"convert", "/dev/zero", "OUT.ild"} << qint64(0)
                                        << "not-a-regular-file";
        QTest::newRow("convert_folder") << QStringList{"convert", "SHOW", "OUT.ild"} << qint64(0)
                                        << "not-a-regular-file";
        // Stands for an output of many gigabytes: the writer streams and stops
        // at the first failed write with the system's reason.
        QTest::newRow("revise_past_the_size_limit")
            << (QStringList{"revise", "SHOW/shows/many.ild", "OUT.ild"} + revise) << qint64(1 << 20)
            << "File too large";
        QTest::newRow("group_missing_csv")
            << QStringList{"group", "--csv", "SHOW/play/missing.csv", "OUT.ild"} << qint64(0) << "cannot open";
        // A device where a settings file or list is expected would never end.
        QTest::newRow("group_csv_device")
            << QStringList{"group", "--csv", "/dev/zero", "OUT.ild"} << qint64(0) << "cannot open";
        QTest::newRow("group_list_device")
            << QStringList{"group", "--list", "/dev/zero", "OUT.ilg"} << qint64(0) << "not a regular file";
        QTest::newRow("group_no_frames") << QStringList{"group", "--csv", "SHOW/play/empty.csv", "OUT.ild"} << qint64(0)
                                         << "no frames to save";
        QTest::newRow("group_too_many_frames")
            << QStringList{"group", "--csv", "SHOW/play/huge.csv", "OUT.ild"} << qint64(0) << "more than 65,535 frames";
    }
    void refusalsSayWhyAndKeepTheOldFile()
    {
        QFETCH(QStringList, args);
        QFETCH(qint64, sizeLimit);
        QFETCH(QString, why);
        const QString show = m_dir.filePath(QStringLiteral("show"));
        if (!QFile::exists(show + "/play/huge.csv"))
            makeShowOfRefusals(show);

        QString out;
        for (QString &a : args) {
            a.replace(QLatin1String("SHOW"), show);
            if (a.startsWith(QLatin1String("OUT")))
                out = a = m_dir.filePath(a);
        }
        writeFile(QFileInfo(out).fileName(), "previous");
        ToolResult r;
        {
            std::unique_ptr<FileSizeLimit> limit(sizeLimit ? new FileSizeLimit(rlim_t(sizeLimit)) : nullptr);
            r = runIldatool(args);
        }
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(why.toUtf8()), r.err.constData());
        QCOMPARE(readFile(out), QByteArray("previous"));
    }
};

QTEST_GUILESS_MAIN(TestIldatoolEdit)
#include "tst_ildatool_edit.moc"
