// The tab manager: folder settings, tab lists, group images read back, and
// the exports of all tabs.

#include "crcengine.h"
#include "filesizelimit.h"
#include "foldersettings.h"
#include "groupimagereader.h"
#include "ildabuilder.h"
#include "ildafilesets.h"
#include "ildafiletab.h"
#include "ildframeset.h"
#include "palette.h"
#include "playfiles.h"
#include "testfiles.h"
#include "urlpath.h"

#include <QAbstractItemModelTester>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

namespace {

QStringList tabNames(const ildaFileTab &t)
{
    QStringList n;
    for (int i = 0; i < t.rowCount(); ++i)
        n << t.data(t.index(i), ildaFileTab::NameRole).toString();
    return n;
}

} // namespace

class TestIldaFileTab : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    RecordingPrompt m_prompt;
    int m_case = 0;
    QString m_config; // settings folder of the current test
    QString m_root;   // show folder of the current test, ending with "/"

    // Points "_file_dir.ini" at root with play folder play/ and list play.list.
    void useShow(const QString &list = QString())
    {
        writeFile(m_config + "/_file_dir.ini", (m_root + "\nplay/\nplay.list\n").toUtf8());
        if (!list.isNull())
            writeFile(m_root + "play/play.list", list.toUtf8());
    }
    QString writeIld(const QString &relative, int frames, int points)
    {
        IldaBuilder b;
        for (int f = 0; f < frames; ++f) {
            b.header(5, quint16(points));
            for (int p = 0; p < points; ++p)
                b.point5(qint16(p * 100), qint16(f * 100), 0, 255, 0, 0);
        }
        writeFile(m_root + relative, b.bytes());
        return m_root + relative;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        qputenv("SOURCE_DATE_EPOCH", "1000");
    }
    void init()
    {
        ++m_case;
        m_config = m_dir.filePath(QStringLiteral("config%1").arg(m_case));
        m_root = m_dir.filePath(QStringLiteral("show%1/").arg(m_case));
        QDir().mkpath(m_config);
        QDir().mkpath(m_root + "play");
        qputenv("BEAMDECK_CONFIG_DIR", m_config.toUtf8());
        m_prompt.titles.clear();
        m_prompt.texts.clear();
        m_prompt.notices.clear();
    }

    void settingsFolderComesFromTheEnvironment()
    {
        QCOMPARE(PlayFiles::configDir(), m_config);
        QCOMPARE(ildaFileTab::settingsIniPath(), m_config + "/_file_dir.ini");
    }

    void firstStartWithoutIni()
    {
        writeFile(m_config + "/a.csv", "#Speed,Color,Repeater,Path\n2,0,1,x.ild\n#End");
        ildaFileTab tab;
        tab.setPrompt(&m_prompt);
        QVERIFY(QFile::exists(m_config + "/_file_dir.ini"));
        QCOMPARE(readAll(m_config + "/_file_dir.ini"), QByteArray());
        QCOMPARE(tab.folderSettings().localDir, QString());
        QCOMPARE(tab.folderSettings().playFolder, QString());
        QCOMPARE(tab.listFileName(), QString());
        QCOMPARE(tab.rowCount(), 0);
        tab.add_tab(QStringLiteral("a"));
        QCOMPARE(tab.rowCount(), 1);
        auto *group = qobject_cast<ildaFileSets *>(tab.get_tab(0));
        QVERIFY(group);
        QCOMPARE(group->rowCount(), 1);
        QCOMPARE(int(group->items()[0].playSpeed), 2);
    }

    // A relative root in "_file_dir.ini" resolves from the settings folder,
    // whatever the current folder, which the tab manager leaves alone; the
    // files keep their relative paths.
    void relativeRootResolvesFromTheSettingsFolder()
    {
        writeFile(m_config + "/_file_dir.ini", "shows/\nplay/\nplay.list\n");
        writeFile(m_config + "/shows/play/play.list", "play/g.csv\n#end\n");
        writeFile(m_config + "/shows/play/g.csv", "#Speed,Color,Repeater,Path\n2,0,1,a.ild\n#End");
        writeFile(m_config + "/shows/a.ild", IldaBuilder().header(5, 1).point5(0, 0, 0, 255, 0, 0).bytes());
        const QString cwd = QDir::currentPath();
        ildaFileTab tab;
        QCOMPARE(QDir::currentPath(), cwd);
        QCOMPARE(tabNames(tab), QStringList{"g"});
        auto *group = qobject_cast<ildaFileSets *>(tab.get_tab(0));
        QCOMPARE(group->items()[0].path, QStringLiteral("shows/a.ild"));
        QCOMPARE(group->data(group->index(0), ildaFileSets::PathRole).toString(), m_config + "/shows/a.ild");
        bool written = false;
        QCOMPARE(tab.saveListFile(tab.get_current_file_path(), &written), 0);
        QVERIFY(written);
        QCOMPARE(readAll(m_config + "/shows/play/play.list"), QByteArray("play/g.csv\n#end\n"));
        QCOMPARE(readAll(m_config + "/shows/play/g.csv"), QByteArray("#Speed,Color,Repeater,Path\n2,0,1,a.ild\n#End"));
        QVERIFY(tab.saveTextGroupImage(QStringLiteral("shows/out.txg")));
        QVERIFY(QFile::exists(m_config + "/shows/out.txg"));
        QCOMPARE(int(tab.groupCount()), 1);
    }

    void iniThatCannotBeOpenedGivesDefaults()
    {
        QDir().mkpath(m_config + "/_file_dir.ini"); // a folder: cannot be opened as a file
        ildaFileTab tab;
        tab.setPrompt(&m_prompt);
        QCOMPARE(tab.folderSettings().localDir, m_config + "/");
        QCOMPARE(tab.folderSettings().playFolder, QStringLiteral("play/"));
        QCOMPARE(tab.listFileName(), QStringLiteral("play.list"));
        QVERIFY(QFileInfo(m_config + "/play").isDir());
        QCOMPARE(tab.get_current_file_path(), m_config + "/play/play.list");
    }

    void tabListWithMarkersAndEnd()
    {
        useShow("play/a.csv\n#play/b.csv\n#end\nplay/c.csv\n");
        writeFile(m_root + "play/a.csv", "#Speed,Color,Repeater,Path\n1,0,1,shows/a.ild\n#End");
        ildaFileTab tab;
        tab.setPrompt(&m_prompt);
        QAbstractItemModelTester tester(&tab, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(tabNames(tab), (QStringList{"a", "b"}));
        QCOMPARE(tab.data(tab.index(0), ildaFileTab::CheckRole).toBool(), true);
        QCOMPARE(tab.data(tab.index(1), ildaFileTab::CheckRole).toBool(), false);
        QCOMPARE(tab.data(tab.index(1), ildaFileTab::ObjRole).toBool(), true);
        QCOMPARE(tab.get_tab_name(0), QStringLiteral("a.csv"));
        QCOMPARE(qobject_cast<ildaFileSets *>(tab.get_tab(0))->items()[0].path, m_root + "shows/a.ild");
        QCOMPARE(tab.get_current_dir(), m_root);
    }

    void getTabClamps()
    {
        useShow("play/a.csv\nplay/b.csv\nplay/c.csv\n#end\n");
        ildaFileTab tab;
        tab.setPrompt(&m_prompt);
        QCOMPARE(tab.get_tab(-5), tab.tabList().first());
        QCOMPARE(tab.get_tab(99), tab.tabList().last());
        QCOMPARE(tab.get_tab_name(99), QStringLiteral("c.csv"));
        tab.clear();
        QCOMPARE(tab.get_tab(0), nullptr);
        QCOMPARE(tab.get_tab_name(0), QString());
    }

    void deletedTabStaysAlive()
    {
        useShow("play/a.csv\nplay/b.csv\n#end\n");
        ildaFileTab tab;
        tab.setPrompt(&m_prompt);
        QPointer<QObject> first = tab.get_tab(0);
        tab.delete_tab(0);
        QCOMPARE(tabNames(tab), QStringList{"b"});
        QVERIFY(!first.isNull());
    }

    // A list saved in any folder comes back whole after a restart, rows
    // outside the new root included.
    void saveListRoundTrip()
    {
        useShow("#end\n");
        ildaFileTab tab;
        tab.setPrompt(&m_prompt);
        tab.add_tab("one");
        tab.add_tab("two");
        auto *one = qobject_cast<ildaFileSets *>(tab.get_tab(0));
        one->add(QUrl::fromLocalFile(m_root + "shows/a.ild"));
        one->add(QUrl::fromLocalFile(m_root + "shows/b.ild"));
        one->setPlaySpeed(0, 4);
        one->setColorType(1, 3);
        one->setRepeater(1, 7);
        one->setCheck(1, false);
        qobject_cast<ildaFileSets *>(tab.get_tab(1))->set_group_check(false);

        const QString target = m_dir.filePath(QStringLiteral("other%1/").arg(m_case));
        QDir().mkpath(target + "lists");
        tab.save_list(QUrl::fromLocalFile(target + "lists/set.list"), QStringLiteral("list files (*.list )"));
        QCOMPARE(readAll(target + "lists/set.list"), QByteArray("lists/one.csv\n#lists/two.csv\n#end\n"));
        QCOMPARE(readAll(m_config + "/_file_dir.ini"), (target + "\nlists/\nset.list\n").toUtf8());
        QVERIFY2(m_prompt.titles.isEmpty(), qPrintable(m_prompt.texts.join('\n')));
        QCOMPARE(readAll(target + "lists/two.csv"), QByteArray("#Speed,Color,Repeater,Path\n#End"));
        QCOMPARE(tab.get_current_file_info(), target + "lists/set.list");

        ildaFileTab again;
        again.setPrompt(&m_prompt);
        QCOMPARE(tabNames(again), (QStringList{"one", "two"}));
        QCOMPARE(again.data(again.index(1), ildaFileTab::CheckRole).toBool(), false);
        auto *back = qobject_cast<ildaFileSets *>(again.get_tab(0));
        QCOMPARE(back->rowCount(), 2);
        const QStringList rows{QStringLiteral("1 4 0 1 ") + m_root + "shows/a.ild",
                               QStringLiteral("0 1 3 7 ") + m_root + "shows/b.ild"};
        for (int i = 0; i < 2; ++i) {
            const FileItem &item = back->items()[i];
            QCOMPARE(QStringLiteral("%1 %2 %3 %4 ")
                             .arg(int(item.check))
                             .arg(item.playSpeed)
                             .arg(item.colorType)
                             .arg(item.repeater) +
                         item.path,
                     rows[i]);
        }
    }

    void saveListAppendsExtensionAndRecordsIt()
    {
        useShow("#end\n");
        ildaFileTab tab;
        tab.setPrompt(&m_prompt);
        tab.add_tab("g");
        tab.save_list(QUrl::fromLocalFile(m_root + "play/named"), QStringLiteral("(*.list )"));
        QVERIFY(QFile::exists(m_root + "play/named.list"));
        QCOMPARE(tab.listFileName(), QStringLiteral("named.list"));
        QCOMPARE(tab.get_current_file_path(), m_root + "play/named.list");
        ildaFileTab again;
        again.setPrompt(&m_prompt);
        QCOMPARE(tabNames(again), QStringList{"g"});
        QVERIFY(m_prompt.titles.isEmpty());
    }

    // A list line that climbs out of the play folder names no file the
    // program may write: the list save and a tab move both refuse it and say so.
    void settingsOutsideThePlayFolderAreRefused()
    {
        useShow("play/good.csv\nplay/../../victim/accounts\n#end\n");
        const QString victim = m_root + "../victim/accounts.csv";
        writeFile(victim, "keep");
        ildaFileTab tab;
        tab.setPrompt(&m_prompt);
        QCOMPARE(tab.rowCount(), 2);
        qobject_cast<ildaFileSets *>(tab.get_tab(1))->add(QUrl::fromLocalFile(m_root + "shows/a.ild"));
        tab.save_list(QUrl::fromLocalFile(m_root + "play/play.list"), QStringLiteral("(*.list )"));
        QCOMPARE(readAll(victim), QByteArray("keep"));
        QVERIFY(QFile::exists(m_root + "play/good.csv"));
        QCOMPARE(m_prompt.titles, QStringList{"save error"});
        QVERIFY2(m_prompt.texts.last().contains("outside the play folder"), qPrintable(m_prompt.texts.last()));
        QVERIFY(m_prompt.texts.last().contains("save again"));
        tab.move_tab(1, 0);
        QCOMPARE(readAll(victim), QByteArray("keep"));
        QCOMPARE(m_prompt.titles.size(), 2);
    }

    void groupNameGbkCannotHoldIsReported()
    {
        useShow("#end\n");
        ildaFileTab tab;
        tab.setPrompt(&m_prompt);
        tab.add_tab(QStringLiteral("组😀"));
        tab.save_list(QUrl::fromLocalFile(m_root + "play/play.list"), QStringLiteral("(*.list )"));
        QCOMPARE(m_prompt.titles, QStringList{"save error"});
        QVERIFY2(m_prompt.texts.last().contains("cannot store"), qPrintable(m_prompt.texts.last()));
    }

    void listSaveDeletesOnlyDroppedSettings()
    {
        useShow("play/a.csv\nplay/b.csv\n#play/c.csv\nplay/../../outside.csv\nshows/x.ild\n#end\n");
        for (const char *n : {"a", "b", "c"})
            writeFile(m_root + "play/" + n + ".csv", "#Speed,Color,Repeater,Path\n#End");
        writeFile(m_root + "play/unlisted.csv", "keep");
        writeFile(m_root + "../outside.csv", "keep");
        writeFile(m_root + "shows/x.ild", "keep");
        ildaFileTab tab;
        tab.setPrompt(&m_prompt);
        while (tab.rowCount() > 1)
            tab.delete_tab(1);
        tab.add_tab("d");
        tab.save_list(QUrl::fromLocalFile(m_root + "play/play.list"), QStringLiteral("(*.list )"));
        QCOMPARE(readAll(m_root + "play/play.list"), QByteArray("play/a.csv\nplay/d.csv\n#end\n"));
        QVERIFY(QFile::exists(m_root + "play/a.csv"));
        QVERIFY(QFile::exists(m_root + "play/d.csv"));
        QVERIFY(!QFile::exists(m_root + "play/b.csv"));
        QVERIFY(!QFile::exists(m_root + "play/c.csv"));
        QCOMPARE(readAll(m_root + "play/unlisted.csv"), QByteArray("keep"));
        QCOMPARE(readAll(m_root + "../outside.csv"), QByteArray("keep"));
        QCOMPARE(readAll(m_root + "shows/x.ild"), QByteArray("keep"));
    }

    void failedListSaveLosesNoSettings()
    {
        useShow("play/a.csv\nplay/b.csv\n#end\n");
        const QByteArray a = "#Speed,Color,Repeater,Path\n1,0,1,shows/a.ild\n#End";
        const QByteArray b = "#Speed,Color,Repeater,Path\n2,0,1,shows/b.ild\n#End";
        writeFile(m_root + "play/a.csv", a);
        writeFile(m_root + "play/b.csv", b);
        ildaFileTab tab;
        tab.setPrompt(&m_prompt);
        tab.clear();
        tab.add_tab("zzzzzzzzzzzzzzzzzzzz");
        {
            const FileSizeLimit full(8);
            tab.save_list(QUrl::fromLocalFile(m_root + "play/play.list"), QStringLiteral("(*.list )"));
        }
        QCOMPARE(readAll(m_root + "play/play.list"), QByteArray("play/a.csv\nplay/b.csv\n#end\n"));
        QCOMPARE(readAll(m_root + "play/a.csv"), a);
        QCOMPARE(readAll(m_root + "play/b.csv"), b);
        QCOMPARE(m_prompt.titles, QStringList{"save error"});
        QVERIFY2(m_prompt.texts.last().contains("could not be saved"), qPrintable(m_prompt.texts.last()));
    }

    // A list that was not written names its reason, and the next start still
    // finds the list it found before.
    void failedListSaveSaysWhy_data()
    {
        QTest::addColumn<QString>("target"); // "" the current list, with the disk full
        QTest::addColumn<QString>("reason");
        QTest::newRow("disk_full") << ""
                                   << "disk full";
        QTest::newRow("folder_missing") << "gone/play/set.list"
                                        << "folder missing";
        QTest::newRow("not_writable") << "/sys/set.list"
                                      << "not writable";
    }
    void failedListSaveSaysWhy()
    {
        QFETCH(QString, target);
        QFETCH(QString, reason);
        useShow("play/a.csv\n#end\n");
        ildaFileTab tab;
        tab.setPrompt(&m_prompt);
        const QByteArray ini = readAll(m_config + "/_file_dir.ini");
        const QString path =
            target.isEmpty() ? m_root + "play/play.list" : (target.startsWith('/') ? target : m_root + target);
        {
            const FileSizeLimit full(target.isEmpty() ? 8 : RLIM_INFINITY);
            tab.save_list(QUrl::fromLocalFile(path), QStringLiteral("list files (*.list )"));
        }
        QVERIFY(!QFile::exists(path) || target.isEmpty());
        QCOMPARE(m_prompt.titles.size(), 1);
        QVERIFY2(m_prompt.texts.last().contains("could not be saved as " + path + " (" + reason),
                 qPrintable(m_prompt.texts.last()));
        QCOMPARE(readAll(m_config + "/_file_dir.ini"), ini);
        QCOMPARE(tab.folderSettings().localDir, m_root);
        QCOMPARE(tab.get_current_file_path(), m_root + "play/play.list");
    }

    // Settings files are written in the play folder only: not through a link
    // that leads out of it, and never over a file that is not one of ours.
    void settingsWritesStayInThePlayFolder_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("said");
        QTest::newRow("link_to_a_file_outside") << "link"
                                                << "outside the play folder";
        QTest::newRow("link_to_a_missing_file_outside") << "dangling"
                                                        << "outside the play folder";
        QTest::newRow("someone_elses_table_in_the_play_folder") << "foreign"
                                                                << "no group settings file";
    }
    void settingsWritesStayInThePlayFolder()
    {
        QFETCH(QString, kind);
        QFETCH(QString, said);
        useShow("play/good.csv\nplay/link.csv\n#end\n");
        const QString link = m_root + "play/link.csv";
        const QString outside = m_dir.filePath(QStringLiteral("outside%1/accounts.csv").arg(m_case));
        const QByteArray keep = "name,iban\nmax,DE00\n";
        if (kind == QLatin1String("foreign")) {
            writeFile(link, keep);
        } else {
            if (kind == QLatin1String("link"))
                writeFile(outside, keep);
            QVERIFY(QFile::link(outside, link));
        }
        ildaFileTab tab;
        tab.setPrompt(&m_prompt);
        QCOMPARE(tabNames(tab), (QStringList{"good", "link"}));
        QCOMPARE(qobject_cast<ildaFileSets *>(tab.get_tab(1))->rowCount(), 0); // its lines name no files
        tab.save_list(QUrl::fromLocalFile(m_root + "play/play.list"), QStringLiteral("(*.list )"));
        if (kind == QLatin1String("dangling"))
            QVERIFY(!QFile::exists(outside));
        else
            QCOMPARE(readAll(kind == QLatin1String("foreign") ? link : outside), keep);
        QVERIFY(QFile::exists(m_root + "play/good.csv"));
        QCOMPARE(m_prompt.titles, QStringList{"save error"});
        QVERIFY2(m_prompt.texts.last().contains(said), qPrintable(m_prompt.texts.last()));
    }

    void moveTab()
    {
        useShow("play/a.csv\nplay/b.csv\nplay/c.csv\n#end\n");
        ildaFileTab tab;
        tab.setPrompt(&m_prompt);
        QAbstractItemModelTester tester(&tab, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QFile::remove(m_root + "play/play.list");
        tab.move_tab(1, 1);
        QVERIFY(!QFile::exists(m_root + "play/play.list"));
        QSignalSpy moved(&tab, &QAbstractItemModel::rowsMoved);
        tab.move_tab(0, 2);
        QCOMPARE(tabNames(tab), (QStringList{"b", "c", "a"}));
        QCOMPARE(moved.count(), 1);
        QCOMPARE(moved.first().at(4).toInt(), 3);
        QCOMPARE(readAll(m_root + "play/play.list"), QByteArray("play/b.csv\nplay/c.csv\nplay/a.csv\n#end\n"));
        tab.move_tab(2, 0);
        QCOMPARE(tabNames(tab), (QStringList{"a", "b", "c"}));
        QVERIFY(tab.moveRows_view_data(0, 1, 2));
        QCOMPARE(tabNames(tab), (QStringList{"c", "a", "b"}));
        QVERIFY(!tab.moveRows_view_data(0, 2, 2));
    }

    // Every kind of change leaves unsaved work; taking it back or saving the list does not.
    void changesAreUnsavedUntilTheListIsSaved_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("unsaved");
        for (const char *c : {"add tab", "delete tab", "move tab", "group check", "add file", "file speed"})
            QTest::newRow(c) << c << true;
        QTest::newRow("group check and back") << "group check, back" << false;
        QTest::newRow("file speed, undone") << "file speed, undo" << false;
        QTest::newRow("palette choice") << "palette" << false;
    }
    void changesAreUnsavedUntilTheListIsSaved()
    {
        QFETCH(QString, change);
        QFETCH(bool, unsaved);
        useShow("play/a.csv\nplay/b.csv\n#end\n");
        ildaFileTab tab;
        tab.setPrompt(&m_prompt);
        auto *a = qobject_cast<ildaFileSets *>(tab.get_tab(0));
        a->add(QUrl::fromLocalFile(writeIld("shows/a.ild", 1, 2)));
        tab.save_list(QUrl::fromLocalFile(m_root + "play/play.list"), QStringLiteral("list files (*.list )"));
        QVERIFY(!tab.is_modified());
        if (change == QLatin1String("add tab"))
            tab.add_tab("c");
        else if (change == QLatin1String("delete tab"))
            tab.delete_tab(1);
        else if (change == QLatin1String("move tab"))
            tab.moveRows_view_data(0, 1, 1);
        else if (change.startsWith(QLatin1String("group check")))
            a->set_group_check(false);
        else if (change == QLatin1String("add file"))
            a->add(QUrl::fromLocalFile(m_root + "shows/a.ild"));
        else if (change.startsWith(QLatin1String("file speed")))
            a->setPlaySpeed(0, 9);
        else
            tab.set_palette_table(1);
        if (change.endsWith(QLatin1String("back")))
            a->set_group_check(true);
        if (change.endsWith(QLatin1String("undo")))
            a->undo();
        QCOMPARE(tab.is_modified(), unsaved);
        m_prompt.answer = UserPrompt::Cancel;
        QCOMPARE(tab.ask_save_changes(), unsaved ? QStringLiteral("keep") : QStringLiteral("close"));
        m_prompt.answer = UserPrompt::Save; // saved into the open list
        QCOMPARE(tab.ask_save_changes(), QStringLiteral("close"));
        QVERIFY(!tab.is_modified());
    }

    void paletteAndCentreSwitches_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("offset");
        QTest::newRow("default") << 0 << 0;
        QTest::newRow("standard") << 1 << 150;
        QTest::newRow("any_other_is_standard") << 7 << 150;
    }
    void paletteAndCentreSwitches()
    {
        QFETCH(int, index);
        QFETCH(int, offset);
        useShow();
        ildaFileTab tab;
        tab.setPrompt(&m_prompt);
        OwnedViewSettings shared;
        tab.setViewSettings(shared.get());
        tab.set_palette_table(index);
        QCOMPARE(int(shared->colors.offset), offset);
        tab.set_center_HV_line(true);
        QVERIFY(shared->centerLines);
        tab.set_center_HV_line(false);
        QVERIFY(!shared->centerLines);
    }

    void fileInfoText()
    {
        QCOMPARE(ildaFileTab::fileInfoText("/x/a.ilg", 0, 1572864), QStringLiteral("/x/a.ilg"));
        QCOMPARE(ildaFileTab::fileInfoText("/x/a.ilg", 0x3C5, 1572864),
                 QStringLiteral("/x/a.ilg - crc:0x3c5 size:1.50MB"));
    }

    void groupImageOfTheCheckedTabs()
    {
        writeIld("shows/a.ild", 1, 2);
        writeIld("shows/b.ild", 1, 3);
        writeIld("shows/c.ild", 2, 5);
        writeFile(m_root + "play/g1.csv", "1,0,1,shows/a.ild\n#End");
        writeFile(m_root + "play/none.csv", "#1,0,1,shows/c.ild\n#End");
        writeFile(m_root + "play/off.csv", "1,0,1,shows/c.ild\n#End");
        writeFile(m_root + "play/g2.csv", "3,2,4,shows/b.ild\n#End");
        useShow("play/g1.csv\nplay/none.csv\n#play/off.csv\nplay/g2.csv\n#end\n");
        ildaFileTab tab;
        tab.setPrompt(&m_prompt);
        tab.save_list(QUrl::fromLocalFile(m_root + "out"), QStringLiteral("ILDA group (*.ilg )"));
        const QByteArray img = readAll(m_root + "out.ilg");
        QCOMPARE(img.size(), 768);
        const GroupImageCheck c = verifyGroupImage(reinterpret_cast<const uchar *>(img.constData()), img.size());
        QVERIFY2(c.ok(), qPrintable(c.errors.join("; ")));
        QCOMPARE(c.groups, 2);
        QCOMPARE(c.dataEnd, quint64(645));
        QCOMPARE(c.creationTime, qint64(1000));
        QCOMPARE(tab.checksum(), c.storedChecksum);
        QCOMPARE(tab.endAddress(), 645u);
        QCOMPARE(tab.get_current_file_info(),
                 m_root + "out.ilg - crc:0x" + QString::number(c.storedChecksum, 16) + " size:0.00MB");
        auto *g2 = qobject_cast<ildaFileSets *>(tab.get_tab(3));
        QCOMPARE(g2->file_table_address, 568u);
        QCOMPARE(g2->items()[0].frame_table_address, 602u);

        // Text twin: the same groups with the 24-byte header.
        tab.save_list(QUrl::fromLocalFile(m_root + "out"), QStringLiteral("(*.txg )"));
        const QList<QByteArray> lines = readAll(m_root + "out.txg").split('\n');
        QCOMPARE(lines.at(2), QByteArray("g1      ,tab/group:2,0,file num:1,file address:0x36,54,"));
        QCOMPARE(lines.at(3), QByteArray("g2      ,tab/group:2,1,file num:1,file address:0x50,80,"));
        QCOMPARE(tab.get_current_file_info(), m_root + "out.txg");
    }

    void groupImageReadBackIntoTabs()
    {
        writeIld("shows/a.ild", 2, 3);
        writeIld("shows/b.ild", 1, 4);
        writeFile(m_root + "play/first.csv", "1,0,1,shows/a.ild\n5,3,2,shows/b.ild\n#End");
        writeFile(m_root + "play/second.csv", "2,1,9,shows/b.ild\n#End");
        useShow("play/first.csv\nplay/second.csv\n#end\n");
        ildaFileTab tab;
        tab.setPrompt(&m_prompt);
        QAbstractItemModelTester tester(&tab, QAbstractItemModelTester::FailureReportingMode::QtTest);
        tab.save_list(QUrl::fromLocalFile(m_root + "image.ilg"), QStringLiteral("(*.ilg )"));
        QSignalSpy reset(&tab, &QAbstractItemModel::modelReset);
        tab.open_list(QUrl::fromLocalFile(m_root + "image.ilg"), QStringLiteral("ILDA group (*.ilg )"));
        QCOMPARE(reset.count(), 1);
        QCOMPARE(tab.get_current_file_path(), m_root + "image.ilg");
        QCOMPARE(tabNames(tab), (QStringList{"first", "second"}));
        QCOMPARE(int(tab.groupCount()), 2);
        auto *first = qobject_cast<ildaFileSets *>(tab.get_tab(0));
        QCOMPARE(first->rowCount(), 2);
        QCOMPARE(int(first->checkedFileCount), 2);
        QCOMPARE(first->file_table_address, 512u + 30u);
        const FileItem &b = first->items()[1];
        QCOMPARE(b.name, QStringLiteral("b.ild"));
        QCOMPARE(b.path, m_root + "b.ild");
        QCOMPARE(int(b.frame_count), 1);
        QCOMPARE(b.frame_table_address, 512u + 30u + 78u + 16u);
        QCOMPARE(int(b.playSpeed), 5);
        QCOMPARE(int(b.colorType), 3);
        QCOMPARE(int(b.repeater), 2);
        QVERIFY(b.check);
        QCOMPARE(int(qobject_cast<ildaFileSets *>(tab.get_tab(1))->items()[0].repeater), 9);
    }

    // The image keeps only file names; files not found under them play the
    // frames stored in the image, and exporting again gives the same image.
    void groupImageWithMissingSourcesPlaysStoredFrames_data()
    {
        QTest::addColumn<QString>("extension");
        QTest::newRow("group_image") << "ilg";
        QTest::newRow("text_group_image") << "txg";
    }
    void groupImageWithMissingSourcesPlaysStoredFrames()
    {
        QFETCH(QString, extension);
        writeIld("shows/a.ild", 2, 3);
        writeIld("shows/b.ild", 1, 4);
        writeIld("b.ild", 1, 4); // b is found under its name, a is not
        writeFile(m_root + "play/first.csv", "1,0,1,shows/a.ild\n5,3,2,shows/b.ild\n#End");
        useShow("play/first.csv\n#end\n");
        ildaFileTab tab;
        tab.setPrompt(&m_prompt);
        const QString filter = QStringLiteral("(*.%1 )").arg(extension);
        tab.save_list(QUrl::fromLocalFile(m_root + "image." + extension), filter);
        tab.open_list(QUrl::fromLocalFile(m_root + "image." + extension), filter);
        QCOMPARE(tabNames(tab), QStringList{"first"});
        auto *first = qobject_cast<ildaFileSets *>(tab.get_tab(0));
        QCOMPARE(first->rowCount(), 2);

        const QString a = first->data(first->index(0), ildaFileSets::PathRole).toString();
        QVERIFY(a != m_root + "a.ild");
        QCOMPARE(first->items()[0].path, m_root + "a.ild"); // what the settings keep
        QCOMPARE(first->data(first->index(1), ildaFileSets::PathRole).toString(), m_root + "b.ild");
        IldFrameSet stored;
        stored.fromFileIld(a, false);
        QCOMPARE(int(stored.frames.size()), 2);
        QCOMPARE(int(stored.frames[1].vertices.size()), 3);
        const IldVertex &v = stored.frames[1].vertices[2];
        QCOMPARE(v.x, qint16(192)); // 200 stored as 200 / 16 + 2047 comes back as 12 * 16
        QCOMPARE(v.y, qint16(96));
        QCOMPARE(v.r, quint8(255));

        tab.save_list(QUrl::fromLocalFile(m_root + "again." + extension), filter);
        QCOMPARE(readAll(m_root + "again." + extension), readAll(m_root + "image." + extension));
    }

    // A single-group image has no header and no group table: one tab named
    // after the image.
    void singleGroupImageOpensAsOneTab()
    {
        writeIld("shows/a.ild", 2, 3);
        writeIld("shows/b.ild", 1, 4);
        writeFile(m_root + "play/first.csv", "1,0,1,shows/a.ild\n5,3,2,shows/b.ild\n#End");
        useShow("play/first.csv\n#end\n");
        ildaFileTab tab;
        tab.setPrompt(&m_prompt);
        qobject_cast<ildaFileSets *>(tab.get_tab(0))
            ->saveData(QUrl::fromLocalFile(m_root + "one.ilg"), QStringLiteral("(*.ilg )"));
        tab.open_list(QUrl::fromLocalFile(m_root + "one.ilg"), QStringLiteral("(*.ilg )"));
        QCOMPARE(tabNames(tab), QStringList{"one"});
        auto *one = qobject_cast<ildaFileSets *>(tab.get_tab(0));
        QCOMPARE(one->rowCount(), 2);
        QCOMPARE(one->items()[1].name, QStringLiteral("b.ild"));
        QCOMPARE(int(one->items()[1].playSpeed), 5);
        QCOMPARE(int(one->items()[1].frame_count), 1);
    }

    void brokenGroupImagesOpenSafely_data()
    {
        QTest::addColumn<int>("cut");    // bytes kept, -1 all
        QTest::addColumn<int>("offset"); // byte changed, -1 none
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("maxTabs");
        QTest::newRow("header_only_part") << 100 << -1 << 0 << 0;
        QTest::newRow("cut_in_group_table") << 520 << -1 << 0 << 0;
        QTest::newRow("cut_in_file_table") << 512 + 30 + 30 << -1 << 0 << 2;
        QTest::newRow("group_count_0") << -1 << 512 + 8 << 0 << 0;
        QTest::newRow("file_count_too_big") << -1 << 512 + 10 << 250 << 2;
        QTest::newRow("index_never_last") << -1 << 512 + 9 << 9 << 256;
    }
    void brokenGroupImagesOpenSafely()
    {
        QFETCH(int, cut);
        QFETCH(int, offset);
        QFETCH(int, value);
        QFETCH(int, maxTabs);
        writeIld("shows/a.ild", 1, 3);
        writeFile(m_root + "play/x.csv", "1,0,1,shows/a.ild\n#End");
        writeFile(m_root + "play/y.csv", "1,0,1,shows/a.ild\n#End");
        useShow("play/x.csv\nplay/y.csv\n#end\n");
        ildaFileTab tab;
        tab.setPrompt(&m_prompt);
        tab.save_list(QUrl::fromLocalFile(m_root + "good.ilg"), QStringLiteral("(*.ilg )"));
        QByteArray img = readAll(m_root + "good.ilg");
        if (cut >= 0)
            img.truncate(cut);
        if (offset >= 0)
            img[offset] = char(value);
        writeFile(m_root + "bad.ilg", img);
        tab.open_list(QUrl::fromLocalFile(m_root + "bad.ilg"), QStringLiteral("(*.ilg )"));
        QVERIFY(tab.rowCount() <= maxTabs);
        for (ildaFileSets *t : tab.tabList())
            QVERIFY(t->rowCount() <= 256);
    }

    void missingImageKeepsTheGroups()
    {
        useShow("play/a.csv\n#end\n");
        ildaFileTab tab;
        tab.setPrompt(&m_prompt);
        QCOMPARE(tab.rowCount(), 1);
        tab.open_list(QUrl::fromLocalFile(m_root + "nothing.ilg"), QStringLiteral("(*.ilg )"));
        QCOMPARE(tab.rowCount(), 1);
        QCOMPARE(m_prompt.notices.size(), 1);
        QVERIFY(m_prompt.notices[0].contains(m_root + "nothing.ilg\nNot opened: no such file"));
    }

    // The file decides how it is read, not the filter the dialog was left
    // at; "_file_dir.ini" names only lists, and only once they were read.
    void openChoosesTheReaderByContentAndName_data()
    {
        QTest::addColumn<QString>("file"); // in the show folder
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("tabs");
        QTest::addColumn<bool>("recorded");
        const QString list = QStringLiteral("list files (*.list )"), image = QStringLiteral("ilg files (*.ilg )");
        const QStringList both{"first", "second"};
        QTest::newRow("image_under_the_list_filter") << "image.ilg" << list << both << false;
        QTest::newRow("text_image_under_the_list_filter") << "image.txg" << list << both << false;
        QTest::newRow("image_named_like_a_list") << "image-copy.list" << list << both << false;
        QTest::newRow("list_under_the_image_filter") << "play/other.list" << image << QStringList{"k"} << true;
        QTest::newRow("list_without_a_suffix") << "play/other" << list << QStringList{"k"} << true;
    }
    void openChoosesTheReaderByContentAndName()
    {
        QFETCH(QString, file);
        QFETCH(QString, filter);
        QFETCH(QStringList, tabs);
        QFETCH(bool, recorded);
        writeIld("shows/a.ild", 1, 3);
        for (const char *g : {"first", "second", "k"})
            writeFile(m_root + "play/" + g + ".csv", "1,0,1,shows/a.ild\n#End");
        useShow("play/first.csv\nplay/second.csv\n#end\n");
        ildaFileTab tab;
        tab.setPrompt(&m_prompt);
        tab.save_list(QUrl::fromLocalFile(m_root + "image.ilg"), QStringLiteral("(*.ilg )"));
        tab.save_list(QUrl::fromLocalFile(m_root + "image.txg"), QStringLiteral("(*.txg )"));
        QVERIFY(QFile::copy(m_root + "image.ilg", m_root + "image-copy.list"));
        writeFile(m_root + "play/other.list", "play/k.csv\n#end\n");
        writeFile(m_root + "play/other", "play/k.csv\n#end\n");
        tab.add_tab("unsaved");
        const QByteArray ini = readAll(m_config + "/_file_dir.ini");

        tab.open_list(QUrl::fromLocalFile(m_root + file), filter);
        QCOMPARE(tabNames(tab), tabs);
        QCOMPARE(tab.get_current_file_path(), m_root + file);
        QCOMPARE(readAll(m_config + "/_file_dir.ini"),
                 recorded ? (m_root + "\nplay/\n" + QFileInfo(file).fileName() + "\n").toUtf8() : ini);
        QVERIFY2(m_prompt.notices.isEmpty(), qPrintable(m_prompt.notices.join('\n')));
    }

    // A file that is no play list is refused with a notice, whatever its
    // name: the groups shown, the current list and "_file_dir.ini" stay.
    void notAPlayListIsRefused_data()
    {
        QTest::addColumn<QByteArray>("content"); // of play/bad.list; empty: a folder of that name
        QTest::addColumn<QString>("reason");
        QByteArray binary;
        for (int i = 0; i < 4096; ++i)
            binary += char(i * 7);
        QByteArray full, tooMany;
        for (int i = 0; i < 256; ++i)
            (i < 255 ? full : tooMany) += "play/g" + QByteArray::number(i) + ".csv\n";
        QTest::newRow("binary_bytes") << binary << "binary data";
        QTest::newRow("absurd_line_length") << QByteArray(100000, 'a') + "\n#end\n"
                                            << "longer than 1024 bytes";
        QTest::newRow("more_groups_than_a_show_holds") << full + tooMany + "#end\n"
                                                       << "more than 255 groups";
        QTest::newRow("a_folder") << QByteArray() << "not a regular file";
        QTest::newRow("missing") << QByteArray("-") << "no such file";
    }
    void notAPlayListIsRefused()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        useShow("play/a.csv\n#end\n");
        const QString bad = m_root + "play/bad.list";
        if (content.isEmpty())
            QDir().mkpath(bad);
        else if (content != "-")
            writeFile(bad, content);
        const QByteArray ini = readAll(m_config + "/_file_dir.ini");
        ildaFileTab tab;
        tab.setPrompt(&m_prompt);
        QSignalSpy reset(&tab, &QAbstractItemModel::modelReset);
        tab.open_list(QUrl::fromLocalFile(bad), QStringLiteral("list files (*.list )"));
        QCOMPARE(tabNames(tab), QStringList{"a"});
        QCOMPARE(reset.count(), 0);
        QCOMPARE(tab.get_current_file_path(), m_root + "play/play.list");
        QCOMPARE(readAll(m_config + "/_file_dir.ini"), ini);
        QCOMPARE(m_prompt.notices.size(), 1);
        QVERIFY2(m_prompt.notices[0].startsWith("file error\n" + bad + "\nNot opened: not a play list: "),
                 qPrintable(m_prompt.notices[0]));
        QVERIFY2(m_prompt.notices[0].contains(reason), qPrintable(m_prompt.notices[0]));

        // as many groups as a show holds is a list
        if (reason.contains("more than")) {
            writeFile(bad, content.left(content.indexOf("play/g255")) + "#end\n");
            tab.open_list(QUrl::fromLocalFile(bad), QStringLiteral("list files (*.list )"));
            QCOMPARE(tab.rowCount(), 255);
        }
    }

    // A start whose last list cannot be read opens without groups, says so
    // once someone can be told, and never saves over that file.
    void startWithAnUnreadableLastList_data()
    {
        QTest::addColumn<QString>("listName");
        QTest::addColumn<QByteArray>("content"); // empty: a folder; "-": no file
        QTest::addColumn<bool>("noticed");
        QByteArray image("tovrim\0\0", 8);
        image += QByteArray(8, '\0') + "CRCFlash" + QByteArray(2000, '\1');
        QTest::newRow("group_image_recorded_as_the_list") << "show.ilg" << image << true;
        QTest::newRow("binary_list") << "play.list" << QByteArray("play/a.csv\n\0\0\0", 14) << true;
        QTest::newRow("folder") << "play.list" << QByteArray() << true;
        QTest::newRow("first_start_no_list_yet") << "play.list" << QByteArray("-") << false;
    }
    void startWithAnUnreadableLastList()
    {
        QFETCH(QString, listName);
        QFETCH(QByteArray, content);
        QFETCH(bool, noticed);
        const QByteArray ini = (m_root + "\nplay/\n" + listName + "\n").toUtf8();
        writeFile(m_config + "/_file_dir.ini", ini);
        const QString list = m_root + "play/" + listName;
        if (content.isEmpty())
            QDir().mkpath(list);
        else if (content != "-")
            writeFile(list, content);
        ildaFileTab tab;
        QCOMPARE(tab.rowCount(), 0);
        tab.setPrompt(&m_prompt);
        QCOMPARE(m_prompt.notices.size(), noticed ? 1 : 0);
        if (noticed) {
            QVERIFY2(m_prompt.notices[0].contains(list + "\nThe last play list could not be read ("),
                     qPrintable(m_prompt.notices[0]));
            QCOMPARE(tab.get_current_file_path(), QString());
            QVERIFY(!tab.save_current_list()); // Ctrl+S asks where instead
        } else {
            QCOMPARE(tab.get_current_file_path(), list);
        }
        tab.setPrompt(&m_prompt);
        QCOMPARE(m_prompt.notices.size(), noticed ? 1 : 0); // told once
        QCOMPARE(readAll(m_config + "/_file_dir.ini"), ini);
        if (!content.isEmpty() && content != "-")
            QCOMPARE(readAll(list), content);
    }

    // A typed name with a known suffix wins over the filter; only a list
    // save changes "_file_dir.ini".
    void saveChoosesTheFormatByTheTypedName_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QByteArray>("head");
        const QString list = QStringLiteral("list files (*.list )"), image = QStringLiteral("ilg files (*.ilg )");
        QTest::newRow("image_name_under_the_list_filter")
            << "show.ilg" << list << "show.ilg" << QByteArray("tovrim\0\0", 8);
        QTest::newRow("text_image_name_under_the_image_filter")
            << "show.txg" << image << "show.txg" << QByteArray("cal complete\n");
        QTest::newRow("list_name_under_the_image_filter")
            << "set.list" << image << "set.list" << QByteArray("play/g.csv\n#end\n");
        QTest::newRow("bare_name_takes_the_filter") << "set" << list << "set.list" << QByteArray("play/g.csv\n#end\n");
    }
    void saveChoosesTheFormatByTheTypedName()
    {
        QFETCH(QString, typed);
        QFETCH(QString, filter);
        QFETCH(QString, written);
        QFETCH(QByteArray, head);
        writeIld("shows/a.ild", 1, 3);
        writeFile(m_root + "play/g.csv", "1,0,1,shows/a.ild\n#End");
        useShow("play/g.csv\n#end\n");
        const QByteArray ini = readAll(m_config + "/_file_dir.ini");
        ildaFileTab tab;
        tab.setPrompt(&m_prompt);
        tab.save_list(QUrl::fromLocalFile(m_root + "play/" + typed), filter);
        QCOMPARE(QDir(m_root + "play").entryList(QDir::Files), (QStringList{"g.csv", "play.list", written}));
        QVERIFY2(readAll(m_root + "play/" + written).startsWith(head), readAll(m_root + "play/" + written).left(40));
        const bool isList = written.endsWith(QLatin1String(".list"));
        QCOMPARE(readAll(m_config + "/_file_dir.ini"), isList ? (m_root + "\nplay/\n" + written + "\n").toUtf8() : ini);
        QVERIFY(m_prompt.titles.isEmpty());
    }

    void openListSetsTheFolders()
    {
        useShow("#end\n");
        const QString other = m_dir.filePath(QStringLiteral("list%1/").arg(m_case));
        writeFile(other + "sets/mine.list", "sets/k.csv\n#end\n");
        writeFile(other + "sets/k.csv", "1,0,1,shows/k.ild\n#End");
        ildaFileTab tab;
        tab.setPrompt(&m_prompt);
        tab.open_list(QUrl::fromLocalFile(other + "sets/mine.list"), QStringLiteral("(*.list )"));
        QCOMPARE(tab.folderSettings().localDir, other);
        QCOMPARE(tab.folderSettings().playFolder, QStringLiteral("sets/"));
        QCOMPARE(tabNames(tab), QStringList{"k"});
        QCOMPARE(qobject_cast<ildaFileSets *>(tab.get_tab(0))->items()[0].path, other + "shows/k.ild");
        QCOMPARE(readAll(m_config + "/_file_dir.ini"), (other + "\nsets/\nmine.list\n").toUtf8());
    }

    void refusedImageExportKeepsThePreviousFile()
    {
        writeIld("shows/one.ild", 1, 1);
        QByteArray csv;
        for (int i = 0; i < 256; ++i)
            csv += "1,0,1,shows/one.ild\n";
        writeFile(m_root + "play/big.csv", csv + "#End");
        useShow("play/big.csv\n#end\n");
        writeFile(m_root + "keep.ilg", "previous");
        ildaFileTab tab;
        tab.setPrompt(&m_prompt);
        tab.save_list(QUrl::fromLocalFile(m_root + "keep.ilg"), QStringLiteral("(*.ilg )"));
        QCOMPARE(readAll(m_root + "keep.ilg"), QByteArray("previous"));
        QCOMPARE(m_prompt.titles, QStringList{"export error"});
        QCOMPARE(tab.checksum(), 0u);
        QCOMPARE(tab.get_current_file_info(), m_root + "keep.ilg");
    }

    void urlsToPaths_data()
    {
        QTest::addColumn<QUrl>("url");
        QTest::addColumn<QString>("path");
        QTest::newRow("linux") << QUrl("file:///tmp/a b.ild") << "/tmp/a b.ild";
        QTest::newRow("windows_form") << QUrl("file:///C:/out/g") << "C:/out/g";
        QTest::newRow("no_scheme") << QUrl("shows/a.ild") << "shows/a.ild";
    }
    void urlsToPaths()
    {
        QFETCH(QUrl, url);
        QFETCH(QString, path);
        QCOMPARE(localPathFromUrl(url), path);
    }

    void listFolderSplit_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("play");
        QTest::newRow("windows") << "C:/shows/play/"
                                 << "C:/shows/"
                                 << "play/";
        QTest::newRow("linux") << "/home/u/shows/play/"
                               << "/home/u/shows/"
                               << "play/";
        QTest::newRow("top") << "/play/"
                             << "/"
                             << "play/";
    }
    void listFolderSplit()
    {
        QFETCH(QString, folder);
        QFETCH(QString, root);
        QFETCH(QString, play);
        QString r, p;
        PlayFiles::splitListFolder(folder, r, p);
        QCOMPARE(r, root);
        QCOMPARE(p, play);
    }

    // Files are opened where the settings folder used to be the current
    // folder: anything this system does not take as absolute (a Windows-form
    // path included) lies under it.
    void pathsResolveFromTheSettingsFolder_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("resolved");
        QTest::newRow("empty_is_the_folder") << ""
                                             << "/cfg/";
        QTest::newRow("relative") << "shows/a.ild"
                                  << "/cfg/shows/a.ild";
        QTest::newRow("absolute_kept") << "/media/a.ild"
                                       << "/media/a.ild";
        QTest::newRow("windows_form_under_it") << "C:/shows/a.ild"
                                               << "/cfg/C:/shows/a.ild";
    }
    void pathsResolveFromTheSettingsFolder()
    {
        QFETCH(QString, path);
        QFETCH(QString, resolved);
        FolderSettings folders;
        folders.home = QStringLiteral("/cfg");
        QCOMPARE(folders.resolve(path), resolved);
    }
};

QTEST_GUILESS_MAIN(TestIldaFileTab)
#include "tst_ildafiletab.moc"
