// One play group: its settings file, row operations and save dispatch.

#include "foldersettings.h"
#include "ildabuilder.h"
#include "ildafilesets.h"
#include "playfiles.h"
#include "testfiles.h"

#include <QAbstractItemModelTester>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QTextStream>
#include <QtTest>

namespace {

QStringList names(const ildaFileSets &m)
{
    QStringList n;
    for (int i = 0; i < m.rowCount(); ++i)
        n << m.data(m.index(i), ildaFileSets::NameRole).toString();
    return n;
}

} // namespace

class TestIldaFileSets : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    FolderSettings m_folders;
    RecordingPrompt m_prompt;

    QString settingsPath(const QString &group) const
    {
        return m_folders.localDir + m_folders.playFolder + group + ".csv";
    }

    // A group whose rows are a (checked), b, c (checked), d, paths under m_folders.localDir.
    void fourRows(ildaFileSets &m)
    {
        for (const char *n : {"a", "b", "c", "d"})
            m.add(QUrl::fromLocalFile(m_folders.localDir + "shows/" + n + ".ild"));
        m.setCheck(1, false);
        m.setCheck(3, false);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // Relative paths resolve from the folder the tests run in.
        m_folders.home = QDir::currentPath();
        m_folders.localDir = m_dir.path() + "/";
        m_folders.playFolder = "play/";
        QDir().mkpath(m_folders.localDir + m_folders.playFolder);
    }

    void readSettings_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("rows"); // "check speed color repeat path", paths with ~ for m_folders.localDir
        QTest::newRow("header_and_end_only") << QByteArray("#Speed,Color,Repeater,Path\n#End") << QStringList();
        QTest::newRow("checked_and_unchecked")
            << QByteArray("#Speed,Color,Repeater,Path\n1,0,1,shows/a.ild\n#3,2,5,shows/b.ild\n#End")
            << QStringList{"1 1 0 1 ~shows/a.ild", "0 3 2 5 ~shows/b.ild"};
        QTest::newRow("dash_marker") << QByteArray("-3,1,2,a.ild\n") << QStringList{"0 3 1 2 ~a.ild"};
        QTest::newRow("F_removed_windows_path_kept")
            << QByteArray("F7,0,1,C:/x/b.ild\n") << QStringList{"1 7 0 1 C:/x/b.ild"};
        QTest::newRow("absolute_linux_path_kept")
            << QByteArray("2,0,1,/media/show/c.ild\n") << QStringList{"1 2 0 1 /media/show/c.ild"};
        QTest::newRow("error_marker_reads_unchecked_speed_0")
            << QByteArray("#error id:\"2\"3,2,5,/elsewhere/x.ild\n") << QStringList{"0 0 2 5 /elsewhere/x.ild"};
        QTest::newRow("rate_lines_skipped")
            << QByteArray("#Rate,1,1,x\n1,0,1,a.ild\n-Rate,2,2,y\n#Speed,Color,Repeater,Path\n")
            << QStringList{"1 1 0 1 ~a.ild"};
        QTest::newRow("lines_after_End_ignored")
            << QByteArray("1,0,1,a.ild\n#End\n2,0,1,b.ild\n") << QStringList{"1 1 0 1 ~a.ild"};
        QTest::newRow("blank_and_short_lines_skipped")
            << QByteArray("\n  \n5,1\n1,0,1,a.ild\n") << QStringList{"1 1 0 1 ~a.ild"};
        QTest::newRow("speed_wraps_in_8_bits") << QByteArray("257,0,1,a.ild\n") << QStringList{"1 1 0 1 ~a.ild"};
        QTest::newRow("comma_in_path") << QByteArray("1,0,1,shows/a,b.ild\n") << QStringList{"1 1 0 1 ~shows/a,b.ild"};
        // Written by earlier versions in GBK; read the same whatever the locale.
        QTest::newRow("gbk_path") << QByteArray("#2,1,3,shows/\xbc\xa4\xb9\xe2\xd0\xe3.ild\n")
                                  << QStringList{QStringLiteral("0 2 1 3 ~shows/激光秀.ild")};
        QTest::newRow("surrounding_space_trimmed")
            << QByteArray("  1,0,1,a.ild  \r\n") << QStringList{"1 1 0 1 ~a.ild"};
    }
    void readSettings()
    {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, rows);
        writeFile(settingsPath("read"), text);
        ildaFileSets m(QStringLiteral("play/read.csv"), m_folders);
        QCOMPARE(m.settingsFileName(), QStringLiteral("read.csv"));
        QStringList got;
        for (const FileItem &item : m.items())
            got << QStringLiteral("%1 %2 %3 %4 ")
                           .arg(int(item.check))
                           .arg(item.playSpeed)
                           .arg(item.colorType)
                           .arg(item.repeater) +
                       QString(item.path).replace(m_folders.localDir, "~");
        for (QString &r : rows)
            r.replace("~", "~");
        QCOMPARE(got, rows);
        if (!m.items().isEmpty()) {
            QCOMPARE(m.items().last().name, PlayFiles::fileNameOf(m.items().last().path));
            QCOMPARE(m.currentFolder(), PlayFiles::folderOf(m.items().last().path));
        }
    }

    void missingSettingsFileGivesEmptyGroup()
    {
        ildaFileSets m(QStringLiteral("nothing"), m_folders);
        QCOMPARE(m.rowCount(), 0);
        QCOMPARE(m.settingsFilePath(), m_folders.localDir + "play/nothing.csv");
        QVERIFY(m.get_group_check());
    }

    void saveSettingWritesTheFileExactly()
    {
        QFile::remove(settingsPath("save"));
        ildaFileSets m(QStringLiteral("save"), m_folders);
        m.add(QUrl::fromLocalFile(m_folders.localDir + "shows/a.ild"));
        m.add(QUrl::fromLocalFile(m_folders.localDir + "shows/b.ild"));
        m.setPlaySpeed(1, 3);
        m.setColorType(1, 2);
        m.setRepeater(1, 5);
        m.setCheck(1, false);
        QCOMPARE(m.saveSetting(), 0);
        QCOMPARE(readAll(settingsPath("save")),
                 QByteArray("#Speed,Color,Repeater,Path\n1,0,1,shows/a.ild\n#3,2,5,shows/b.ild\n#End"));
    }

    // Rows outside m_folders.localDir (a list saved in another folder) keep their full
    // path and read back exactly; a relative one is stored absolute.
    void pathsOutsideLocalDirAreKeptWhole()
    {
        QFile::remove(settingsPath("outside"));
        ildaFileSets m(QStringLiteral("outside"), m_folders);
        m.add(QUrl::fromLocalFile(m_folders.localDir + "a.ild"));
        m.add(QUrl::fromLocalFile("/elsewhere/x.ild"));
        m.add(QUrl::fromLocalFile("/elsewhere/y.ild"));
        m.add(QUrl(QStringLiteral("rel/z.ild")));
        m.setPlaySpeed(2, 3);
        m.setColorType(2, 2);
        m.setRepeater(2, 9);
        m.setCheck(2, false);
        QCOMPARE(m.saveSetting(), 0);
        const QString z = QDir::current().absoluteFilePath("rel/z.ild");
        QCOMPARE(readAll(settingsPath("outside")),
                 QByteArray("#Speed,Color,Repeater,Path\n1,0,1,a.ild\n1,0,1,/elsewhere/x.ild\n"
                            "#3,2,9,/elsewhere/y.ild\n1,0,1,") +
                     z.toUtf8() + "\n#End");
        ildaFileSets back(QStringLiteral("outside"), m_folders);
        QCOMPARE(back.rowCount(), 4);
        const FileItem &y = back.items()[2];
        QCOMPARE(y.path, QStringLiteral("/elsewhere/y.ild"));
        QCOMPARE(QVector<int>({y.check, y.playSpeed, y.colorType, y.repeater}), QVector<int>({0, 3, 2, 9}));
        QCOMPARE(back.items()[3].path, z);
    }

    // Rows read, written and read again name the same files (fuzzer finds:
    // a rest under root that looks absolute once root is taken off).
    void settingsRoundTrip_data()
    {
        QTest::addColumn<QString>("root");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("plain") << "/shows/" << QByteArray("1,0,1,a.ild\n#2,1,3,sub/b,c.ild\n");
        QTest::newRow("double_slash_under_root") << "/shows/" << QByteArray("1,0,1,/shows//etc\n");
        QTest::newRow("drive_path_under_relative_root") << "shows/" << QByteArray("1,0,1,shows/C:/x\n");
    }
    void settingsRoundTrip()
    {
        QFETCH(QString, root);
        QFETCH(QByteArray, text);
        QTextStream in(&text, QIODevice::ReadOnly);
        const QVector<PlayFiles::SettingsRow> rows = PlayFiles::parseSettings(in, root);
        QVERIFY(!rows.isEmpty());
        PlayFiles::SettingsText written = PlayFiles::formatSettings(rows, root);
        QCOMPARE(written.errors, 0);
        QTextStream again(&written.text, QIODevice::ReadOnly);
        const QVector<PlayFiles::SettingsRow> back = PlayFiles::parseSettings(again, root);
        QCOMPARE(back.size(), rows.size());
        for (int i = 0; i < rows.size(); ++i) {
            QCOMPARE(back[i].path, rows[i].path);
            QCOMPARE(back[i].check, rows[i].check);
            QCOMPARE(back[i].playSpeed, rows[i].playSpeed);
            QCOMPARE(back[i].colorType, rows[i].colorType);
            QCOMPARE(back[i].repeater, rows[i].repeater);
        }
    }

    void unwritableSettingsFileIsReported()
    {
        ildaFileSets m(QStringLiteral("x"), m_folders);
        m.add(QUrl::fromLocalFile("/elsewhere/x.ild"));
        const QString saved = m_folders.playFolder;
        m_folders.playFolder = "missing/folder/";
        QCOMPARE(m.saveSetting(), 1);
        QVERIFY2(m.saveProblemText().contains("could not be written"), qPrintable(m.saveProblemText()));
        m_folders.playFolder = saved;
        QCOMPARE(m.saveSetting(), 0);
        QVERIFY(m.saveProblemText().isEmpty());
    }

    void pathsGbkCannotHoldAreReported()
    {
        ildaFileSets m(QStringLiteral("emoji"), m_folders);
        m.add(QUrl::fromLocalFile(m_folders.localDir + QStringLiteral("激光.ild")));
        QCOMPARE(m.saveSetting(), 0);
        m.add(QUrl::fromLocalFile(m_folders.localDir + QStringLiteral("a😀.ild")));
        QCOMPARE(m.saveSetting(), 1);
        QVERIFY2(m.saveProblemText().contains("cannot store"), qPrintable(m.saveProblemText()));
    }

    void rolesAndData()
    {
        ildaFileSets m(QStringLiteral("roles"), m_folders);
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QHash<int, QByteArray> roles = m.roleNames();
        QCOMPARE(roles.value(1), QByteArray("path"));
        QCOMPARE(roles.value(3), QByteArray("curItem"));
        QCOMPARE(roles.value(5), QByteArray("playSpeed"));
        QCOMPARE(roles.value(8), QByteArray("show"));
        m.add(QUrl::fromLocalFile(m_folders.localDir + "shows/a.ild"));
        const QModelIndex i = m.index(0);
        QCOMPARE(m.data(i, 1).toString(), m_folders.localDir + "shows/a.ild");
        QCOMPARE(m.data(i, 2).toString(), QStringLiteral("a.ild"));
        QVERIFY(!m.data(i, 3).isValid());
        QCOMPARE(m.data(i, 4).toBool(), true);
        QCOMPARE(m.data(i, 5).toInt(), 1);
        QCOMPARE(m.data(i, 6).toInt(), 0);
        QCOMPARE(m.data(i, 7).toInt(), 1);
        QCOMPARE(m.data(i, 8).toBool(), false);
        QVERIFY(!m.data(i, 10).isValid());
        QVERIFY(!m.data(QModelIndex(), 1).isValid());
        QCOMPARE(m.rowCount(i), 0);

        QSignalSpy changed(&m, &QAbstractItemModel::dataChanged);
        m.setcuritem(0, 42);
        m.setColorType(0, 255);
        QCOMPARE(m.data(i, 3).toInt(), 42);
        QCOMPARE(m.data(i, 6).toInt(), 255);
        QCOMPARE(changed.count(), 0);
    }

    // A comma is part of a file name: one URL is one row, and the pages hand
    // over the dialog's fileUrls as a list.
    void addTakesEachUrlWhole()
    {
        ildaFileSets m(QStringLiteral("add"), m_folders);
        m.add(QUrl::fromLocalFile("/tmp/a,b.ild"));
        m.add(QVariantList{QUrl::fromLocalFile("/tmp/b c.ild"), QStringLiteral("file:///tmp/d,e.ild")});
        QQmlEngine engine;
        engine.rootContext()->setContextProperty("fileModel", &m);
        engine.rootContext()->setContextProperty(
            "fileUrls",
            QVariant::fromValue(QList<QUrl>{QUrl::fromLocalFile("/tmp/f,g.ild"), QUrl("file:///tmp/h.ild")}));
        QQmlExpression list(engine.rootContext(), nullptr, "fileModel.add(fileUrls)");
        list.evaluate();
        QVERIFY2(!list.hasError(), qPrintable(list.error().toString()));
        QQmlExpression one(engine.rootContext(), nullptr, "fileModel.add(\"file:///tmp/i,j.ild\")");
        one.evaluate();
        QVERIFY2(!one.hasError(), qPrintable(one.error().toString()));
        QCOMPARE(names(m), (QStringList{"a,b.ild", "b c.ild", "d,e.ild", "f,g.ild", "h.ild", "i,j.ild"}));
        QCOMPARE(m.items()[1].path, QStringLiteral("/tmp/b c.ild"));
    }

    // A file added that gives no frames or is cut short is named in a notice
    // worded as the player's and the editor's, and its row says why (the
    // tile's mark); a whole file says nothing.
    void addNamesEachBadFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("problem"); // start of the row's problem; "" none
        const QByteArray whole =
            IldaBuilder().header(5, 2).point5(0, 0, 0, 255, 0, 0).point5(9, 9, 0x80, 255, 0, 0).bytes();
        QTest::newRow("whole") << whole << "";
        QTest::newRow("truncated") << whole + whole.left(40) << "truncated: ";
        QTest::newRow("empty") << QByteArray() << "empty: ";
        QTest::newRow("not_ilda") << QByteArray("not ILDA data") << "not-ILDA: ";
    }
    void addNamesEachBadFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, problem);
        const QString path = m_folders.localDir + "shows/added.ild";
        writeFile(path, bytes);
        ildaFileSets m(QStringLiteral("bad"), m_folders);
        m.setPrompt(&m_prompt);
        m_prompt.notices.clear();
        m.add(QVariant::fromValue(QList<QUrl>{QUrl::fromLocalFile(path)}));
        const QString shown = m.data(m.index(0), ildaFileSets::ProblemRole).toString();
        QVERIFY2(shown.left(problem.size()) == problem && shown.isEmpty() == problem.isEmpty(), qPrintable(shown));
        QCOMPARE(m_prompt.notices,
                 problem.isEmpty() ? QStringList() : QStringList{"file error\n" + path + '\n' + shown});
    }

    // A script array and an importer's list of names reach the same one
    // conversion as a dialog's URLs.
    void addTakesScriptArrays()
    {
        ildaFileSets m(QStringLiteral("add"), m_folders);
        QQmlEngine engine;
        engine.rootContext()->setContextProperty("fileModel", &m);
        QQmlExpression array(engine.rootContext(), nullptr,
                             "fileModel.add([\"file:///tmp/k.ild\", Qt.resolvedUrl(\"file:///tmp/l,m.ild\")])");
        array.evaluate();
        QVERIFY2(!array.hasError(), qPrintable(array.error().toString()));
        m.add(QStringList{QStringLiteral("file:///tmp/n.ild"), QStringLiteral("relative/o.ild")});
        QCOMPARE(names(m), (QStringList{"k.ild", "l,m.ild", "n.ild", "o.ild"}));
        QCOMPARE(m.items()[3].path, QStringLiteral("relative/o.ild"));
    }

    void moveRows_data()
    {
        QTest::addColumn<int>("source");
        QTest::addColumn<int>("dest");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("order");
        QTest::addColumn<int>("announced");
        QTest::newRow("1_Item_from_top_to_bottom") << 0 << 2 << 1 << "b c a" << 3;
        QTest::newRow("1_Item_from_bottom_to_top") << 2 << 0 << 1 << "c a b" << 0;
        QTest::newRow("1_Item_to_middle") << 0 << 1 << 1 << "b a c" << 2;
        QTest::newRow("2_Items_down") << 0 << 1 << 2 << "c a b" << 3;
        QTest::newRow("2_Items_up") << 1 << 0 << 2 << "b c a" << 0;
        QTest::newRow("same_place_does_nothing") << 1 << 1 << 1 << "a b c" << -1;
        QTest::newRow("past_the_end_does_nothing") << 0 << 2 << 2 << "a b c" << -1;
        QTest::newRow("negative_does_nothing") << -1 << 0 << 1 << "a b c" << -1;
        QTest::newRow("zero_rows_does_nothing") << 0 << 1 << 0 << "a b c" << -1;
    }
    void moveRows()
    {
        QFETCH(int, source);
        QFETCH(int, dest);
        QFETCH(int, count);
        QFETCH(QString, order);
        QFETCH(int, announced);
        ildaFileSets m(QStringLiteral("move"), m_folders);
        for (const char *n : {"a", "b", "c"})
            m.add(QUrl::fromLocalFile(m_folders.localDir + n));
        m.setPlaySpeed(0, 9);
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy moved(&m, &QAbstractItemModel::rowsMoved);
        QCOMPARE(m.moveRows_view_data(source, dest, count), announced >= 0);
        QCOMPARE(names(m).join(' '), order);
        if (announced < 0) {
            QCOMPARE(moved.count(), 0);
            return;
        }
        QCOMPARE(moved.count(), 1);
        const QList<QVariant> args = moved.takeFirst();
        QCOMPARE(args.at(1).toInt(), source);
        QCOMPARE(args.at(2).toInt(), source + count - 1);
        QCOMPARE(args.at(4).toInt(), announced);
        // Every field moves with its row.
        const int a = names(m).indexOf("a");
        QCOMPARE(int(m.items()[a].playSpeed), 9);
    }

    void orderSelect_data()
    {
        QTest::addColumn<QString>("checks");
        QTest::addColumn<QString>("order");
        QTest::newRow("checked_rows_to_top") << "1010"
                                             << "a c b d";
        QTest::newRow("none_checked_unchanged") << "0000"
                                                << "a b c d";
        QTest::newRow("all_checked_unchanged") << "1111"
                                               << "a b c d";
        QTest::newRow("last_only") << "0001"
                                   << "d a b c";
    }
    void orderSelect()
    {
        QFETCH(QString, checks);
        QFETCH(QString, order);
        ildaFileSets m(QStringLiteral("order"), m_folders);
        for (const char *n : {"a", "b", "c", "d"})
            m.add(QUrl::fromLocalFile(m_folders.localDir + n));
        for (int i = 0; i < 4; ++i)
            m.setCheck(i, checks.at(i) == '1');
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy reset(&m, &QAbstractItemModel::modelReset);
        m.order_select();
        QCOMPARE(names(m).join(' '), order);
        QCOMPARE(reset.count(), 1);
    }

    void bulkOperations()
    {
        ildaFileSets m(QStringLiteral("bulk"), m_folders);
        fourRows(m);
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy reset(&m, &QAbstractItemModel::modelReset);
        m.inverse();
        QCOMPARE(m.data(m.index(0), ildaFileSets::CheckRole).toBool(), false);
        QCOMPARE(m.data(m.index(1), ildaFileSets::CheckRole).toBool(), true);
        m.set_ref();
        QCOMPARE(m.data(m.index(2), ildaFileSets::ShowRole).toBool(), true);
        m.selectAll();
        QCOMPARE(m.items()[3].check, true);
        QCOMPARE(reset.count(), 3);
    }

    void deleteRemovesCheckedRows()
    {
        ildaFileSets m(QStringLiteral("del"), m_folders);
        fourRows(m);
        m.setCheck(1, true); // a b c checked, d not: adjacent checked rows too
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        m.deleteFile();
        QCOMPARE(names(m), QStringList{"d.ild"});
    }

    void undoRestoresTheSavedSettings_data()
    {
        QTest::addColumn<QString>("action");
        for (const char *a : {"add", "add_several", "delete", "move", "order", "check", "select_all", "inverse",
                              "speed", "colour_type", "repeat"})
            QTest::newRow(a) << a;
    }

    // The group's settings file before an edit, after its undo and after its redo.
    void undoRestoresTheSavedSettings()
    {
        QFETCH(QString, action);
        QFile::remove(settingsPath("undo"));
        ildaFileSets m(QStringLiteral("undo"), m_folders);
        fourRows(m);
        m.setPlaySpeed(2, 4);
        auto saved = [&] {
            m.saveSetting();
            return readAll(settingsPath("undo"));
        };
        const QByteArray before = saved();

        if (action == "add")
            m.add(QUrl::fromLocalFile(m_folders.localDir + "shows/e.ild"));
        else if (action == "add_several") // one dialog choice: one step
            m.add(QVariant(QVariantList{QUrl::fromLocalFile(m_folders.localDir + "shows/e.ild"),
                                        QUrl::fromLocalFile(m_folders.localDir + "shows/f.ild")}));
        else if (action == "delete")
            m.deleteFile();
        else if (action == "move")
            m.moveRows_view_data(0, 3, 1);
        else if (action == "order")
            m.order_select();
        else if (action == "check")
            m.setCheck(3, true);
        else if (action == "select_all")
            m.selectAll();
        else if (action == "inverse")
            m.inverse();
        else if (action == "speed")
            for (int v : {5, 7, 9}) // one dragged slider: one step
                m.setPlaySpeed(1, uchar(v));
        else if (action == "colour_type")
            m.setColorType(0, 3);
        else if (action == "repeat")
            m.setRepeater(2, 6);
        const QByteArray after = saved();
        QVERIFY(after != before);
        QVERIFY(m.canUndo());

        QSignalSpy redoable(&m, &ildaFileSets::canRedoChanged);
        m.undo();
        QCOMPARE(saved(), before);
        QCOMPARE(redoable.count(), 1);
        m.redo();
        QCOMPARE(saved(), after);
    }

    // The dialogs open in the group's folder: a proper file URL of it.
    void currentDirAsUrl()
    {
        ildaFileSets m(QStringLiteral("dir"), m_folders);
        QCOMPARE(m.get_current_dir(), QUrl::fromLocalFile(m_folders.localDir + "play/").toString());
        QCOMPARE(QUrl(m.get_current_dir()).toLocalFile(), m_folders.localDir + "play/");
        QCOMPARE(PlayFiles::folderUrl(QStringLiteral("/a #b/激光/")), QStringLiteral("file:///a %23b/激光/"));
    }

    void saveDataDispatchesOnTheFilter_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("written");
        QTest::addColumn<int>("size");
        QTest::newRow("single_group_image") << "ILDA group files (*.ilg )"
                                            << "g"
                                            << "g.ilg" << 55;
        QTest::newRow("extension_kept") << "ILDA group files (*.ilg )"
                                        << "h.ilg"
                                        << "h.ilg" << 55;
        QTest::newRow("ilda") << "ILDA files (*.ild )"
                              << "i"
                              << "i.ild" << 32 + 24;
        QTest::newRow("text") << "text group (*.txg )"
                              << "t"
                              << "t.txg" << -1;
        QTest::newRow("other_filter_nothing") << "all (*)"
                                              << "n"
                                              << "n" << 0;
        // The typed suffix decides over the selected filter.
        QTest::newRow("typed_ild_under_ilg_filter") << "ILDA group files (*.ilg )"
                                                    << "x.ild"
                                                    << "x.ild" << 32 + 24;
        QTest::newRow("typed_ilg_under_txg_filter") << "text group files (*.txg )"
                                                    << "y.ilg"
                                                    << "y.ilg" << 55;
    }
    void saveDataDispatchesOnTheFilter()
    {
        QFETCH(QString, filter);
        QFETCH(QString, name);
        QFETCH(QString, written);
        QFETCH(int, size);
        writeFile(m_folders.localDir + "shows/three.ild", IldaBuilder()
                                                              .header(5, 3)
                                                              .point5(0, 0, 0, 1, 1, 1)
                                                              .point5(1, 1, 0, 1, 1, 1)
                                                              .point5(2, 2, 0, 1, 1, 1)
                                                              .bytes());
        ildaFileSets m(QStringLiteral("dispatch"), m_folders);
        m.add(QUrl::fromLocalFile(m_folders.localDir + "shows/three.ild"));
        m.add(QUrl::fromLocalFile(m_folders.localDir + "shows/unchecked.ild"));
        m.setCheck(1, false);
        const QString out = m_folders.localDir + "out/";
        QDir().mkpath(out);
        m.saveData(QUrl::fromLocalFile(out + name), filter);
        const QFileInfo info(out + written);
        if (size == 0) {
            QVERIFY(!info.exists());
        } else if (size > 0) {
            QCOMPARE(info.size(), qint64(size));
        } else {
            QVERIFY(readAll(info.filePath()).startsWith("cal complete\n"));
        }
    }

    void refusedExportKeepsThePreviousFile()
    {
        writeFile(m_folders.localDir + "shows/one.ild", IldaBuilder().header(5, 1).point5(0, 0, 0, 1, 1, 1).bytes());
        ildaFileSets m(QStringLiteral("huge"), m_folders);
        m.setPrompt(&m_prompt);
        for (int i = 0; i < 256; ++i)
            m.add(QUrl::fromLocalFile(m_folders.localDir + "shows/one.ild"));
        const QString target = m_folders.localDir + "out/huge.ilg";
        writeFile(target, "previous");
        m_prompt.titles.clear();
        m.saveData(QUrl::fromLocalFile(target), QStringLiteral("(*.ilg )"));
        QCOMPARE(readAll(target), QByteArray("previous"));
        QCOMPARE(m_prompt.titles, QStringList{"export error"});
        QVERIFY(m_prompt.texts.first().contains("256 files"));
    }

    void fieldsOfTheLastExport()
    {
        writeFile(m_folders.localDir + "shows/two.ild",
                  IldaBuilder().header(5, 1).point5(0, 0, 0, 1, 1, 1).header(5, 1).point5(0, 0, 0, 1, 1, 1).bytes());
        ildaFileSets m(QStringLiteral("fields"), m_folders);
        m.add(QUrl::fromLocalFile(m_folders.localDir + "shows/missing.ild"));
        m.add(QUrl::fromLocalFile(m_folders.localDir + "shows/two.ild"));
        QVERIFY(m.saveSingleGroupImage(m_folders.localDir + "out/fields.ilg"));
        QCOMPARE(int(m.checkedFileCount), 1);
        QCOMPARE(int(m.items()[1].frame_count), 2);
        QCOMPARE(m.items()[1].frame_table_address, 26u);
        QVERIFY(m.items()[1].frameAddresses.isEmpty());
        QCOMPARE(QFileInfo(m_folders.localDir + "out/fields.ilg").size(), qint64(26 + 16 + 14));
    }
};

QTEST_GUILESS_MAIN(TestIldaFileSets)
#include "tst_ildafilesets.moc"
