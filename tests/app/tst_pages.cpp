// Loads the real pages in-process, with the real models behind them, and
// drives them the way the controls do: the calls the pages make must reach
// the models, and nothing may print a QML warning.

#include "appobjects.h"
#include "datagram.h"
#include "drawareawidget.h"
#include "fakeprompt.h"
#include "framesetmodel.h"
#include "ildadrawwidget.h"
#include "ildafilesets.h"
#include "ildafiletab.h"
#include "ildaframedraw.h"
#include "ildframeset.h"
#include "messageboxprompt.h"
#include "netconfig.h"
#include "noticeboard.h"
#include "palette.h"
#include "simulatedprojector.h"
#include "startup.h"
#include "testfiles.h"
#include "toolrunner.h"
#include "udp_test.h"
#include "workprogress.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQmlExpression>
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
    // Before the tab manager and the engine, as in main: both refer to it.
    AppObjects m_objects;
    std::unique_ptr<ildaFileTab> m_tabs;
    std::unique_ptr<UDP_test> m_udp;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    QQuickWindow *m_root = nullptr;
    QStringList m_warnings;
    QObject *m_folderOf = nullptr;
    QList<QUrl> m_folders;
    bool m_translated = false;
    QHash<QString, QSize> m_defaultSizes; // by window object name, "" for the main window

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
    template <typename T> QList<T *> itemsOf(QQuickWindow *window) const
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
    // The visible control of that object name; with a row, the one on that
    // file's tile.
    static QQuickItem *control(QQuickWindow *window, const QString &name, int row = -1)
    {
        for (QQuickItem *item : allItems(window)) {
            if (item->objectName() != name || !item->isVisible())
                continue;
            if (row < 0)
                return item;
            for (QQuickItem *up = item; up; up = up->parentItem())
                if (up->property("fileRow").isValid() && up->property("fileRow").toInt() == row)
                    return item;
        }
        return nullptr;
    }
    QQuickWindow *window(const char *name) const
    {
        return *name ? m_root->findChild<QQuickWindow *>(QString::fromLatin1(name)) : m_root;
    }
    // Shows the window at that size with its layouts settled.
    static void showAt(QQuickWindow *window, QSize size)
    {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        window->resize(size);
        QTRY_COMPARE(window->contentItem()->size(), QSizeF(size));
        // polishes the layouts, then what the views created for the new size
        window->grabWindow();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // tiles of an earlier list
        window->grabWindow();
    }
    // Inside the window and inside every ancestor that clips or lays it out;
    // within a scrolling view it only has to lie where the view scrolls to.
    static bool reachable(QQuickItem *item)
    {
        QRectF r = item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
        auto inside = [](const QRectF &outer, const QRectF &inner) {
            return outer.adjusted(-1, -1, 1, 1).contains(inner);
        };
        for (QQuickItem *up = item->parentItem(); up; up = up->parentItem()) {
            const QRectF box = up->mapRectToScene(QRectF(0, 0, up->width(), up->height()));
            if (up->inherits("QQuickFlickable")) {
                auto *content = up->property("contentItem").value<QQuickItem *>();
                // a view that scrolls one way only reports -1 for the other
                const qreal w = up->property("contentWidth").toReal(), h = up->property("contentHeight").toReal();
                const QRectF scrolled(up->property("originX").toReal(), up->property("originY").toReal(),
                                      w < 0 ? up->width() : w, h < 0 ? up->height() : h);
                if (!inside(scrolled, content->mapRectFromScene(r))) {
                    return false;
                }
                r = box;
            } else if ((up->clip() || up->inherits("QQuickLayout") || up->inherits("QQuickBasePositioner")) &&
                       !inside(box, r)) {
                return false;
            }
        }
        return inside(QRectF(QPointF(), item->window()->size()), r);
    }
    // A label is never given less width than its text takes.
    static bool labelFits(QQuickItem *item)
    {
        if (item->inherits("QQuickText"))
            return item->property("elide").toInt() != Qt::ElideNone || item->property("wrapMode").toInt() != 0 ||
                   item->width() + 1 >= item->implicitWidth();
        if (item->inherits("QQuickControl")) {
            auto *content = item->property("contentItem").value<QQuickItem *>();
            return !content || content->implicitWidth() + item->property("leftPadding").toReal() +
                                       item->property("rightPadding").toReal() <=
                                   item->width() + 1;
        }
        if (item->property("__panel").isValid()) { // the older controls draw their text in a style
            const bool box = QString::fromLatin1(item->metaObject()->className()).startsWith(QLatin1String("ComboBox"));
            const QString text = item->property(box ? "currentText" : "text").toString();
            const qreal need = QFontMetricsF(QGuiApplication::font()).horizontalAdvance(text) + (box ? 30 : 12);
            return item->width() + 1 >= need;
        }
        return true;
    }
    static QPoint centre(QQuickItem *item)
    {
        return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
    }
    // Picks path in the open file dialog and accepts it, as a user does.
    static bool acceptFileDialog(const QString &path, const QString &filter)
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            if (!dialog || !dialog->isVisible())
                continue;
            auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            if (!name)
                return false;
            dialog->selectNameFilter(filter);
            dialog->setDirectory(QFileInfo(path).absolutePath());
            name->setText(QFileInfo(path).fileName()); // typed into the name field
            static_cast<QDialog *>(dialog)->accept();  // what its save button does
            return true;
        }
        return false;
    }
    static void click(QQuickItem *item) { QTest::mouseClick(item->window(), Qt::LeftButton, {}, centre(item)); }
    static void wheel(QQuickItem *item, int notches)
    {
        const QPoint at = centre(item);
        QWheelEvent e(at, item->window()->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(item->window(), &e);
    }
    // Keys go to the focus item of the active window: click the field first.
    static void typeInto(QQuickItem *field, const QString &text)
    {
        QWindow *window = field->window();
        window->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(window));
        click(field);
        QTest::keyClick(window, Qt::Key_A, Qt::ControlModifier);
        for (QChar c : text)
            QTest::keyClick(window, c.toLatin1());
    }
    // "arrow up", "wheel down", "type 123": what a user does to a spin or combo box.
    static void operate(QQuickItem *box, const QString &action)
    {
        const QString how = action.section(QLatin1Char(' '), 0, 0);
        const QString what = action.section(QLatin1Char(' '), 1);
        if (how == QLatin1String("wheel")) {
            wheel(box, what == QLatin1String("up") ? 1 : -1);
        } else if (how == QLatin1String("arrow")) {
            QList<QQuickItem *> parts;
            collect(box, parts);
            const QString arrow = what == QLatin1String("up") ? QStringLiteral("mouseUp") : QStringLiteral("mouseDown");
            for (QQuickItem *part : parts)
                if (part->objectName() == arrow)
                    click(part);
        } else {
            typeInto(box, what);
        }
    }
    // Clicks the group's tab in the list, as a user picks a group.
    void showGroup(int i)
    {
        const QString name = m_tabs->data(m_tabs->index(i, 0), ildaFileTab::NameRole).toString();
        for (QQuickItem *item : allItems(m_root))
            if (item->isVisible() && item->property("text").toString() == name) {
                click(item);
                break;
            }
        QTRY_COMPARE(tilePreviews().size(), group(i)->rowCount());
    }
    // The previews of the group on show, in row order.
    QList<IldaDrawWidget *> tilePreviews() const
    {
        QList<IldaDrawWidget *> tiles;
        for (int row = 0; QQuickItem *w = control(m_root, QStringLiteral("ildaPainterSet"), row); ++row)
            tiles << qobject_cast<IldaDrawWidget *>(w);
        return tiles;
    }
    IldaDrawWidget *player() const
    {
        return qobject_cast<IldaDrawWidget *>(control(m_root, QStringLiteral("ildaPlaySet")));
    }
    ildaFileSets *shapes() const { return m_tabs->tabList().at(0); }
    QByteArray exportShapes(const QString &name)
    {
        const QString path = m_dir.filePath(name);
        shapes()->saveData(QUrl::fromLocalFile(path), QStringLiteral("text group files (*.txg )"));
        return readAll(path);
    }

    QAbstractItemModel *group(int i) const
    {
        QObject *g = nullptr;
        QMetaObject::invokeMethod(m_tabs.get(), "get_tab", Q_RETURN_ARG(QObject *, g), Q_ARG(int, i));
        return qobject_cast<QAbstractItemModel *>(g);
    }

    QQuickWindow *noticeWindow() const { return m_root->findChild<QQuickWindow *>(QStringLiteral("noticeWindow")); }
    // The notice window's "关闭": the window goes, and its lines with it.
    void closeNotices()
    {
        QQuickWindow *notices = noticeWindow();
        QVERIFY(notices);
        QTRY_VERIFY(notices->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(notices));
        click(control(notices, QStringLiteral("noticeClose")));
        QTRY_VERIFY(!notices->isVisible());
        QCOMPARE(m_objects.notices.count(), 0);
    }
    // Picks files in the open file dialog as a user does: the filter, the
    // names, "Open". False when no dialog came up.
    static bool pickInFileDialog(const QStringList &paths, const QString &filter)
    {
        QFileDialog *dialog = nullptr;
        (void)QTest::qWaitFor([&] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *d = qobject_cast<QFileDialog *>(w); d && d->isVisible())
                    dialog = d;
            return dialog != nullptr;
        });
        if (!dialog)
            return false;
        dialog->selectNameFilter(filter);
        dialog->setDirectory(QFileInfo(paths.first()).absolutePath());
        // Typed into the name field, as the dialog reads it on "Open".
        QStringList names;
        for (const QString &p : paths)
            names << '"' + QFileInfo(p).fileName() + '"';
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        if (!name)
            return false;
        for (QAbstractItemView *view : dialog->findChildren<QAbstractItemView *>())
            view->clearSelection(); // what was picked last time
        QCoreApplication::processEvents();
        name->setText(paths.size() == 1 ? QFileInfo(paths.first()).fileName() : names.join(' '));
        static_cast<QDialog *>(dialog)->accept(); // "Open"
        if (dialog->isVisible()) {
            dialog->reject();
            return false;
        }
        return true;
    }
    static QQuickItem *visibleWithText(QQuickWindow *window, const QString &text)
    {
        for (QQuickItem *item : allItems(window))
            if (item->isVisible() && item->property("text").toString() == text)
                return item;
        return nullptr;
    }
    QStringList groupNames() const
    {
        QStringList names;
        for (int i = 0; i < m_tabs->rowCount(); ++i)
            names << m_tabs->data(m_tabs->index(i, 0), ildaFileTab::NameRole).toString();
        return names;
    }
    // The main window's "打开" with that file and filter.
    bool openInMainWindow(const QString &path, const QString &filter)
    {
        click(visibleWithText(m_root, QStringLiteral("打开")));
        return pickInFileDialog({path}, filter);
    }
    // A file that is no ILDA file, one that is empty and one cut short, in a
    // folder of their own (the editor does not read the file it read last again).
    QStringList badIldaFiles(const QString &folderName)
    {
        const QString folder = m_dir.filePath(folderName);
        const QByteArray whole = readAll(m_demo + "/shows/star.ild");
        writeFile(folder + "/empty.ild", QByteArray());
        writeFile(folder + "/notilda.ild", "not ILDA data at all");
        writeFile(folder + "/trunc2.ild", whole.left(whole.size() - 5));
        return {folder + "/empty.ild", folder + "/notilda.ild", folder + "/trunc2.ild"};
    }
    QQuickWindow *editorWindow() const { return m_root->findChild<QQuickWindow *>(QStringLiteral("frameWindow")); }
    // The widget behind a page's file dialog, once it shows.
    static QFileDialog *shownFileDialog()
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *dialog = qobject_cast<QFileDialog *>(w))
                if (dialog->isVisible())
                    return dialog;
        return nullptr;
    }
    // The demo's groups as a group image.
    QString exportImage()
    {
        const QString path = m_dir.filePath(QStringLiteral("groups.ilg"));
        if (!QFile::exists(path))
            m_tabs->save_list(QUrl::fromLocalFile(path), QStringLiteral("ilg files (*.ilg )"));
        return path;
    }
    // An empty working list with nothing unsaved, as when the editor first opens.
    void emptyEditor()
    {
        m_objects.frameModel.selectAll();
        m_objects.frameModel.deleteFrame();
        const UserPrompt::Button was = m_prompt.modalAnswer;
        m_prompt.modalAnswer = UserPrompt::Discard;
        m_objects.frameModel.ask_save_changes();
        m_prompt.modalAnswer = was;
        QCOMPARE(m_objects.frameModel.rowCount(), 0);
        QVERIFY(!m_objects.frameModel.isModified());
    }

