// Loads the real pages in-process, with the real models behind them, and
// drives them the way the controls do: the calls the pages make must reach
// the models, and nothing may print a QML warning.

#include "datagram.h"
#include "fakeprompt.h"
#include "framesetmodel.h"
#include "ildadrawwidget.h"
#include "ildafiletab.h"
#include "ildaframedraw.h"
#include "ildframeset.h"
#include "netconfig.h"
#include "palette.h"
#include "simulatedprojector.h"
#include "startup.h"
#include "toolrunner.h"
#include "udp_test.h"

#include <QApplication>
#include <QDir>
#include <QMimeData>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestPages : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_demo;
    FakePrompt m_prompt;
    std::unique_ptr<SimulatedProjector> m_projector;
    std::unique_ptr<ildaFileTab> m_tabs;
    std::unique_ptr<UDP_test> m_udp;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    QQuickWindow *m_root = nullptr;
    QStringList m_warnings;
    QObject *m_folderOf = nullptr;
    QList<QUrl> m_folders;

    // Views parent their delegates visually only: walk the item tree.
    static void collect(QQuickItem *item, QList<QQuickItem *> &out)
    {
        out << item;
        for (QQuickItem *child : item->childItems())
            collect(child, out);
    }
    static QList<QQuickItem *> allItems(QQuickWindow *window)
    {
        QList<QQuickItem *> items;
        collect(window->contentItem(), items);
        return items;
    }
    template <typename T>
    QList<T *> itemsOf(QQuickWindow *window) const
    {
        QList<T *> found;
        for (QQuickItem *item : allItems(window))
            if (T *t = qobject_cast<T *>(item))
                found << t;
        return found;
    }
    QQuickItem *itemWithProperty(QQuickWindow *window, const char *name, const QVariant &value) const
    {
        for (QQuickItem *item : allItems(window))
            if (item->property(name) == value)
                return item;
        return nullptr;
    }
    int frameCount(const QString &relative) const
    {
        IldFrameSet set;
        set.fromFileIld(m_demo + '/' + relative, false);
        return int(set.frames.size());
    }
    QAbstractItemModel *group(int i) const
    {
        QObject *g = nullptr;
        QMetaObject::invokeMethod(m_tabs.get(), "get_tab", Q_RETURN_ARG(QObject *, g), Q_ARG(int, i));
        return qobject_cast<QAbstractItemModel *>(g);
    }

public slots:
    void noteFolder() { m_folders << m_folderOf->property("folder").toUrl(); }