public slots:
    void noteFolder() { m_folders << m_folderOf->property("folder").toUrl(); }

private slots:
    void initTestCase()
    {
        m_demo = m_dir.filePath(QStringLiteral("demo"));
        const ToolResult made = runIldatool({QStringLiteral("demo"), m_demo});
        QVERIFY2(made.exitCode == 0, made.err.constData());
        const QString config = m_dir.filePath(QStringLiteral("config"));
        QDir().mkpath(config);
        QFile ini(QDir(config).filePath(QStringLiteral("_file_dir.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write((m_demo + QStringLiteral("/\nplay/\nplay.list\n")).toUtf8());
        ini.close();
        qputenv("BEAMDECK_CONFIG_DIR", config.toUtf8());
        qputenv("SOURCE_DATE_EPOCH", "0"); // exports of the same group compare equal

        configureApplication();
        m_translated = installPageServices(*qApp);
        initPageResources();
        m_tabs.reset(new ildaFileTab);
        m_tabs->setPrompt(&m_prompt);
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
        m_udp->setPrompt(&m_prompt);
        m_engine.reset(new QQmlApplicationEngine);
        connect(m_engine.get(), &QQmlEngine::warnings, this, [this](const QList<QQmlError> &list) {
            for (const QQmlError &e : list)
                m_warnings << e.toString();
        });
        registerQmlTypes();
        m_objects.handDown(m_engine.get(), m_tabs.get(), m_udp.get(), &m_prompt);
        publishContextObjects(m_engine->rootContext(), m_tabs.get(), &m_objects.frameModel, m_udp.get(),
                              &m_objects.progress);
        m_engine->addImportPath(QStringLiteral("qrc:/"));
        m_engine->load(QUrl(QStringLiteral("qrc:///qml/TabPlayer.qml")));
        QVERIFY(!m_engine->rootObjects().isEmpty());
        m_root = qobject_cast<QQuickWindow *>(m_engine->rootObjects().first());
        QVERIFY(m_root);
        QVERIFY(QTest::qWaitForWindowExposed(m_root));
        for (const char *name : {"", "frameWindow", "drawingWindow"})
            m_defaultSizes.insert(QString::fromLatin1(name), window(name)->size());
    }

    void demoGroupsAreListedWithStillPreviews()
    {
        QCOMPARE(m_tabs->rowCount(), 3);
        QAbstractItemModel *first = group(0);
        QVERIFY(first && first->rowCount() > 0);
        QTRY_COMPARE(tilePreviews().size(), first->rowCount());
        // the player shows the first file, still; nothing plays until asked
        QVERIFY(player());
        QCOMPARE(player()->source(), first->data(first->index(0, 0), 1).toString());
        QTest::mouseMove(m_root, QPoint(2, m_root->height() - 2));
        QTest::qWait(300);
        QCOMPARE(player()->frameIndex(), 0);
        for (IldaDrawWidget *w : tilePreviews())
            QCOMPARE(w->frameIndex(), 0);
        // only the page on show is built: the other groups' files are not read
        QCOMPARE(itemsOf<IldaDrawWidget>(m_root).size(), first->rowCount() + 1); // and the player
    }

    // Before any hover a tile reads the file's own frame count, not the
    // first-frame preview's "0/0".
    void tilesShowTheirFrameCounts()
    {
        showGroup(1);
        const QList<IldaDrawWidget *> tiles = tilePreviews();
        for (int row = 0; row < tiles.size(); ++row) {
            IldFrameSet set;
            set.fromFileIld(tiles[row]->source(), false);
            const QString label = control(m_root, QStringLiteral("frameLabel"), row)->property("text").toString();
            QVERIFY2(label.startsWith(QStringLiteral("帧 0/%1 ").arg(set.frames.size() - 1)), qPrintable(label));
            QCOMPARE(tiles[row]->frameMaxIndex(), 0); // still only the first frame read
        }
        showGroup(0);
    }

    void previewStepsOnlyUnderThePointer()
    {
        showGroup(0); // its tab clicked: the pointer is off the tiles
        const QList<IldaDrawWidget *> tiles = tilePreviews();
        QVERIFY(tiles.size() >= 2);
        QTest::mouseMove(m_root, centre(tiles[1]));
        QTRY_VERIFY(tiles[1]->frameIndex() > 2);
        QCOMPARE(tiles[0]->frameIndex(), 0);
        QTest::mouseMove(m_root, QPoint(2, m_root->height() - 2));
        QTest::qWait(100);
        const int stopped = tiles[1]->frameIndex();
        QTest::qWait(300);
        QCOMPARE(tiles[1]->frameIndex(), stopped);
    }

    // A file that is not ILDA, added to a group: a notice names it, its tile
    // is marked, and a double-click on the tile gets notices from the player
    // and the editor, which both keep showing what they showed.
    void badFileIsReportedNotShown()
    {
        const QString bad = m_dir.filePath(QStringLiteral("bad.ild"));
        QFile file(bad);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not ILDA data at all");
        file.close();
        auto *editor = m_root->findChild<QQuickWindow *>(QStringLiteral("frameWindow"));
        QVERIFY(editor);
        const QString editorTitle = editor->title();
        QQuickItem *playerPanel = nullptr;
        for (QQuickItem *item : allItems(m_root))
            if (!playerPanel && item->property("filePath").isValid())
                playerPanel = item;
        QVERIFY(playerPanel);
        const QString shown = playerPanel->property("filePath").toString();

        QAbstractItemModel *first = group(0);
        const int rows = first->rowCount();
        NoticeBoard &board = m_objects.notices;
        board.dismiss();
        const int boxes = m_prompt.boxes.size();
        const LogCapture told("beamdeck.prompt");
        QMetaObject::invokeMethod(first, "add",
                                  Q_ARG(QVariant, QVariant::fromValue(QList<QUrl>{QUrl::fromLocalFile(bad)})));
        QCOMPARE(first->rowCount(), rows + 1);
        QCOMPARE(board.lines().size(), 1);
        QVERIFY(board.lines().last().startsWith(bad + "\nnot-ILDA"));

        auto visibleMark = [this]() -> QQuickItem * {
            for (QQuickItem *item : allItems(m_root))
                if (item->objectName() == QLatin1String("noFramesMark") && item->isVisible())
                    return item;
            return nullptr;
        };
        QQuickItem *mark = nullptr;
        QTRY_VERIFY((mark = visibleMark()) != nullptr);
        QCOMPARE(control(m_root, QStringLiteral("frameLabel"), rows)->property("text").toString(),
                 QStringLiteral("无帧"));
        const QPoint centre = mark->mapToScene(QPointF(mark->width() / 2, mark->height() / 2)).toPoint();
        QTest::mouseDClick(m_root, Qt::LeftButton, Qt::NoModifier, centre);
        QTRY_COMPARE(LogCapture::count(), 3); // the group's, the player's and the editor's
        QCOMPARE(board.lines().size(), 1);    // one line for the one file
        QCOMPARE(m_prompt.boxes.size(), boxes);
        QCOMPARE(playerPanel->property("filePath").toString(), shown);
        QCOMPARE(editor->title(), editorTitle);
        editor->hide();
        first->removeRows(rows, 1);
        closeNotices();
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
        QCOMPARE(m_objects.frameModel.rowCount(), int(expected.frames.size()));
        QTRY_VERIFY(!itemsOf<IldaFrameDraw>(editor).isEmpty());

        // the page's revise button hands its values to the model
        m_objects.frameModel.reviseFrameSet(1, 0, 2, 600);
        QCOMPARE(m_objects.frameModel.data(m_objects.frameModel.index(0, 0), 6).toInt(),
                 int(m_objects.revisedSet.frames[0].vertices.size()));

        // the selection count follows the buttons
        QVERIFY(QTest::qWaitForWindowExposed(editor));
        auto counter = [editor] {
            for (QQuickItem *item : allItems(editor))
                if (item->property("text").toString().startsWith(QStringLiteral("选中 ")))
                    return item->property("text").toString();
            return QString();
        };
        const int rows = m_objects.frameModel.rowCount();
        const QList<QPair<QString, int>> steps{
            {QStringLiteral("全选"), rows}, {QStringLiteral("反选"), 0}, {QStringLiteral("反选"), rows}};
        for (const auto &step : steps) {
            click(itemWithProperty(editor, "text", step.first));
            QCOMPARE(counter(), QStringLiteral("选中 %1 帧").arg(step.second));
        }
        editor->hide();
    }

    // The centring buttons of a frame tile reach their own frame, and the save
    // carries the centred points.
    void tileCentreButtonsReachTheFrameAndTheFile_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("alongX");
        QTest::addColumn<bool>("alongY");
        QTest::newRow("X") << "X" << true << false;
        QTest::newRow("Y") << "Y" << false << true;
        QTest::newRow("XY") << "XY" << true << true;
    }
    void tileCentreButtonsReachTheFrameAndTheFile()
    {
        QFETCH(QString, button);
        QFETCH(bool, alongX);
        QFETCH(bool, alongY);
        auto *editor = m_root->findChild<QQuickWindow *>(QStringLiteral("frameWindow"));
        QAbstractItemModel *first = group(0);
        QMetaObject::invokeMethod(editor, "openFile", Q_ARG(QVariant, first->data(first->index(0, 0), 1)));
        editor->show();
        QVERIFY(QTest::qWaitForWindowExposed(editor));
        QVERIFY(!m_objects.workSet.frames.empty());
        IldFrame &frame = m_objects.workSet.frames[0];
        for (IldVertex &v : frame.vertices) { // off centre on both axes
            v.x = qint16(qBound(-32767, v.x / 4 + 8000, 32767));
            v.y = qint16(qBound(-32767, v.y / 4 + 8000, 32767));
        }
        frame.offsetX = frame.offsetY = 0;
        m_objects.frameModel.refrushModel();

        QQuickItem *target = nullptr;
        QTRY_VERIFY(!itemsOf<IldaFrameDraw>(editor).isEmpty());
        for (QQuickItem *item : allItems(editor)) {
            if (item->property("text").toString() != button || !item->isVisible())
                continue;
            QQuickItem *tile = item;
            while (tile && !tile->property("rowIndex").isValid())
                tile = tile->parentItem();
            if (tile && tile->property("rowIndex").toInt() == 0)
                target = item;
        }
        QVERIFY(target);
        QTest::mouseClick(editor, Qt::LeftButton, Qt::NoModifier,
                          target->mapToScene(QPointF(target->width() / 2, target->height() / 2)).toPoint());
        QCOMPARE(frame.offsetX != 0.0f, alongX);
        QCOMPARE(frame.offsetY != 0.0f, alongY);

        for (IldFrame &f : m_objects.workSet.frames)
            f.check = &f == &frame;
        const QString saved = m_dir.filePath(QStringLiteral("centred.ild"));
        QVERIFY(m_objects.workSet.saveIld(saved, m_objects.view.colors));
        IldFrameSet back;
        back.fromFileIld(saved, false);
        QCOMPARE(int(back.frames.size()), 1);
        int minX = 32767, maxX = -32767, minY = 32767, maxY = -32767;
        for (const IldVertex &v : back.frames[0].vertices) {
            minX = qMin(minX, int(v.x)), maxX = qMax(maxX, int(v.x));
            minY = qMin(minY, int(v.y)), maxY = qMax(maxY, int(v.y));
        }
        QCOMPARE(qAbs(minX + maxX) <= 2, alongX);
        QCOMPARE(qAbs(minY + maxY) <= 2, alongY);
        editor->hide();
    }

    // Tiles of frames with lint findings show the marker, the others not.
    void editorTilesShowLintMarkers()
    {
        auto *editor = m_root->findChild<QQuickWindow *>(QStringLiteral("frameWindow"));
        QAbstractItemModel *first = group(0);
        QMetaObject::invokeMethod(editor, "openFile", Q_ARG(QVariant, first->data(first->index(0, 0), 1)));
        QVERIFY(!m_objects.workSet.frames.empty());
        m_objects.workSet.frames[0].vertices[0].status = 0; // a lit first point: a warning
        m_objects.frameModel.refrushModel();
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
            const int level =
                m_objects.frameModel.data(m_objects.frameModel.index(row, 0), frameSetModel::LintLevelRole).toInt();
            QCOMPARE(item->isVisible(), level > 0);
            shown += level > 0;
            ++checked;
        }
        QVERIFY(checked > 0);
        QVERIFY(shown > 0);
        editor->hide();
    }

    // A double-click plays the file; the bar keeps following when another
    // file comes (a bar that clamped its value used to freeze at the start).
    void playerProgressFollowsADoubleClickedFile()
    {
        showGroup(0); // its tab clicked: the pointer is off the tiles
        const QList<IldaDrawWidget *> tiles = tilePreviews();
        QQuickItem *bar = control(m_root, QStringLiteral("ildaProgress"));
        QVERIFY(bar);
        auto position = [bar] {
            const double min = bar->property("minimumValue").toDouble();
            const double max = bar->property("maximumValue").toDouble();
            return (bar->property("value").toDouble() - min) / (max - min);
        };
        for (int row : {0, 2}) { // not star.ild: later tests add it to the editor
            QTest::mouseDClick(m_root, Qt::LeftButton, {}, centre(tiles[row]));
            QTRY_COMPARE(player()->source(), tiles[row]->source());
            QTRY_VERIFY(player()->frameIndex() > player()->frameMaxIndex() / 2);
            QVERIFY(position() > 0.4);
            QCOMPARE(position(), double(player()->frameIndex()) / player()->frameMaxIndex());
        }
        auto *editor = m_root->findChild<QQuickWindow *>(QStringLiteral("frameWindow"));
        QTRY_VERIFY(editor->isVisible()); // the double-click opens the file there too
        editor->hide();
    }

    // What a user sets on a file's tile reaches that file's row, and the
    // group's settings file keeps it.
    void groupControlReachesItsRowAndTheSavedFile_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("role");
        QTest::addColumn<int>("expected");
        const int colour = ildaFileSets::ColorTypeRole, repeat = ildaFileSets::RepeaterRole;
        // entry k chosen on row r used to write row k
        QTest::newRow("colour type, first file") << "color_type" << 0 << "wheel down" << colour << 1;
        QTest::newRow("colour type, first file, next entry") << "color_type" << 0 << "wheel down" << colour << 2;
        QTest::newRow("colour type, third file") << "color_type" << 2 << "wheel down" << colour << 1;
        QTest::newRow("repeat, up arrow") << "repeater_Box" << 0 << "arrow up" << repeat << 3;
        QTest::newRow("repeat, down arrow") << "repeater_Box" << 1 << "arrow down" << repeat << 0;
        QTest::newRow("repeat, wheel") << "repeater_Box" << 2 << "wheel up" << repeat << 2;
        QTest::newRow("repeat, typed") << "repeater_Box" << 1 << "type 27" << repeat << 27;
    }
    void groupControlReachesItsRowAndTheSavedFile()
    {
        showGroup(0); // its tab clicked: the pointer is off the tiles
        QFETCH(QString, box);
        QFETCH(int, row);
        QFETCH(QString, action);
        QFETCH(int, role);
        QFETCH(int, expected);
        ildaFileSets *files = shapes();
        if (!control(m_root, box, row))
            click(control(m_root, QStringLiteral("ref_set_button"))); // shows the parameter editors
        QTRY_VERIFY(control(m_root, box, row));

        auto table = [](const QAbstractItemModel *m) {
            QList<QVariantList> rows;
            for (int r = 0; r < m->rowCount(); ++r)
                rows << QVariantList{m->data(m->index(r, 0), ildaFileSets::PathRole),
                                     m->data(m->index(r, 0), ildaFileSets::PlaySpeedRole),
                                     m->data(m->index(r, 0), ildaFileSets::ColorTypeRole),
                                     m->data(m->index(r, 0), ildaFileSets::RepeaterRole)};
            return rows;
        };
        QList<QVariantList> want = table(files);
        want[row][role - ildaFileSets::PlaySpeedRole + 1] = expected;

        operate(control(m_root, box, row), action);
        QCOMPARE(table(files), want);
        // saved and read back, the group is what the tiles showed
        QCOMPARE(files->saveSetting(), 0);
        const ildaFileSets reread(m_tabs->get_tab_name(0), m_tabs->folderSettings());
        QCOMPARE(table(&reread), want);
        // and a page built afresh shows the stored value on that tile
        files->frush();
        const char *shown = box == QLatin1String("color_type") ? "currentIndex" : "value";
        QTRY_COMPARE(control(m_root, box, row) ? control(m_root, box, row)->property(shown).toInt() : -1, expected);
    }

    // The palette table is one for the program: a new group page shows it and
    // leaves it alone; only a user's choice changes it.
    void paletteChoiceSurvivesANewPage()
    {
        showGroup(0);                                               // its tab clicked: the pointer is off the tiles
        wheel(control(m_root, QStringLiteral("palette_type")), -1); // "标准256"
        QCOMPARE(int(m_objects.view.colors.offset), 150);
        const QByteArray standard = exportShapes(QStringLiteral("standard.txg"));
        QVERIFY(!standard.isEmpty());

        typeInto(itemWithProperty(m_root, "placeholderText", QStringLiteral("组名")), QStringLiteral("more"));
        click(itemWithProperty(m_root, "text", QStringLiteral("增加")));
        QCOMPARE(m_tabs->rowCount(), 4);
        QCOMPARE(m_tabs->data(m_tabs->index(3, 0), ildaFileTab::NameRole).toString(), QStringLiteral("more"));
        QCOMPARE(int(m_objects.view.colors.offset), 150);
        QTRY_COMPARE(control(m_root, QStringLiteral("palette_type"))->property("currentIndex").toInt(), 1);
        QCOMPARE(exportShapes(QStringLiteral("again.txg")), standard);

        wheel(control(m_root, QStringLiteral("palette_type")), 1); // back to "默认64" on the new page
        QCOMPARE(int(m_objects.view.colors.offset), 0);
        QVERIFY(exportShapes(QStringLiteral("default.txg")) != standard); // the demo has an indexed file
        QMetaObject::invokeMethod(m_root, "deleteTab", Q_ARG(QVariant, 3));
        QTRY_COMPARE(control(m_root, QStringLiteral("palette_type"))->property("currentIndex").toInt(), 0);
    }

    void playerPanelFindsControlsAndFeedsTheProjector()
    {
        auto click = [this](const QString &label) {
            QQuickItem *button = itemWithProperty(m_root, "text", label);
            QVERIFY2(button, qPrintable(label));
            QMetaObject::invokeMethod(button, "clicked");
        };
        click(QStringLiteral("搜索"));
        QTRY_COMPARE(m_udp->deviceListModel()->stringList(), QStringList{QStringLiteral("127.0.0.1")});
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

    // Every change of a port box reaches net_udp: arrows, wheel and typing.
    void portBoxesCommitEveryChange_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QString>("action");
        QTest::newRow("server port, up arrow") << "ip_server_port" << QByteArray("server_port") << "arrow up";
        QTest::newRow("server port, wheel") << "ip_server_port" << QByteArray("server_port") << "wheel down";
        QTest::newRow("server port, typed") << "ip_server_port" << QByteArray("server_port") << "type 7000";
        // up and back down: the projector's port again afterwards
        QTest::newRow("device port, up arrow") << "ip_port" << QByteArray("client_port") << "arrow up";
        QTest::newRow("device port, wheel") << "ip_port" << QByteArray("client_port") << "wheel down";
    }
    void portBoxesCommitEveryChange()
    {
        QFETCH(QString, box);
        QFETCH(QByteArray, property);
        QFETCH(QString, action);
        QQuickItem *spin = control(m_root, box);
        QVERIFY(spin);
        const int shown = spin->property("value").toInt();
        QCOMPARE(m_udp->property(property).toInt(), shown);
        operate(spin, action);
        const int want = action.startsWith(QLatin1String("type"))
                             ? action.section(QLatin1Char(' '), 1).toInt()
                             : shown + (action.endsWith(QLatin1String("up")) ? 1 : -1);
        QCOMPARE(spin->property("value").toInt(), want);
        QCOMPARE(m_udp->property(property).toInt(), want);
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
            // Qt's own reason, in Chinese where Qt's translations are installed.
            QVERIFY2(stateText().contains(QStringLiteral("refused")) || stateText().contains(QStringLiteral("拒绝")),
                     qPrintable(stateText()));
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
        const QStringList demoGroups{"shapes", "words", "spare"};
        QTest::newRow("ILDA files: first plays, all edited")
            << QStringList{"shows/star.ild", "./shows/wave.ild"} << "shows/star.ild"
            << frameCount("shows/star.ild") + frameCount("shows/wave.ild") << demoGroups;
        QTest::newRow("group image replaces the groups")
            << QStringList{"image.ilg"} << "" << 0 << QStringList{"shapes", "words"};
        QTest::newRow("tab list replaces the groups, bad names skipped")
            << QStringList{"play/play.list", "missing.ild", "notes.txt"} << "" << 0 << demoGroups;
    }
    void openFromArguments()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, played);
        QFETCH(int, addedFrames);
        QFETCH(QStringList, groups);
        if (!QFile::exists(m_demo + "/image.ilg"))
            QCOMPARE(runIldatool({"group", "--list", m_demo + "/play/play.list", m_demo + "/image.ilg"}).exitCode, 0);
        QFile notes(m_demo + "/notes.txt");
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.close();

        const QString before = QDir::currentPath();
        QDir::setCurrent(m_demo);
        const StartupArguments parsed = parseStartupArguments(QStringList{"beamdeck"} + args);
        QDir::setCurrent(QDir::rootPath()); // as the tab manager leaves it at start-up
        QCOMPARE(parsed.exitCode, -1);
        QCOMPARE(parsed.files.size(), args.size());

        QQuickItem *player = itemWithProperty(m_root, "objectName", QStringLiteral("player_left"));
        QVERIFY(player);
        const QString playing = player->property("filePath").toString();
        const int rows = m_objects.frameModel.rowCount();
        openStartupFiles(*m_engine, parsed.files);
        QDir::setCurrent(before);

        QCOMPARE(player->property("filePath").toString(), played.isEmpty() ? playing : m_demo + '/' + played);
        QCOMPARE(m_objects.frameModel.rowCount(), rows + addedFrames);
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
        QTest::newRow("main window") << ""
                                     << "shows/circle.ild";
        QTest::newRow("frame editor") << "frameWindow"
                                      << "shows/spiral.ild";
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
        const int rows = m_objects.frameModel.rowCount();

        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        const QPoint at(target->width() / 2, target->height() / 2);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &drop);

        QCOMPARE(m_objects.frameModel.rowCount(), rows + frameCount(file));
        QQuickItem *player = itemWithProperty(m_root, "objectName", QStringLiteral("player_left"));
        QCOMPARE(player->property("filePath").toString(), path);
        if (target != m_root)
            target->hide();
    }

    // What the editor's file dialog hands over becomes a path through the
    // one conversion the pages reach as fileOpener.localPath.
    void dialogUrlsBecomePaths_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("path");
        QTest::newRow("chinese_name") << "file:///tmp/%E6%BF%80%E5%85%89.ild" << QString::fromUtf8("/tmp/激光.ild");
        QTest::newRow("plain_path") << "/tmp/a b.ild"
                                    << "/tmp/a b.ild";
        QTest::newRow("windows_form") << "file:///C:/shows/a.ild"
                                      << "C:/shows/a.ild";
    }
    void dialogUrlsBecomePaths()
    {
        QFETCH(QString, url);
        QFETCH(QString, path);
        QQmlExpression expr(m_engine->rootContext(), nullptr, QStringLiteral("fileOpener.localPath(\"%1\")").arg(url));
        QCOMPARE(expr.evaluate().toString(), path);
        QVERIFY(!expr.hasError());
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
                // What the user sees: the folder of the dialog on screen.
                QFileDialog *shown = nullptr;
                QTRY_VERIFY((shown = shownFileDialog()) != nullptr);
                const QString onScreen = shown->directory().absolutePath();
                QMetaObject::invokeMethod(o, "close");
                QVERIFY(!m_folders.isEmpty());
                folder = m_folders.first();
                QVERIFY2(folder.isLocalFile(), qPrintable(folder.toString()));
                const QString expected = QDir(m_demo + (list ? "/play" : "/shows")).absolutePath();
                QCOMPARE(QDir(folder.toLocalFile()).absolutePath(), expected);
                QCOMPARE(onScreen, expected);
                ++seen;
            }
        }
        QVERIFY(seen >= 2);
    }

    void editorAndDrawingPageMakeFrames()
    {
        auto *editor = m_root->findChild<QQuickWindow *>(QStringLiteral("frameWindow"));
        auto *drawing = m_root->findChild<QQuickWindow *>(QStringLiteral("drawingWindow"));
        QVERIFY(editor && drawing);
        auto click = [](QQuickWindow *w, QQuickItem *item) {
            QVERIFY(item);
            const QPointF c = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
            QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, c.toPoint());
        };
        editor->show();
        QVERIFY(QTest::qWaitForWindowExposed(editor));
        m_objects.frameModel.selectAll();
        m_objects.frameModel.deleteFrame();
        QCOMPARE(m_objects.frameModel.rowCount(), 0);

        // A line of single-stroke text, typed and added with the button.
        click(editor, itemWithProperty(editor, "placeholderText", QStringLiteral("激光秀 Laser")));
        for (const char ch : QByteArray("Laser"))
            QTest::keyClick(editor, ch);
        click(editor, itemWithProperty(editor, "text", QStringLiteral("单线")));
        click(editor, itemWithProperty(editor, "text", QStringLiteral("文字")));
        QCOMPARE(m_objects.frameModel.rowCount(), 1);
        const IldFrame text = m_objects.workSet.frames[0];
        QVERIFY(text.vertexCount() > 10 && text.vertexCount() <= 1800);
        QVERIFY(text.vertices.front().isBlanked());

        // A two-segment stroke on the drawing page, added as a frame.
        drawing->show();
        QVERIFY(QTest::qWaitForWindowExposed(drawing));
        const QList<DrawAreaWidget *> canvases = itemsOf<DrawAreaWidget>(drawing);
        QVERIFY(!canvases.isEmpty());
        const QPoint origin = canvases.first()->mapToScene(QPointF(0, 0)).toPoint();
        QTest::mousePress(drawing, Qt::LeftButton, Qt::NoModifier, origin + QPoint(20, 20));
        QTest::mouseMove(drawing, origin + QPoint(200, 20));
        QTest::mouseRelease(drawing, Qt::LeftButton, Qt::NoModifier, origin + QPoint(200, 20));
        QTest::mousePress(drawing, Qt::LeftButton, Qt::NoModifier, origin + QPoint(200, 20));
        QTest::mouseMove(drawing, origin + QPoint(200, 150));
        QTest::mouseDClick(drawing, Qt::LeftButton, Qt::NoModifier, origin + QPoint(200, 150));
        click(drawing, itemWithProperty(drawing, "text", QStringLiteral("加入帧")));
        QCOMPARE(m_objects.frameModel.rowCount(), 2);
        const IldFrame &drawn = m_objects.workSet.frames[1];
        QVERIFY(drawn.vertices.front().isBlanked());
        QCOMPARE(drawn.vertices.back().r, quint8(255)); // the page's red
        drawing->hide();

        // Optimise the checked frames, then save them: what was made is in the file.
        m_objects.frameModel.selectAll();
        click(editor, itemWithProperty(editor, "text", QStringLiteral("优化")));
        QVERIFY(m_objects.workSet.frames[0].vertices.front().isBlanked());
        const QString saved = m_dir.filePath(QStringLiteral("made.ild"));
        QVERIFY(m_objects.workSet.saveIld(saved, m_objects.view.colors));
        IldFrameSet back;
        back.fromFileIld(saved, false);
        QCOMPARE(int(back.frames.size()), 2);
        QCOMPARE(back.frames[1].vertexCount(), m_objects.workSet.frames[1].vertexCount());
    }

    void shortcutsDoWhatTheirButtonsDo_data()
    {
        QTest::addColumn<bool>("inEditor");
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<QString>("effect");
        const QList<std::tuple<const char *, bool, const char *, const char *>> rows = {
            {"editor_open", true, "Ctrl+O", "open dialog"},
            {"editor_save", true, "Ctrl+S", "save dialog"},
            {"editor_save_as", true, "Ctrl+Shift+S", "save dialog"},
            {"editor_select_all", true, "Ctrl+A", "all checked"},
            {"editor_delete_then_undo_redo", true, "Delete", "delete"},
            {"editor_play_selection", true, "Space", "play"},
            {"editor_help", true, "F1", "help"},
            {"main_open", false, "Ctrl+O", "open dialog"},
            {"main_save_list_in_place", false, "Ctrl+S", "list saved"},
            {"main_save_as", false, "Ctrl+Shift+S", "save dialog"},
            {"main_delete_then_undo_redo", false, "Delete", "delete"},
            {"main_pause_player", false, "Space", "play"},
            {"main_help", false, "F1", "help"},
        };
        for (const auto &[name, inEditor, keys, effect] : rows)
            QTest::newRow(name) << inEditor << QKeySequence(QString::fromLatin1(keys)) << QString::fromLatin1(effect);
    }

    void shortcutsDoWhatTheirButtonsDo()
    {
        QFETCH(bool, inEditor);
        QFETCH(QKeySequence, keys);
        QFETCH(QString, effect);
        auto *editor = m_root->findChild<QQuickWindow *>(QStringLiteral("frameWindow"));
        QVERIFY(editor);
        frameSetModel &frames = m_objects.frameModel;
        // The shown group page of the main window.
        QQuickItem *tabList = nullptr;
        for (QQuickItem *item : allItems(m_root))
            if (item->inherits("QQuickListView") && item->property("model").value<QObject *>() == m_tabs.get())
                tabList = item;
        QVERIFY(tabList);
        tabList->setProperty("currentIndex", 0);
        auto *files = qobject_cast<ildaFileSets *>(group(0));
        QVERIFY(files && files->rowCount() > 1);

        QQuickWindow *window = m_root;
        if (inEditor) {
            QAbstractItemModel *first = group(0);
            QMetaObject::invokeMethod(editor, "openFile", Q_ARG(QVariant, first->data(first->index(0, 0), 1)));
            window = editor;
        }
        window->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::mouseMove(window, QPoint(window->width() - 2, window->height() - 2)); // hovers no button
        // A focused text field keeps Delete, Space and Ctrl+Z for itself: take its focus away.
        for (int depth = 0; depth < 8; ++depth) {
            QQuickItem *f = window->activeFocusItem();
            if (!f || f == window->contentItem())
                break;
            f->setFocus(false);
        }
        window->contentItem()->forceActiveFocus();

        QObject *dialog = nullptr; // the page's file dialog
        for (QObject *o : window->findChildren<QObject *>())
            if (o->property(inEditor ? "forSave" : "useForSave").isValid())
                dialog = o;
        QVERIFY(dialog);
        QObject *player = itemWithProperty(m_root, "objectName", QStringLiteral("player_left"));
        QVERIFY(player);
        auto press = [&](const QKeySequence &k) { QTest::keySequence(window, k); };

        if (effect.endsWith(QLatin1String("dialog"))) {
            press(keys);
            QTRY_VERIFY(dialog->property("visible").toBool());
            QCOMPARE(dialog->property("selectExisting").toBool(), effect == QLatin1String("open dialog"));
            QMetaObject::invokeMethod(dialog, "close");
        } else if (effect == QLatin1String("all checked")) {
            frames.inverse();
            press(keys);
            QCOMPARE(m_objects.workSet.checkedCount(), frames.rowCount());
        } else if (effect == QLatin1String("delete")) {
            QAbstractItemModel *model = inEditor ? static_cast<QAbstractItemModel *>(&frames) : files;
            const int rows = model->rowCount();
            for (int r = 0; r < rows; ++r) // rows 0 and 1 checked
                inEditor ? void(frames.setData(frames.index(r), r < 2, frameSetModel::CheckRole))
                         : files->setCheck(r, r < 2);
            const QString asked = inEditor ? QStringLiteral("2 帧") : QStringLiteral("2 个文件");
            m_prompt.modalAnswer = UserPrompt::No;
            press(keys);
            QVERIFY(!m_prompt.boxes.isEmpty());
            QVERIFY(m_prompt.boxes.last()->text.contains(asked));
            QCOMPARE(model->rowCount(), rows);
            m_prompt.modalAnswer = UserPrompt::Yes;
            press(keys);
            QCOMPARE(model->rowCount(), rows - 2);
            press(QKeySequence(QStringLiteral("Ctrl+Z")));
            QCOMPARE(model->rowCount(), rows);
            press(QKeySequence(QStringLiteral("Ctrl+Shift+Z")));
            QCOMPARE(model->rowCount(), rows - 2);
            press(QKeySequence(QStringLiteral("Ctrl+Z")));
            QCOMPARE(model->rowCount(), rows);
            m_prompt.modalAnswer = UserPrompt::Ok;
        } else if (effect == QLatin1String("play")) {
            auto playing = [&] {
                return inEditor ? itemWithProperty(editor, "text", QStringLiteral("暂停")) != nullptr
                                : !player->property("paused").toBool();
            };
            const bool was = playing();
            press(keys);
            QCOMPARE(playing(), !was);
            press(keys);
            QCOMPARE(playing(), was);
        } else if (effect == QLatin1String("list saved")) {
            const QString list = m_tabs->get_current_file_path();
            QVERIFY(list.endsWith(QLatin1String(".list")) && QFile::remove(list));
            press(keys);
            QVERIFY(QFile::exists(list));
        } else if (effect == QLatin1String("help")) {
            auto *help = m_root->findChild<QQuickWindow *>(QStringLiteral("keyHelp"));
            QVERIFY(help && !help->isVisible());
            press(keys);
            QVERIFY(help->isVisible());
            QVERIFY(itemWithProperty(help, "text", QStringLiteral("Ctrl+Shift+Z")));
            help->hide();
        }
        editor->hide();
    }

    // Long work shows the overlay; its "取消" pressed with the mouse (or Esc)
    // stops the work and leaves the lists and the file on disk as they were.
    void overlayCancelLeavesEverythingAsItWas_data()
    {
        QTest::addColumn<QString>("work");
        QTest::addColumn<bool>("byEscape");
        QTest::addColumn<bool>("fromDrawingPage"); // the drawing page's own overlay
        for (const char *w : {"open", "revise", "export", "import", "text", "optimize"})
            QTest::newRow(w) << w << false << false;
        QTest::newRow("revise, Esc") << "revise" << true << false;
        QTest::newRow("revise, drawing page") << "revise" << false << true;
    }

    void overlayCancelLeavesEverythingAsItWas()
    {
        QFETCH(QString, work);
        QFETCH(bool, byEscape);
        QFETCH(bool, fromDrawingPage);
        auto *editor = m_root->findChild<QQuickWindow *>(QStringLiteral("frameWindow"));
        QVERIFY(editor);
        // A file long enough that reading it reports progress several times.
        const QString big = m_dir.filePath(QStringLiteral("big.ild"));
        if (!QFile::exists(big)) {
            IldFrameSet set;
            for (int i = 0; i < 300; ++i) {
                IldFrame f;
                f.format = 5;
                f.check = true;
                f.vertices.resize(1000);
                for (int k = 0; k < 1000; ++k)
                    f.vertices[size_t(k)].x = qint16(k * 20 - 10000);
                f.pointCount = 1000;
                set.frames.push_back(f);
            }
            QVERIFY(set.saveIld(big, m_objects.view.colors));
        }
        // The list holds the big file for revise, a small one for opening the big one.
        frameSetModel &frames = m_objects.frameModel;
        frames.selectAll();
        frames.deleteFrame();
        QAbstractItemModel *first = group(0);
        const bool bigList = work == QLatin1String("revise") || work == QLatin1String("optimize");
        frames.setIldFileName(bigList ? big : first->data(first->index(0, 0), 1).toString());
        QQuickWindow *window = work == QLatin1String("export") ? m_root : editor;
        if (window == editor)
            editor->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        auto *drawing = m_root->findChild<QQuickWindow *>(QStringLiteral("drawingWindow"));
        QVERIFY(drawing);
        QQuickWindow *cancelIn = window;
        if (fromDrawingPage) {
            drawing->show();
            QVERIFY(QTest::qWaitForWindowExposed(drawing));
            cancelIn = drawing;
        }
        const QString image = m_dir.filePath(QStringLiteral("cancelled.ilg"));
        writeFile(image, "previous image");

        auto snapshot = [&] {
            QByteArray all = readAll(image);
            for (IldFrameSet set : {m_objects.workSet, m_objects.revisedSet}) {
                for (IldFrame &f : set.frames)
                    f.check = true;
                QByteArray bytes;
                set.toIldaBytes(bytes, m_objects.view.colors);
                all += '|' + bytes;
            }
            return all;
        };
        const QByteArray before = snapshot();
        const int boxes = m_prompt.boxes.size();

        WorkProgress *progress = &m_objects.progress;
        progress->setShowDelay(0);
        progress->setPumpInterval(0);
        bool sawBar = false;
        QTimer clicker;
        connect(&clicker, &QTimer::timeout, this, [&] {
            QQuickItem *cancel = control(cancelIn, QStringLiteral("workCancelButton"));
            if (!cancel || !progress->busy())
                return;
            sawBar = true;
            clicker.stop();
            if (byEscape)
                QTest::keyClick(cancelIn, Qt::Key_Escape);
            else
                click(cancel);
        });
        clicker.start(0);
        // Making frames: a large drawing, a long text, every frame of the big file.
        const QString drawingFile = m_dir.filePath(QStringLiteral("many.svg"));
        if (work == QLatin1String("import")) {
            QByteArray svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 100 100\">";
            for (int i = 0; i < 3000; ++i)
                svg +=
                    "<line x1=\"" + QByteArray::number(i % 100) + "\" y1=\"0\" x2=\"50\" y2=\"100\" stroke=\"red\"/>";
            writeFile(drawingFile, svg + "</svg>");
        } else if (work == QLatin1String("text")) {
            QQuickItem *input = itemWithProperty(editor, "placeholderText", QStringLiteral("激光秀 Laser"));
            QVERIFY(input);
            input->setProperty("text", QString(2000, QLatin1Char('A')));
        } else if (work == QLatin1String("optimize")) {
            for (IldFrame &f : m_objects.workSet.frames)
                f.check = true;
        }
        if (work == QLatin1String("open"))
            QMetaObject::invokeMethod(editor, "openFile", Q_ARG(QVariant, big));
        else if (work == QLatin1String("revise"))
            click(itemWithProperty(editor, "text", QStringLiteral("revise")));
        else if (work == QLatin1String("import"))
            frames.importSvg(QVariant::fromValue(QList<QUrl>{QUrl::fromLocalFile(drawingFile)}));
        else if (work == QLatin1String("text"))
            click(itemWithProperty(editor, "text", QStringLiteral("文字")));
        else if (work == QLatin1String("optimize"))
            click(itemWithProperty(editor, "text", QStringLiteral("优化")));
        else
            m_tabs->save_list(QUrl::fromLocalFile(image), QStringLiteral("ilg files (*.ilg )"));
        progress->setShowDelay(500);
        progress->setPumpInterval(30);

        QVERIFY(sawBar);
        QVERIFY(!progress->busy());
        QVERIFY(!control(window, QStringLiteral("workOverlay")));
        QCOMPARE(snapshot(), before);
        QCOMPARE(m_prompt.boxes.size(), boxes); // a cancel is no error
        editor->hide();
        drawing->hide();
    }

    // However the bad files come (command line, "增开", the editor's "打开"),
    // one window that blocks nothing names each once, with why; a file cut
    // short is marked "truncated" on its tile.
    void badFilesGiveOneNotice_data()
    {
        QTest::addColumn<QString>("road");
        QTest::newRow("command_line") << "command line";
        QTest::newRow("group_add") << "group add";
        QTest::newRow("editor_open") << "editor";
    }
    void badFilesGiveOneNotice()
    {
        QFETCH(QString, road);
        const QStringList bad = badIldaFiles(QTest::currentDataTag());
        const QString missing = m_dir.filePath(QStringLiteral("missing.ild"));
        auto *editor = m_root->findChild<QQuickWindow *>(QStringLiteral("frameWindow"));
        ildaFileSets *files = shapes();
        const int rows = files->rowCount();
        const int boxes = m_prompt.boxes.size();
        m_objects.notices.dismiss();
        if (road == QLatin1String("command line")) {
            openStartupFiles(*m_engine,
                             parseStartupArguments(QStringList{"beamdeck"} + bad + QStringList{missing}).files);
        } else if (road == QLatin1String("group add")) {
            showGroup(0);
            click(visibleWithText(m_root, QStringLiteral("增开")));
            QVERIFY(pickInFileDialog(bad, QStringLiteral("ILDA files (*.ild )")));
            QTRY_COMPARE(files->rowCount(), rows + 3);
        } else {
            editor->show();
            QVERIFY(QTest::qWaitForWindowExposed(editor));
            for (const QString &path : bad) {
                click(visibleWithText(editor, QStringLiteral("打开")));
                QVERIFY(pickInFileDialog({path}, QStringLiteral("ilda files (*.ild )")));
            }
        }
        QStringList want{bad[0] + "\nempty", bad[1] + "\nnot-ILDA", bad[2] + "\ntruncated"};
        if (road == QLatin1String("command line"))
            want.prepend(missing + "\nmissing");
        QTRY_COMPARE(m_objects.notices.lines().size(), want.size());
        for (int i = 0; i < want.size(); ++i)
            QVERIFY2(m_objects.notices.lines().at(i).startsWith(want[i]), qPrintable(m_objects.notices.lines().at(i)));
        QCOMPARE(m_prompt.boxes.size(), boxes); // nothing modal
        if (road == QLatin1String("group add")) {
            auto marks = [&] {
                QStringList texts;
                for (int row = rows; row < rows + 3; ++row) {
                    QQuickItem *mark = control(m_root, QStringLiteral("noFramesMark"), row);
                    texts << (mark ? mark->property("text").toString() : QString());
                }
                return texts;
            };
            QTRY_COMPARE(marks(), (QStringList{"无帧", "无帧", "truncated"}));
            while (files->rowCount() > rows)
                files->removeRows(rows, 1);
        }
        closeNotices();
        editor->hide();
    }

    // The main window's "打开" reads a file for what it is, whatever filter
    // the dialog was left at; what is no play list is refused with a notice
    // and changes nothing.
    void mainOpenReadsWhatTheFileIs_data()
    {
        QTest::addColumn<QString>("file"); // in the demo show
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("groups");
        QTest::addColumn<QString>("recorded"); // the list "_file_dir.ini" names afterwards
        const QString list = QStringLiteral("list files (*.list )");
        const QStringList demo{"shapes", "words", "spare"};
        QTest::newRow("image_under_the_list_filter")
            << "show.ilg" << list << QStringList{"shapes", "words"} << "play.list";
        QTest::newRow("binary_file_as_a_list") << "play/garbage.list" << list << demo << "play.list";
        QTest::newRow("text_image_under_the_image_filter")
            << "show.txg" << QStringLiteral("ilg files (*.ilg )") << QStringList{"shapes", "words"} << "play.list";
    }
    void mainOpenReadsWhatTheFileIs()
    {
        QFETCH(QString, file);
        QFETCH(QString, filter);
        QFETCH(QStringList, groups);
        QFETCH(QString, recorded);
        for (const char *ext : {"ilg", "txg"})
            if (!QFile::exists(m_demo + "/show." + ext))
                QCOMPARE(runIldatool({"group", "--list", m_demo + "/play/play.list", m_demo + "/show." + ext}).exitCode,
                         0);
        QByteArray garbage;
        for (int i = 0; i < 70000; ++i)
            garbage += char(i * 13 + i / 7);
        writeFile(m_demo + "/play/garbage.list", garbage);
        const QString ini = m_dir.filePath(QStringLiteral("config/_file_dir.ini"));
        m_objects.notices.dismiss();
        const bool refused = groups == QStringList{"shapes", "words", "spare"};

        QVERIFY(openInMainWindow(m_demo + '/' + file, filter));
        QTRY_COMPARE(groupNames(), groups);
        QVERIFY(readAll(ini).endsWith("\n" + recorded.toUtf8() + "\n"));
        QCOMPARE(m_objects.notices.count(), refused ? 1 : 0);
        if (refused) {
            QVERIFY(m_objects.notices.lines().first().contains("binary data"));
            closeNotices();
        }
        // back to the demo list, through the same dialog
        QVERIFY(openInMainWindow(m_demo + "/play/play.list", filter));
        QTRY_COMPARE(groupNames(), (QStringList{"shapes", "words", "spare"}));
    }

    // A list naming a settings file that is a link out of the play folder:
    // Ctrl+S saves the list but never writes through the link.
    void saveNeverWritesThroughALinkOutOfThePlayFolder()
    {
        const QString outside = m_dir.filePath(QStringLiteral("outside/accounts.csv"));
        writeFile(outside, "name,iban\nmax,DE00\n");
        QFile::remove(m_demo + "/play/link.csv");
        QVERIFY(QFile::link(outside, m_demo + "/play/link.csv"));
        writeFile(m_demo + "/play/linked.list", "play/link.csv\n#end\n");
        QVERIFY(openInMainWindow(m_demo + "/play/linked.list", QStringLiteral("list files (*.list )")));
        QTRY_COMPARE(groupNames(), QStringList{"link"});
        const int boxes = m_prompt.boxes.size();
        m_root->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(m_root));
        QTest::keySequence(m_root, QKeySequence(QStringLiteral("Ctrl+S")));
        QCOMPARE(readAll(outside), QByteArray("name,iban\nmax,DE00\n"));
        QCOMPARE(m_prompt.boxes.size(), boxes + 1);
        QCOMPARE(m_prompt.boxes.last()->title, QStringLiteral("save error"));
        QVERIFY(m_prompt.boxes.last()->text.contains("outside the play folder"));
        QVERIFY(openInMainWindow(m_demo + "/play/play.list", QStringLiteral("list files (*.list )")));
        QTRY_COMPARE(groupNames(), (QStringList{"shapes", "words", "spare"}));
    }

    // A start whose last list cannot be read: the groups' owner has its
    // notice ready for the first prompt, and the window shows it.
    void startWithAnUnreadableLastListShowsANotice_data()
    {
        QTest::addColumn<QString>("listName");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("group_image_recorded_as_the_list") << "show.ilg" << QByteArray("tovrim\0\0xxxxxxxxCRCFlash", 24);
        QTest::newRow("binary_list") << "broken.list" << QByteArray("play/a.csv\n\0\1\2", 14);
    }
    void startWithAnUnreadableLastListShowsANotice()
    {
        QFETCH(QString, listName);
        QFETCH(QByteArray, content);
        const QString config = m_dir.filePath(QStringLiteral("config-") + listName);
        const QString show = m_dir.filePath(QStringLiteral("start-") + listName);
        writeFile(config + "/_file_dir.ini", (show + "/\nplay/\n" + listName + "\n").toUtf8());
        writeFile(show + "/play/" + listName, content);
        const QByteArray previous = qgetenv("BEAMDECK_CONFIG_DIR");
        qputenv("BEAMDECK_CONFIG_DIR", config.toUtf8());
        QElapsedTimer started;
        started.start();
        ildaFileTab fresh;
        qputenv("BEAMDECK_CONFIG_DIR", previous);
        QVERIFY(started.elapsed() < 5000);
        QCOMPARE(fresh.rowCount(), 0);
        m_objects.notices.dismiss();
        fresh.setPrompt(&m_objects.notices);
        QCOMPARE(m_objects.notices.count(), 1);
        QVERIFY(m_objects.notices.lines().first().contains("The last play list could not be read"));
        closeNotices();
    }

    // A list of many groups builds the pages of the groups shown only; the
    // others' previews read nothing.
    void manyGroupsBuildOnlyThePagesShown()
    {
        const QString play = m_demo + QStringLiteral("/play/");
        const QByteArray shapes = readAll(play + QStringLiteral("shapes.csv"));
        QByteArray list;
        for (int g = 0; g < 250; ++g) {
            const QString name = QStringLiteral("big%1.csv").arg(g);
            QFile csv(play + name);
            QVERIFY(csv.open(QIODevice::WriteOnly) && csv.write(shapes) == shapes.size());
            list += "play/" + name.toLatin1() + '\n';
        }
        QFile file(play + QStringLiteral("big.list"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(list + "#end\n") > 0);
        file.close();
        const QString listFilter = QStringLiteral("list files (*.list )");
        m_tabs->open_list(QUrl::fromLocalFile(file.fileName()), listFilter);
        QCOMPARE(m_tabs->rowCount(), 250);
        showGroup(0);
        showGroup(2);
        // groups of three: the two shown, perhaps the one selected before, and the player
        QVERIFY(itemsOf<IldaDrawWidget>(m_root).size() <= 3 * 3 + 1);
        m_tabs->open_list(QUrl::fromLocalFile(play + QStringLiteral("play.list")), listFilter);
        QCOMPARE(m_tabs->rowCount(), 3);
    }

    // Revise, delete every frame, add a new one, save with 加点优化: the
    // strip shows nothing of the deleted frames, and the save asks to revise
    // again; declined, nothing is written; accepted, the file holds the new
    // frame revised, never the deleted file's frames.
    void deleteUnderRevisedFramesThenSave()
    {
        auto *editor = m_root->findChild<QQuickWindow *>(QStringLiteral("frameWindow"));
        QVERIFY(editor);
        frameSetModel &frames = m_objects.frameModel;
        QAbstractItemModel *first = group(0);
        QMetaObject::invokeMethod(editor, "openFile", Q_ARG(QVariant, first->data(first->index(0, 0), 1)));
        editor->show();
        QVERIFY(QTest::qWaitForWindowExposed(editor));
        auto revisedTiles = [this, editor] {
            int n = 0;
            for (IldaFrameDraw *tile : itemsOf<IldaFrameDraw>(editor))
                n += tile->isVisible() && tile->property("type").toInt() == 1;
            return n;
        };
        auto button = [this, editor](const char *text) {
            return itemWithProperty(editor, "text", QString::fromUtf8(text));
        };
        click(button("revise"));
        QVERIFY(frames.revisedCurrent());
        QTRY_VERIFY(revisedTiles() > 0);

        click(button("全选"));
        m_prompt.modalAnswer = UserPrompt::Yes;
        click(button("删除"));
        QCOMPARE(frames.rowCount(), 0);
        click(itemWithProperty(editor, "placeholderText", QStringLiteral("激光秀 Laser")));
        for (const char ch : QByteArray("Hi"))
            QTest::keyClick(editor, ch);
        click(button("文字"));
        QCOMPARE(frames.rowCount(), 1);
        click(button("全选"));
        QTRY_COMPARE(revisedTiles(), 0);
        QVERIFY(button("revise 之后在这里显示加点优化后的帧")->isVisible());

        QQuickItem *saveType = itemWithProperty(editor, "currentText", QStringLiteral("正常"));
        QVERIFY(saveType);
        wheel(saveType, -1);
        QCOMPARE(saveType->property("currentText").toString(), QStringLiteral("加点优化"));
        const QString path = m_dir.filePath(QStringLiteral("revised.ild"));
        const int boxes = m_prompt.boxes.size();
        for (UserPrompt::Button answer : {UserPrompt::No, UserPrompt::Yes}) {
            m_prompt.modalAnswer = answer;
            click(button("保存"));
            bool accepted = false; // QTRY_VERIFY checks once more when done
            QTRY_VERIFY(accepted || (accepted = acceptFileDialog(path, QStringLiteral("ilda files (*.ild )"))));
            QTRY_COMPARE(m_prompt.boxes.size(), boxes + (answer == UserPrompt::No ? 1 : 2));
            QCOMPARE(m_prompt.boxes.last()->title, QStringLiteral("加点优化"));
            QCOMPARE(m_prompt.boxes.last()->icon, UserPrompt::Question);
            QCOMPARE(QFile::exists(path), answer == UserPrompt::Yes);
        }
        QVERIFY(frames.revisedCurrent());
        QByteArray expected;
        QVERIFY(m_objects.revisedSet.toIldaBytes(expected, m_objects.view.colors));
        QCOMPARE(readAll(path), expected);
        IldFrameSet back;
        back.fromFileIld(path, false);
        QCOMPARE(back.frames.size(), size_t(1));
        QVERIFY(back.frames[0].vertices.size() > 1);

        wheel(saveType, 1);
        QCOMPARE(saveType->property("currentText").toString(), QStringLiteral("正常"));
        m_prompt.modalAnswer = UserPrompt::Ok;
        editor->hide();
    }

    // Typing in a text field keeps the keys only while the field is in use:
    // a press on a button, a tile or empty space gives them back to the page.
    void keysReachThePageAfterTyping_data()
    {
        QTest::addColumn<QString>("window"); // "editor" or "main"
        QTest::addColumn<QString>("press");  // a button's text, "tile" or "empty"
        QTest::addColumn<QString>("keys");
        const QList<std::tuple<const char *, const char *, const char *>> presses = {
            {"text_button", "editor", "文字"},
            {"optimize_button", "editor", "优化"},
            {"frame_tile", "editor", "tile"},
            {"empty_space", "editor", "empty"}};
        for (const auto &[name, window, press] : presses)
            for (const char *keys : {"Ctrl+Z", "Ctrl+A", "Delete", "Space"})
                QTest::newRow(qPrintable(QStringLiteral("%1_then_%2").arg(QLatin1String(name), QLatin1String(keys))))
                    << window << QString::fromUtf8(press) << keys;
        QTest::newRow("text_button_then_Ctrl+Z_Ctrl+Y") << "editor" << QStringLiteral("文字") << "Ctrl+Y";
        QTest::newRow("group_tile_then_Delete") << "main" << QStringLiteral("tile") << "Delete";
    }

    void keysReachThePageAfterTyping()
    {
        QFETCH(QString, window);
        QFETCH(QString, press);
        QFETCH(QString, keys);
        frameSetModel &frames = m_objects.frameModel;
        QQuickWindow *editor = editorWindow();
        const bool inEditor = window == QLatin1String("editor");
        QQuickWindow *w = inEditor ? editor : m_root;
        auto *files = qobject_cast<ildaFileSets *>(group(0));
        QVERIFY(editor && files);
        emptyEditor();
        QMetaObject::invokeMethod(editor, "openFile", Q_ARG(QVariant, m_demo + QStringLiteral("/shows/circle.ild")));
        QVERIFY(frames.rowCount() > 1);
        // One frame edit to take back and one checked frame (or file) to act on.
        frames.moveRows_view_data(0, 1, 1);
        frames.setData(frames.index(0), true, frameSetModel::CheckRole);
        files->setCheck(0, true);
        if (!inEditor)
            showGroup(0);

        QQuickItem *field =
            itemWithProperty(w, "placeholderText", inEditor ? QStringLiteral("激光秀 Laser") : QStringLiteral("组名"));
        typeInto(field, QStringLiteral("ab"));
        QVERIFY(w->activeFocusItem() && w->activeFocusItem()->inherits("QQuickTextInput"));
        QQuickItem *target = nullptr;
        if (press == QLatin1String("tile") && !inEditor) {
            target = control(w, QStringLiteral("ildaPainterSet"), 0);
        } else if (press == QLatin1String("tile")) {
            for (IldaFrameDraw *painter : itemsOf<IldaFrameDraw>(w))
                for (QQuickItem *up = painter; !target && painter->isVisible() && up; up = up->parentItem())
                    if (up->property("tileSize").isValid()) // a tile's, not the selection player's
                        target = painter;
        } else if (press == QLatin1String("empty")) {
            target = itemWithProperty(w, "text", QStringLiteral("revise 之后在这里显示加点优化后的帧"));
        } else {
            target = itemWithProperty(w, "text", press);
        }
        QVERIFY(target);
        const int rows = frames.rowCount();
        click(target);
        QVERIFY(!w->activeFocusItem() || !w->activeFocusItem()->inherits("QQuickTextInput"));
        QVERIFY(frames.canUndo() && !frames.canRedo());

        const int boxes = m_prompt.boxes.size();
        m_prompt.modalAnswer = UserPrompt::No;
        QTest::keySequence(w, QKeySequence(keys == QLatin1String("Ctrl+Y") ? QStringLiteral("Ctrl+Z") : keys));
        m_prompt.modalAnswer = UserPrompt::Ok;
        if (keys == QLatin1String("Ctrl+Z") || keys == QLatin1String("Ctrl+Y")) {
            QVERIFY(frames.canRedo());
            if (press == QLatin1String("文字"))
                QCOMPARE(frames.rowCount(), rows - 1);
        } else if (keys == QLatin1String("Ctrl+A")) {
            QCOMPARE(m_objects.workSet.checkedCount(), frames.rowCount());
        } else if (keys == QLatin1String("Delete")) {
            QCOMPARE(m_prompt.boxes.size(), boxes + 1);
            QVERIFY(m_prompt.boxes.last()->text.contains(inEditor ? QStringLiteral("帧") : QStringLiteral("个文件")));
        } else if (keys == QLatin1String("Space")) {
            QVERIFY(itemWithProperty(editor, "text", QStringLiteral("暂停")));
            QTest::keySequence(w, QKeySequence(keys));
            QVERIFY(itemWithProperty(editor, "text", QStringLiteral("播放")));
        }
        if (keys == QLatin1String("Ctrl+Y")) {
            const int undone = frames.rowCount();
            QTest::keySequence(w, QKeySequence(keys));
            QVERIFY(!frames.canRedo());
            QCOMPARE(frames.rowCount(), undone + 1);
        }
        // The field kept what was typed: the keys did not reach it.
        QCOMPARE(field->property("text").toString(), QStringLiteral("ab"));
        field->setProperty("text", QString());
        editor->hide();
    }

    // Boxes and their buttons speak the pages' language.
    void messageBoxButtonsAreChinese()
    {
        if (!m_translated)
            QSKIP("Qt's translations (qttranslations5-l10n) are not installed");
        MessageBoxPrompt prompt;
        auto notice = prompt.openMessage(UserPrompt::Question, QStringLiteral("保存修改"), QStringLiteral("?"),
                                         UserPrompt::Save | UserPrompt::Discard | UserPrompt::Cancel);
        QMessageBox *box = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *b = qobject_cast<QMessageBox *>(w))
                box = b->isVisible() ? b : box;
        QVERIFY(box);
        QStringList texts;
        for (QAbstractButton *b : box->buttons())
            texts << b->text();
        notice->close();
        QCOMPARE(texts.size(), 3);
        for (const QString &t : texts)
            QVERIFY2(t.at(0).unicode() > 0x2e80, qPrintable(texts.join(','))); // CJK, not "Save", "Cancel"
    }

    // Closing a window with unsaved work asks save / discard / cancel. A save
    // goes where the work came from, or the save dialog asks for a name and
    // the window closes once it has saved.
    void closingAsksAboutUnsavedWork_data()
    {
        QTest::addColumn<bool>("inEditor");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("fromFile"); // the work came from a file it can go back to
        QTest::addColumn<bool>("edited");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<bool>("saved");
        for (bool inEditor : {true, false}) {
            const char *w = inEditor ? "editor" : "main";
            auto row = [w](const char *what) { return QByteArray(w) + '_' + what; };
            QTest::newRow(row("unedited_closes_unasked").constData())
                << inEditor << int(UserPrompt::Ok) << true << false << true << false;
            QTest::newRow(row("save_in_place").constData())
                << inEditor << int(UserPrompt::Save) << true << true << true << true;
            QTest::newRow(row("save_under_a_name").constData())
                << inEditor << int(UserPrompt::Save) << false << true << true << true;
            QTest::newRow(row("discard").constData())
                << inEditor << int(UserPrompt::Discard) << true << true << true << false;
            QTest::newRow(row("cancel").constData())
                << inEditor << int(UserPrompt::Cancel) << true << true << false << false;
            QTest::newRow(row("box_closed").constData())
                << inEditor << int(UserPrompt::NoButton) << true << true << false << false;
        }
    }

    void closingAsksAboutUnsavedWork()
    {
        QFETCH(bool, inEditor);
        QFETCH(int, answer);
        QFETCH(bool, fromFile);
        QFETCH(bool, edited);
        QFETCH(bool, closes);
        QFETCH(bool, saved);
        frameSetModel &frames = m_objects.frameModel;
        QQuickWindow *editor = editorWindow();
        QQuickWindow *window = inEditor ? editor : m_root;
        const QString named = m_dir.filePath(inEditor ? QStringLiteral("named.ild") : QStringLiteral("named.list"));
        QFile::remove(named);
        emptyEditor();
        QString file; // where the work came from, or where it goes under a name
        QByteArray before;
        if (inEditor) {
            file = m_dir.filePath(QStringLiteral("work.ild"));
            QFile::remove(file);
            QVERIFY(QFile::copy(m_demo + QStringLiteral("/shows/circle.ild"), file));
            if (fromFile) {
                QMetaObject::invokeMethod(editor, "openFile", Q_ARG(QVariant, file));
                if (edited) { // the first frame deleted
                    frames.setData(frames.index(0), true, frameSetModel::CheckRole);
                    frames.deleteFrame();
                }
            } else {
                editor->show();
                frames.addText(QStringLiteral("ab"), QString(), true);
            }
            QVERIFY(QTest::qWaitForWindowExposed(editor));
        } else {
            // The demo's list, opened afresh; then a group added.
            file = m_demo + QStringLiteral("/play/play.list");
            if (fromFile)
                m_tabs->open_list(QUrl::fromLocalFile(file), QStringLiteral("list files (*.list )"));
            else
                m_tabs->open_list(QUrl::fromLocalFile(exportImage()), QStringLiteral("ilg files (*.ilg )"));
            QVERIFY(!m_tabs->is_modified());
            if (edited)
                m_tabs->add_tab(QStringLiteral("closing"));
        }
        if (!fromFile)
            file = named;
        before = readAll(file);
        const int rows = inEditor ? frames.rowCount() : m_tabs->rowCount();
        const int boxes = m_prompt.boxes.size();

        m_prompt.modalAnswer = UserPrompt::Button(answer);
        window->close();
        m_prompt.modalAnswer = UserPrompt::Ok;
        QCOMPARE(m_prompt.boxes.size(), boxes + (edited ? 1 : 0));
        if (edited)
            QCOMPARE(m_prompt.boxes.last()->buttons, UserPrompt::Save | UserPrompt::Discard | UserPrompt::Cancel);
        if (!fromFile && answer == UserPrompt::Save) {
            // Still open: the save dialog asks for a name.
            QVERIFY(window->isVisible());
            QFileDialog *dialog = nullptr;
            QTRY_VERIFY((dialog = shownFileDialog()) != nullptr);
            QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
            dialog->selectFile(named);
            QMetaObject::invokeMethod(dialog, "accept");
        }
        QTRY_COMPARE(window->isVisible(), !closes);
        const QByteArray after = readAll(file);
        if (!saved) {
            QCOMPARE(after, before);
        } else if (inEditor) {
            IldFrameSet back;
            back.fromFileIld(file, false);
            QCOMPARE(int(back.frames.size()), fromFile ? rows : 1);
        } else {
            QVERIFY2(after.contains("closing.csv"), after.constData());
        }
        if (inEditor) // a dropped list is gone, a kept one is as it was
            QCOMPARE(frames.rowCount(), answer == UserPrompt::Discard ? 0 : rows);
        else
            QCOMPARE(m_tabs->rowCount(), rows);
        const bool unsaved = inEditor ? frames.isModified() : m_tabs->is_modified();
        QCOMPARE(unsaved, edited && !saved && !(inEditor && closes));
        if (!inEditor)
            m_tabs->open_list(QUrl::fromLocalFile(m_demo + QStringLiteral("/play/play.list")),
                              QStringLiteral("list files (*.list )"));
        if (!m_root->isVisible()) {
            m_root->show();
            QVERIFY(QTest::qWaitForWindowExposed(m_root));
        }
        editor->hide();
    }

    // Every named control of every window, at its smallest and its default
    // size, lies inside the window or in a view that scrolls to it, and shows
    // its whole label.
    void everyControlIsReachable_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("minimum");
        for (const char *name : {"", "frameWindow", "drawingWindow"}) {
            const char *shown = *name ? name : "main";
            QTest::addRow("%s_minimum", shown) << QString::fromLatin1(name) << true;
            QTest::addRow("%s_default", shown) << QString::fromLatin1(name) << false;
        }
    }
    void everyControlIsReachable()
    {
        QFETCH(QString, name);
        QFETCH(bool, minimum);
        QQuickWindow *w = window(qPrintable(name));
        if (w != m_root && m_objects.frameModel.rowCount() == 0) {
            // frame tiles and revised frames are controls too
            QAbstractItemModel *first = group(0);
            QMetaObject::invokeMethod(window("frameWindow"), "loadFile",
                                      Q_ARG(QVariant, first->data(first->index(0, 0), 1)));
            m_objects.frameModel.reviseFrameSet(1, 0, 2, 600);
        }
        const bool wasVisible = w->isVisible();
        showAt(w, minimum ? w->minimumSize() : m_defaultSizes.value(name));

        auto faults = [w] {
            QStringList found;
            for (QQuickItem *item : allItems(w)) {
                const QString label =
                    item->objectName().isEmpty() ? item->property("text").toString() : item->objectName();
                if (label.isEmpty() || !item->isVisible())
                    continue;
                if (!reachable(item))
                    found << label + QStringLiteral(" out of reach");
                else if (!labelFits(item))
                    found << label + QStringLiteral(" cut");
            }
            return found.join(QStringLiteral(", "));
        };
        // Tiles the views create a moment later are laid out a moment later too.
        QTRY_VERIFY2_WITH_TIMEOUT(faults().isEmpty(), qPrintable(faults()), 2000);
        w->resize(m_defaultSizes.value(name));
        w->setVisible(wasVisible);
    }

    // A wider editor shows more columns of frames, and the spare width is
    // shared between them rather than left at the edge.
    void editorGridUsesItsWidth()
    {
        QQuickWindow *editor = window("frameWindow");
        if (m_objects.frameModel.rowCount() < 20) {
            QAbstractItemModel *first = group(0);
            QMetaObject::invokeMethod(editor, "loadFile", Q_ARG(QVariant, first->data(first->index(0, 0), 1)));
        }
        QVERIFY(m_objects.frameModel.rowCount() >= 20);
        QList<int> columns;
        for (int width : {editor->minimumWidth(), 1500, 1900}) {
            showAt(editor, QSize(width, editor->minimumHeight()));
            QQuickItem *grid = control(editor, QStringLiteral("segGridView"));
            QVERIFY(grid);
            QSet<qreal> left; // where the tiles of the first row start
            qreal tile = 0;
            for (QQuickItem *t : grid->property("contentItem").value<QQuickItem *>()->childItems())
                if (t->isVisible() && t->y() == 0 && t->width() > 0) {
                    left << t->x();
                    tile = t->width();
                }
            QList<qreal> xs = left.values();
            std::sort(xs.begin(), xs.end());
            QVERIFY(xs.size() >= 2);
            const qreal between = xs[1] - xs[0] - tile;
            const qreal spare = grid->width() - (xs.last() + tile);
            QVERIFY2(spare <= between + xs.size(), qPrintable(QStringLiteral("%1 %2").arg(spare).arg(between)));
            columns << xs.size();
        }
        QVERIFY2(columns[0] < columns[1] && columns[1] < columns[2], qPrintable(QString::number(columns[2])));
        editor->resize(m_defaultSizes.value(QStringLiteral("frameWindow")));
        editor->hide();
    }

    void noQmlWarnings() { QVERIFY2(m_warnings.isEmpty(), qPrintable(m_warnings.join('\n'))); }

    void cleanupTestCase() { m_engine.reset(); }
};

int main(int argc, char *argv[])
{
    qputenv("QT_QUICK_BACKEND", "software");
    QApplication app(argc, argv);
    TestPages test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_pages.moc"