private slots:
    void initTestCase()
    {
        m_demo = m_dir.filePath(QStringLiteral("demo"));
        const ToolResult made = runIldatool({ QStringLiteral("demo"), m_demo });
        QVERIFY2(made.exitCode == 0, made.err.constData());
        const QString config = m_dir.filePath(QStringLiteral("config"));
        QDir().mkpath(config);
        QFile ini(QDir(config).filePath(QStringLiteral("_file_dir.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write((m_demo + QStringLiteral("/\nplay/\nplay.list\n")).toUtf8());
        ini.close();
        qputenv("BEAMDECK_CONFIG_DIR", config.toUtf8());

        configureApplication();
        initPageResources();
        m_tabs.reset(new ildaFileTab);
        // A simulated projector on 127.0.0.1; the program on 127.0.0.2, same port.
        SimulatedProjector::Options projector;
        projector.address = QHostAddress(QStringLiteral("127.0.0.1"));
        projector.port = 0;
        m_projector.reset(new SimulatedProjector(projector));
        QVERIFY(m_projector->listen());
        NetConfig net;
        net.discoveryAddress = QHostAddress(QStringLiteral("127.0.0.1"));
        net.serverAddress = QHostAddress(QStringLiteral("127.0.0.1"));
        net.hostAddress = QHostAddress(QStringLiteral("127.0.0.3"));
        net.bindAddress = QHostAddress(QStringLiteral("127.0.0.2"));
        net.clientPort = m_projector->port();
        m_udp.reset(new UDP_test(net));
        UDP_test::setInstance(m_udp.get());
        m_engine.reset(new QQmlApplicationEngine);
        connect(m_engine.get(), &QQmlEngine::warnings, this, [this](const QList<QQmlError> &list) {
            for (const QQmlError &e : list)
                m_warnings << e.toString();
        });
        registerQmlTypes();
        publishContextObjects(m_engine->rootContext(), m_tabs.get(), m_udp.get());
        m_engine->addImportPath(QStringLiteral("qrc:/"));
        m_engine->load(QUrl(QStringLiteral("qrc:///qml/TabPlayer.qml")));
        QVERIFY(!m_engine->rootObjects().isEmpty());
        m_root = qobject_cast<QQuickWindow *>(m_engine->rootObjects().first());
        QVERIFY(m_root);
        QVERIFY(QTest::qWaitForWindowExposed(m_root));
    }

    void demoGroupsAreListedWithPlayingPreviews()
    {
        QCOMPARE(m_tabs->rowCount(), 3);
        QAbstractItemModel *first = group(0);
        QVERIFY(first && first->rowCount() > 0);
        // one preview per file of the shown group, plus the player
        QTRY_VERIFY(itemsOf<IldaDrawWidget>(m_root).size() >= first->rowCount() + 1);
        const QString firstPath = first->data(first->index(0, 0), 1).toString();
        IldaDrawWidget *player = nullptr;
        for (IldaDrawWidget *w : itemsOf<IldaDrawWidget>(m_root))
            if (w->source() == firstPath && !player)
                player = w;
        QVERIFY(player);
        // the previews and the player step by themselves
        QTRY_VERIFY(player->frameIndex() > 2);
        for (IldaDrawWidget *w : itemsOf<IldaDrawWidget>(m_root))
            if (w->isVisible())
                QTRY_VERIFY(w->frameIndex() > 0);
    }

    void addAndDeleteATab()
    {
        QQuickItem *name = itemWithProperty(m_root, "placeholderText", QStringLiteral("组名"));
        QVERIFY(name);
        name->setProperty("text", QStringLiteral("extra"));
        QMetaObject::invokeMethod(m_root, "addTab");
        QCOMPARE(m_tabs->rowCount(), 4);
        QCOMPARE(m_tabs->data(m_tabs->index(3, 0), 1).toString(), QStringLiteral("extra"));
        QMetaObject::invokeMethod(m_root, "deleteTab", Q_ARG(QVariant, 3));
        QCOMPARE(m_tabs->rowCount(), 3);
    }

    void editorShowsTheFramesOfADoubleClickedFile()
    {
        auto *editor = m_root->findChild<QQuickWindow *>(QStringLiteral("frameWindow"));
        QVERIFY(editor);
        QAbstractItemModel *first = group(0);
        const QString path = first->data(first->index(0, 0), 1).toString();
        IldFrameSet expected;
        expected.fromFileIld(path, false);
        QVERIFY(!expected.frames.empty());

        QMetaObject::invokeMethod(editor, "openFile", Q_ARG(QVariant, path));
        QVERIFY(editor->isVisible());
        QCOMPARE(frameModelInstance().rowCount(), int(expected.frames.size()));
        QTRY_VERIFY(!itemsOf<IldaFrameDraw>(editor).isEmpty());

        // the page's revise button hands its values to the model
        frameModelInstance().reviseFrameSet(1, 0, 2, 600);
        QCOMPARE(frameModelInstance().data(frameModelInstance().index(0, 0), 6).toInt(),
                 int(revisedFrameSet().frames[0].vertices.size()));
        editor->hide();
    }

    // Tiles of frames with lint findings show the marker, the others not.
    void editorTilesShowLintMarkers()
    {
        auto *editor = m_root->findChild<QQuickWindow *>(QStringLiteral("frameWindow"));
        QAbstractItemModel *first = group(0);
        QMetaObject::invokeMethod(editor, "openFile", Q_ARG(QVariant, first->data(first->index(0, 0), 1)));
        QVERIFY(!workFrameSet().frames.empty());
        workFrameSet().frames[0].vertices[0].status = 0; // a lit first point: a warning
        frameModelInstance().refrushModel();
        QTRY_VERIFY(!itemsOf<IldaFrameDraw>(editor).isEmpty());
        int shown = 0;
        int checked = 0;
        for (QQuickItem *item : allItems(editor)) {
            if (item->objectName() != QLatin1String("lintMarker"))
                continue;
            QQuickItem *tile = item;
            while (tile && !tile->property("rowIndex").isValid())
                tile = tile->parentItem();
            QVERIFY(tile);
            const int row = tile->property("rowIndex").toInt();
            const int level = frameModelInstance().data(frameModelInstance().index(row, 0), frameSetModel::LintLevelRole).toInt();
            QCOMPARE(item->isVisible(), level > 0);
            shown += level > 0;
            ++checked;
        }
        QVERIFY(checked > 0);
        QVERIFY(shown > 0);
        editor->hide();
    }

    void paletteChoiceReachesTheColourTables()
    {
        QQuickItem *box = itemWithProperty(m_root, "model", QStringList{ "默认64", "标准256" });
        QVERIFY(box);
        box->setProperty("currentIndex", 1);
        QCOMPARE(int(paletteOffset), 150);
        box->setProperty("currentIndex", 0);
        QCOMPARE(int(paletteOffset), 0);
    }

    void playerPanelFindsControlsAndFeedsTheProjector()
    {
        auto click = [this](const QString &label) {
            QQuickItem *button = itemWithProperty(m_root, "text", label);
            QVERIFY2(button, qPrintable(label));
            QMetaObject::invokeMethod(button, "clicked");
        };
        click(QStringLiteral("搜索"));
        QTRY_COMPARE(m_udp->deviceListModel()->stringList(), QStringList{ QStringLiteral("127.0.0.1") });
        QTRY_COMPARE(m_projector->count(Wire::CmdFeature), 1); // the write request every new device gets

        click(QStringLiteral("控灯请求"));
        QTRY_VERIFY(!m_prompt.boxes.isEmpty() && m_prompt.boxes.last()->title == QStringLiteral("通过"));

        click(QStringLiteral("参数"));
        QTRY_COMPARE(m_projector->count(Wire::CmdSettings), 1);

        QQuickItem *output = itemWithProperty(m_root, "text", QStringLiteral("网络输出"));
        QVERIFY(output);
        output->setProperty("checked", true);
        QTRY_VERIFY(m_projector->count(Wire::CmdFrame) >= 3);
        output->setProperty("checked", false);
        QTest::qWait(200);
        const int sent = m_projector->count(Wire::CmdFrame);
        QTest::qWait(400);
        QCOMPARE(m_projector->count(Wire::CmdFrame), sent);
    }

    void serverLinkButtonShowsTheRealState_data()
    {
        QTest::addColumn<bool>("accepts");
        QTest::newRow("server_accepts") << true;
        QTest::newRow("server_refuses") << false;
    }

    void serverLinkButtonShowsTheRealState()
    {
        QFETCH(bool, accepts);
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        const quint16 port = server.serverPort();
        if (!accepts)
            server.close(); // nothing listens there any more
        m_udp->setServer_address(QStringLiteral("127.0.0.1"));
        m_udp->setServer_port(port);

        QQuickItem *button = itemWithProperty(m_root, "text", QStringLiteral("链接"));
        QVERIFY(button && button->isVisible());
        auto click = [this, button] {
            const QPointF centre = button->mapToScene(QPointF(button->width() / 2, button->height() / 2));
            QTest::mouseClick(m_root, Qt::LeftButton, Qt::NoModifier, centre.toPoint());
        };
        auto stateText = [this] {
            for (const QString &t : {QStringLiteral("正在链接服务器…"), QStringLiteral("已链接服务器")})
                if (itemWithProperty(m_root, "text", t))
                    return t;
            for (QQuickItem *item : allItems(m_root)) {
                const QString t = item->property("text").toString();
                if (t.startsWith(QStringLiteral("链接失败: ")))
                    return t;
            }
            return QString();
        };

        click();
        if (accepts) {
            QTRY_COMPARE(stateText(), QStringLiteral("已链接服务器"));
            QCOMPARE(button->property("text").toString(), QStringLiteral("断开"));
            QVERIFY(server.hasPendingConnections());
            click();
            QCOMPARE(m_udp->server_state(), int(UDP_test::ServerUnlinked));
        } else {
            QTRY_VERIFY(stateText().startsWith(QStringLiteral("链接失败: ")));
            QVERIFY2(stateText().contains(QStringLiteral("refused")), qPrintable(stateText()));
            // A failed link offers "链接" again, and the next click tries again.
            QCOMPARE(button->property("text").toString(), QStringLiteral("链接"));
            QVERIFY(server.listen(QHostAddress::LocalHost, port));
            click();
            QTRY_COMPARE(stateText(), QStringLiteral("已链接服务器"));
            click();
        }
        QCOMPARE(button->property("text").toString(), QStringLiteral("链接"));
        QCOMPARE(stateText(), QString());
    }

    // The start-up path of main(): arguments parsed while the current folder is
    // the caller's, files opened once the pages are loaded.
    void openFromArguments_data()
    {
        QTest::addColumn<QStringList>("args"); // relative to the demo show
        QTest::addColumn<QString>("played");   // "" when the player keeps its file
        QTest::addColumn<int>("addedFrames");
        QTest::addColumn<QStringList>("groups");
        const QStringList demoGroups{ "shapes", "words", "spare" };
        QTest::newRow("ILDA files: first plays, all edited")
            << QStringList{ "shows/star.ild", "./shows/wave.ild" } << "shows/star.ild"
            << frameCount("shows/star.ild") + frameCount("shows/wave.ild") << demoGroups;
        QTest::newRow("group image replaces the groups")
            << QStringList{ "image.ilg" } << "" << 0 << QStringList{ "shapes", "words" };
        QTest::newRow("tab list replaces the groups, bad names skipped")
            << QStringList{ "play/play.list", "missing.ild", "notes.txt" } << "" << 0 << demoGroups;
    }
    void openFromArguments()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, played);
        QFETCH(int, addedFrames);
        QFETCH(QStringList, groups);
        if (!QFile::exists(m_demo + "/image.ilg"))
            QCOMPARE(runIldatool({ "group", "--list", m_demo + "/play/play.list", m_demo + "/image.ilg" }).exitCode, 0);
        QFile notes(m_demo + "/notes.txt");
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.close();

        const QString before = QDir::currentPath();
        QDir::setCurrent(m_demo);
        const StartupArguments parsed = parseStartupArguments(QStringList{ "beamdeck" } + args);
        QDir::setCurrent(QDir::rootPath()); // as the tab manager leaves it at start-up
        QCOMPARE(parsed.exitCode, -1);
        QCOMPARE(parsed.files.size(), args.size());

        QQuickItem *player = itemWithProperty(m_root, "objectName", QStringLiteral("player_left"));
        QVERIFY(player);
        const QString playing = player->property("filePath").toString();
        const int rows = frameModelInstance().rowCount();
        openStartupFiles(*m_engine, parsed.files);
        QDir::setCurrent(before);

        QCOMPARE(player->property("filePath").toString(), played.isEmpty() ? playing : m_demo + '/' + played);
        QCOMPARE(frameModelInstance().rowCount(), rows + addedFrames);
        QStringList names;
        for (int i = 0; i < m_tabs->rowCount(); ++i)
            names << m_tabs->data(m_tabs->index(i, 0), 1).toString();
        QCOMPARE(names, groups);
    }

    // A file manager's drop onto either window adds the files as the command line does.
    void droppedFilesOpenLikeArguments_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("file"); // a new one each time: the model skips the file it read last
        QTest::newRow("main window") << "" << "shows/circle.ild";
        QTest::newRow("frame editor") << "frameWindow" << "shows/spiral.ild";
    }
    void droppedFilesOpenLikeArguments()
    {
        QFETCH(QString, window);
        QFETCH(QString, file);
        QQuickWindow *target = window.isEmpty() ? m_root : m_root->findChild<QQuickWindow *>(window);
        QVERIFY(target);
        target->show();
        QVERIFY(QTest::qWaitForWindowExposed(target));
        const QString path = m_demo + '/' + file;
        const int rows = frameModelInstance().rowCount();

        QMimeData data;
        data.setUrls({ QUrl::fromLocalFile(path) });
        const QPoint at(target->width() / 2, target->height() / 2);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &drop);

        QCOMPARE(frameModelInstance().rowCount(), rows + frameCount(file));
        QQuickItem *player = itemWithProperty(m_root, "objectName", QStringLiteral("player_left"));
        QCOMPARE(player->property("filePath").toString(), path);
        if (target != m_root)
            target->hide();
    }

    // The list and group dialogs open in the show's folders, as file URLs.
    void dialogsOpenInTheShowFolder()
    {
        int seen = 0;
        for (QQuickItem *item : allItems(m_root)) {
            for (QObject *o : item->children()) {
                const bool list = o->property("useForSave").isValid();
                if (!QByteArray(o->metaObject()->className()).contains("FileDialog") ||
                    (!list && !o->property("forSave").isValid()))
                    continue;
                // The value the page assigns; the widget dialog behind it may
                // report its own folder once shown.
                QUrl folder;
                const int notify = o->metaObject()->indexOfSignal("folderChanged()");
                QVERIFY(notify >= 0);
                auto c = connect(o, o->metaObject()->method(notify), this,
                                 metaObject()->method(metaObject()->indexOfSlot("noteFolder()")));
                m_folderOf = o;
                m_folders.clear();
                QMetaObject::invokeMethod(o, "openFor", Q_ARG(QVariant, false));
                disconnect(c);
                QMetaObject::invokeMethod(o, "close");
                QVERIFY(!m_folders.isEmpty());
                folder = m_folders.first();
                QVERIFY2(folder.isLocalFile(), qPrintable(folder.toString()));
                QCOMPARE(QDir(folder.toLocalFile()).absolutePath(),
                         QDir(m_demo + (list ? "/play" : "/shows")).absolutePath());
                ++seen;
            }
        }
        QVERIFY(seen >= 2);
    }

    void noQmlWarnings() { QVERIFY2(m_warnings.isEmpty(), qPrintable(m_warnings.join('\n'))); }

    void cleanupTestCase()
    {
        m_engine.reset();
        UDP_test::setInstance(nullptr);
    }
};

int main(int argc, char *argv[])
{
    qputenv("QT_QUICK_BACKEND", "software");
    QApplication app(argc, argv);
    TestPages test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_pages.moc"
