#include "drawareawidget.h"
#include "framesetmodel.h"
#include "ildabuilder.h"
#include "ildframeset.h"
#include "undohistory.h"
#include "viewsettings.h"

#include <QAbstractItemModelTester>
#include <QTemporaryDir>
#include <QtTest>
#include <QUrl>

namespace {

QByteArray ildaFile(int frames)
{
    IldaBuilder b;
    for (int i = 0; i < frames; ++i)
        b.header(5, 2, "f", "c", quint16(i), quint16(frames))
            .point5(qint16(i * 10), 0, 0x40, 0, 0, 0)
            .point5(100, 100, 0x80, 255, 0, 0);
    b.header(5, 0);
    return b.bytes();
}

} // namespace

class TestFrameSetModel : public QObject
{
    Q_OBJECT
    frameSetModel model; // over sets and colours of its own
    QAbstractItemModelTester *tester = nullptr;

    // n frames whose frameNumber is their starting row, with `points` points each.
    void fillWork(int n, int points = 3)
    {
        IldFrameSet &work = model.workSet();
        work.frames.clear();
        for (int i = 0; i < n; ++i) {
            IldFrame f;
            f.format = 5;
            f.frameNumber = quint16(i);
            f.vertices.resize(size_t(points));
            f.pointCount = quint16(points);
            work.frames.push_back(f);
        }
    }

    QList<int> order()
    {
        QList<int> r;
        for (const IldFrame &f : model.workSet().frames)
            r << f.frameNumber;
        return r;
    }

    QList<int> checkedRows()
    {
        QList<int> r;
        const auto &frames = model.workSet().frames;
        for (size_t i = 0; i < frames.size(); ++i)
            if (frames[i].check)
                r << int(i);
        return r;
    }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<QList<QPersistentModelIndex>>();
        qRegisterMetaType<QAbstractItemModel::LayoutChangeHint>();
        tester = new QAbstractItemModelTester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest, this);
    }

    void init()
    {
        fillWork(0);
        model.revisedSet().frames.clear();
        model.refrushModel();
        model.setBetween(5);
        model.setSelectStartFrame(0);
        model.setSelectEndFrame(0);
    }

    void roleNames()
    {
        const QHash<int, QByteArray> names = model.roleNames();
        const QList<QByteArray> expected = {"h_check",       "h_index",       "h_total",     "h_format",
                                            "h_count",       "h_reviseCount", "h_highPoint", "h_scaleSize_x",
                                            "h_scaleSize_y", "h_center",      "h_lintLevel", "h_lint"};
        QCOMPARE(names.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(names.value(i + 1), expected[i]);
    }

    void dataByRole()
    {
        fillWork(2, 7);
        IldFrame &f = model.workSet().frames[1];
        f.format = 0xff; // read as a signed byte
        f.totalFrames = 9;
        f.scaleX = 0.5f;
        f.check = true;
        model.refrushModel();
        const QModelIndex i = model.index(1);
        QCOMPARE(model.data(i, 1).toBool(), true);
        QCOMPARE(model.data(i, 2).toInt(), 1);
        QCOMPARE(model.data(i, 3).toInt(), 9);
        QCOMPARE(model.data(i, 4).toInt(), -1);
        QCOMPARE(model.data(i, 5).toInt(), 7);
        QCOMPARE(model.data(i, 8).toFloat(), 50.0f);
        QCOMPARE(model.data(i, 9).toFloat(), 100.0f);
        QVERIFY(!model.data(i, 10).isValid());
        QVERIFY(!model.data(i, 13).isValid());
        QVERIFY(!model.data(i, 0).isValid());
        QVERIFY(!model.data(model.index(2), 1).isValid());
    }

    // The tile's lint marker: level and one tooltip line per finding, seen
    // with the frame's scale.
    void lintRoles()
    {
        fillWork(2, 2);
        IldFrame &f = model.workSet().frames[1];
        f.vertices[0].status = IldVertex::Blanked;
        f.vertices[1].x = 1500;
        model.workSet().frames[0].vertices.clear();
        model.refrushModel();
        QCOMPARE(model.data(model.index(0), frameSetModel::LintLevelRole).toInt(), 2);
        QCOMPARE(model.data(model.index(0), frameSetModel::LintRole).toString(),
                 QStringLiteral("error [empty-frame]: the frame has no points"));
        QCOMPARE(model.data(model.index(1), frameSetModel::LintLevelRole).toInt(), 0);
        QCOMPARE(model.data(model.index(1), frameSetModel::LintRole).toString(), QString());
        QVERIFY(model.setData(model.index(1), 200, frameSetModel::ScaleXRole));
        QCOMPARE(model.data(model.index(1), frameSetModel::LintLevelRole).toInt(), 1);
        QVERIFY(
            model.data(model.index(1), frameSetModel::LintRole).toString().startsWith("warning point 1 [step-length]"));
    }

    void reviseRolesBeforeAndAfter()
    {
        fillWork(3, 4);
        model.refrushModel();
        for (int row = 0; row < 3; ++row) {
            QCOMPARE(model.data(model.index(row), 6).toInt(), -1);
            QCOMPARE(model.data(model.index(row), 7).toInt(), -1);
        }
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        model.reviseFrameSet(0, 0, 0, 0); // zeros are taken as 1, never divided by
        QCOMPARE(reset.count(), 1);
        QCOMPARE(model.revisedSet().frames.size(), size_t(3));
        for (int row = 0; row < 3; ++row)
            QCOMPARE(model.data(model.index(row), 6).toInt(), int(model.revisedSet().frames[size_t(row)].pointCount));
        QCOMPARE(model.data(model.index(0), 7).toUInt(), 0u);
        QCOMPARE(model.workSet().frames.size(), size_t(3));
    }

    void setDataChangesAndReports()
    {
        fillWork(2);
        model.refrushModel();
        const QModelIndex i = model.index(0);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QVERIFY(!model.setData(i, false, 1)); // already unchecked
        QCOMPARE(changed.count(), 0);
        QVERIFY(model.setData(i, true, 1));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toModelIndex(), i);
        QCOMPARE(changed.at(0).at(1).toModelIndex(), i);
        QVERIFY(model.workSet().frames[0].check);

        QVERIFY(model.setData(i, 25.0, 8));
        QCOMPARE(model.workSet().frames[0].scaleX, 0.25f);
        QVERIFY(!model.setData(i, 25.0, 8));
        QVERIFY(model.setData(i, 200, 9));
        QCOMPARE(model.workSet().frames[0].scaleY, 2.0f);

        // Read-only roles change nothing and say so.
        changed.clear();
        QVERIFY(!model.setData(i, 42, 2));
        QVERIFY(!model.setData(i, 42, 5));
        QCOMPARE(changed.count(), 0);
        QCOMPARE(model.workSet().frames[0].frameNumber, quint16(0));
    }

    void centreRole()
    {
        fillWork(1, 0);
        model.workSet().frames[0].vertices = {IldVertex(), IldVertex()};
        model.workSet().frames[0].vertices[1].x = 1000;
        model.workSet().frames[0].vertices[1].y = 600;
        model.refrushModel();
        QVERIFY(model.setData(model.index(0), 3, 10));
        QCOMPARE(model.workSet().frames[0].offsetX, 500.0f);
        QCOMPARE(model.workSet().frames[0].offsetY, 300.0f);
    }

    void strideSelection_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<int>("between");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<int>("startAfter");
        QTest::newRow("every third from 2 to 11") << 20 << 2 << 11 << 3 << QList<int>{2, 5, 8, 11} << 2;
        QTest::newRow("end off the stride") << 20 << 2 << 10 << 3 << QList<int>{2, 5, 8} << 2;
        QTest::newRow("start past the end") << 5 << 9 << 9 << 2 << QList<int>{4} << 4;
        QTest::newRow("negative start") << 5 << -3 << 4 << 1 << QList<int>{4} << 4;
        QTest::newRow("end below start") << 10 << 6 << 3 << 1 << QList<int>{} << 6;
        QTest::newRow("empty list") << 0 << 0 << 0 << 1 << QList<int>{} << -1;
        QTest::newRow("stride 0 counts as 1") << 6 << 1 << 3 << 0 << QList<int>{1, 2, 3} << 1;
        QTest::newRow("negative stride counts as 1") << 6 << 4 << 9 << -7 << QList<int>{4, 5} << 4;
    }
    void strideSelection()
    {
        QFETCH(int, rows);
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(int, between);
        QFETCH(QList<int>, selected);
        QFETCH(int, startAfter);
        fillWork(rows);
        model.workSet().frames.empty() ? void() : void(model.workSet().frames[0].check = true); // cleared first
        model.refrushModel();
        model.setBetween(between);
        QVERIFY(model.between() >= 1);
        model.setSelectStartFrame(start);
        model.setSelectEndFrame(end);
        QSignalSpy num(&model, &frameSetModel::selectNum_Change);
        QSignalSpy startSpy(&model, &frameSetModel::select_start_frame_Change);
        model.select();
        QCOMPARE(checkedRows(), selected);
        QCOMPARE(model.selectNum(), selected.size());
        QCOMPARE(num.count(), 1);
        QCOMPARE(num.at(0).at(0).toInt(), selected.size());
        QCOMPARE(model.selectStartFrame(), startAfter);
        if (startAfter != start) {
            QCOMPARE(startSpy.count(), 1);
            QCOMPARE(startSpy.at(0).at(0).toInt(), startAfter);
        }
    }

    void betweenKeepsAtLeastOne()
    {
        QSignalSpy spy(&model, &frameSetModel::between_Change);
        model.setBetween(0);
        QCOMPARE(model.between(), 1);
        QCOMPARE(model.property("between").toInt(), 1);
        model.setProperty("between", -4);
        QCOMPARE(model.between(), 1);
        model.setBetween(3);
        QCOMPARE(model.between(), 3);
        QCOMPARE(spy.count(), 2); // 5 -> 1, 1 -> 3
    }

    void moveViewData_data()
    {
        QTest::addColumn<int>("source");
        QTest::addColumn<int>("dest");
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("expected");
        const QList<int> same = {0, 1, 2, 3, 4, 5, 6, 7};
        QTest::newRow("3_Items_from_top_to_bottom") << 0 << 5 << 3 << QList<int>{3, 4, 5, 6, 7, 0, 1, 2};
        QTest::newRow("2_Items_from_bottom_to_top") << 6 << 0 << 2 << QList<int>{6, 7, 0, 1, 2, 3, 4, 5};
        QTest::newRow("1_Item_down_one") << 2 << 3 << 1 << QList<int>{0, 1, 3, 2, 4, 5, 6, 7};
        QTest::newRow("same_place_does_nothing") << 3 << 3 << 1 << same;
        QTest::newRow("block_past_the_end") << 6 << 0 << 3 << same;
        QTest::newRow("destination_past_the_end") << 0 << 6 << 3 << same;
        QTest::newRow("negative_source") << -1 << 2 << 1 << same;
    }
    void moveViewData()
    {
        QFETCH(int, source);
        QFETCH(int, dest);
        QFETCH(int, count);
        QFETCH(QList<int>, expected);
        fillWork(8);
        model.refrushModel();
        QSignalSpy moved(&model, &QAbstractItemModel::rowsMoved);
        model.moveRows_view_data(source, dest, count);
        QCOMPARE(order(), expected);
        const bool moves = expected != QList<int>{0, 1, 2, 3, 4, 5, 6, 7};
        QCOMPARE(moved.count(), moves ? 1 : 0);
        if (moves) {
            QCOMPARE(moved.at(0).at(1).toInt(), source);
            QCOMPARE(moved.at(0).at(2).toInt(), source + count - 1);
            QCOMPARE(moved.at(0).at(4).toInt(), source < dest ? dest + count : dest);
        }
    }

    void moveInvokable_data()
    {
        QTest::addColumn<int>("source");
        QTest::addColumn<int>("dest");
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("expected");
        const QList<int> same = {0, 1, 2, 3, 4, 5, 6, 7};
        QTest::newRow("block down") << 0 << 5 << 3 << QList<int>{3, 4, 5, 6, 7, 0, 1, 2};
        QTest::newRow("block up") << 5 << 1 << 2 << QList<int>{0, 5, 6, 1, 2, 3, 4, 7};
        QTest::newRow("source clamped to the last block") << 7 << 0 << 2 << QList<int>{6, 7, 0, 1, 2, 3, 4, 5};
        QTest::newRow("count larger than the list") << 0 << 2 << 9 << same;
        QTest::newRow("zero count") << 0 << 2 << 0 << same;
        QTest::newRow("negative dest") << 1 << -2 << 1 << same;
        QTest::newRow("same place") << 4 << 4 << 2 << same;
    }
    void moveInvokable()
    {
        QFETCH(int, source);
        QFETCH(int, dest);
        QFETCH(int, count);
        QFETCH(QList<int>, expected);
        fillWork(8);
        model.workSet().frames[5].check = true; // a moved frame keeps its own mark
        model.refrushModel();
        QSignalSpy layout(&model, &QAbstractItemModel::layoutChanged);
        model.moveRows(source, dest, count);
        QCOMPARE(order(), expected);
        QCOMPARE(model.workSet().frames.size(), size_t(8));
        QCOMPARE(checkedRows(), QList<int>{expected.indexOf(5)});
        const QList<int> identity = {0, 1, 2, 3, 4, 5, 6, 7};
        QCOMPARE(layout.count(), expected == identity ? 0 : 1);
    }

    void deleteSelectedOnly()
    {
        fillWork(8);
        for (int r : {1, 3, 4, 7})
            model.workSet().frames[size_t(r)].check = true;
        model.refrushModel();
        QSignalSpy end(&model, &frameSetModel::select_end_frame_Change);
        model.deleteFrame();
        QCOMPARE(order(), (QList<int>{0, 2, 5, 6}));
        QCOMPARE(model.selectEndFrame(), 3);
        QCOMPARE(end.count(), 1);
        QCOMPARE(end.at(0).at(0).toInt(), 3);

        end.clear();
        model.deleteFrame(); // nothing selected now
        QCOMPARE(order(), (QList<int>{0, 2, 5, 6}));
        QCOMPARE(end.count(), 1);
    }

    void selectAllAndInverse()
    {
        fillWork(4);
        model.workSet().frames[2].check = true;
        model.inverse();
        QCOMPARE(checkedRows(), (QList<int>{0, 1, 3}));
        model.selectAll();
        QCOMPARE(checkedRows(), (QList<int>{0, 1, 2, 3}));
    }

    void countAboveLimit()
    {
        fillWork(0);
        for (int points : {600, 601, 700, 12, 600}) {
            IldFrame f;
            f.pointCount = quint16(points);
            model.workSet().frames.push_back(f);
        }
        model.refrushModel();
        QCOMPARE(model.get_count_max(600), 2);
        QCOMPARE(model.get_count_max(599), 4);
        QCOMPARE(model.get_count_max(700), 0);
    }

    void currentIndex()
    {
        fillWork(3);
        model.workSet().frames[2].frameNumber = 41;
        model.refrushModel();
        QCOMPARE(model.get_current_index(2), 41);
        QCOMPARE(model.get_current_index(3), -1);
        QCOMPARE(model.get_current_index(uint(-1)), -1);
    }

    void appendFileOncePerName()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("three.ild"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ildaFile(3));
        file.close();
        const QString url = QUrl::fromLocalFile(path).toString();

        QSignalSpy end(&model, &frameSetModel::select_end_frame_Change);
        model.setIldFileName(url);
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.ildFileName(), path);
        model.setIldFileName(url);
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(end.count(), 2);
        QCOMPARE(end.last().at(0).toInt(), 2);
        model.selectAll(); // forgets the name
        model.setIldFileName(url);
        QCOMPARE(model.rowCount(), 6);
        QCOMPARE(model.selectEndFrame(), 5);

        model.setIldFileName(dir.filePath(QStringLiteral("missing.ild")));
        QCOMPARE(model.rowCount(), 6);
        QCOMPARE(model.selectEndFrame(), 5);
    }

    // Opening and selecting are no edits; an edit is unsaved until taken back.
    void unsavedWorkFollowsEdits_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("unsaved");
        QTest::newRow("select_all") << "select all" << false;
        QTest::newRow("open_a_second_file") << "open" << false;
        QTest::newRow("delete") << "delete" << true;
        QTest::newRow("delete_then_undo") << "delete, undo" << false;
    }
    void unsavedWorkFollowsEdits()
    {
        QFETCH(QString, change);
        QFETCH(bool, unsaved);
        QTemporaryDir dir;
        for (const char *name : {"a.ild", "b.ild"}) {
            QFile file(dir.filePath(QLatin1String(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(ildaFile(3));
        }
        frameSetModel m;
        m.setIldFileName(dir.filePath(QStringLiteral("a.ild")));
        QVERIFY(!m.isModified());
        if (change == QLatin1String("select all"))
            m.selectAll();
        if (change == QLatin1String("open"))
            m.setIldFileName(dir.filePath(QStringLiteral("b.ild")));
        if (change.startsWith(QLatin1String("delete"))) {
            m.setData(m.index(0), true, frameSetModel::CheckRole);
            m.deleteFrame();
        }
        if (change.endsWith(QLatin1String("undo")))
            m.undo();
        QCOMPARE(m.isModified(), unsaved);
    }

    void undoRestoresTheSavedFile_data()
    {
        QTest::addColumn<QString>("action");
        for (const char *a : {"open", "delete", "move", "move_by_drag", "scale", "centre", "revise", "import", "text",
                              "drawing", "optimize"})
            QTest::newRow(a) << a;
    }

    // The editor's save before an edit, after its undo and after its redo.
    void undoRestoresTheSavedFile()
    {
        QFETCH(QString, action);
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("six.ild"));
        const QString other = dir.filePath(QStringLiteral("two.ild"));
        for (const auto &[path, frames] : {std::pair{source, 6}, std::pair{other, 2}}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(ildaFile(frames));
        }
        model.setIldFileName(source);
        for (int r : {1, 3})
            model.setData(model.index(r), true, frameSetModel::CheckRole);

        // What the save button writes (checked frames), plus every frame and the revise result.
        auto saved = [&dir, this] {
            const QString out = dir.filePath(QStringLiteral("out.ild"));
            QFile::remove(out);
            model.workSet().saveIld(out, model.viewSettings().colors);
            QFile f(out);
            f.open(QIODevice::ReadOnly);
            QByteArray all = f.readAll() + '|';
            for (IldFrameSet set : {model.workSet(), model.revisedSet()}) {
                for (IldFrame &frame : set.frames)
                    frame.check = true;
                QByteArray bytes;
                set.toIldaBytes(bytes, model.viewSettings().colors);
                all += bytes + '|';
            }
            return all;
        };
        const QByteArray before = saved();

        if (action == "open")
            model.setIldFileName(other); // appends
        else if (action == "delete")
            model.deleteFrame();
        else if (action == "move")
            model.moveRows(1, 4, 1);
        else if (action == "move_by_drag")
            model.moveRows_view_data(0, 5, 1);
        else if (action == "scale")
            for (int percent : {90, 70, 50}) // one dragged slider: one step
                model.setData(model.index(2), percent, frameSetModel::ScaleXRole);
        else if (action == "centre")
            model.setData(model.index(2), 3, frameSetModel::CenterRole);
        else if (action == "revise")
            model.reviseFrameSet(1, 2, 3, 40);
        else if (action == "import")
            QCOMPARE(model.importSvg(QUrl::fromLocalFile(QStringLiteral(BEAMDECK_TEST_DATA "/content/circle.svg"))), 1);
        else if (action == "text")
            QCOMPARE(model.addText(QStringLiteral("Hi"), QString(), true), 1);
        else if (action == "optimize")
            QCOMPARE(model.optimizeFrames(), 2);
        else if (action == "drawing") {
            DrawAreaWidget canvas;
            canvas.setSize(QSizeF(100, 100));
            for (const auto &[type, at] : {std::pair{QEvent::MouseButtonPress, QPointF(10, 10)},
                                           std::pair{QEvent::MouseMove, QPointF(90, 40)}}) {
                QMouseEvent e(type, at, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
                QCoreApplication::sendEvent(&canvas, &e);
            }
            QCOMPARE(model.addDrawing(&canvas), 1);
        }
        const QByteArray after = saved();
        QVERIFY(after != before);
        QVERIFY(model.canUndo());

        QSignalSpy redoable(&model, &frameSetModel::canRedoChanged);
        model.undo();
        QCOMPARE(saved(), before);
        QCOMPARE(redoable.count(), 1);
        QVERIFY(model.canRedo());
        model.redo();
        QCOMPARE(saved(), after);
        model.undo();
    }

    // Revised frames go with the list they were made from: a change of the
    // list's frames drops them (undo brings them back with the list); marks
    // and scale leave them.
    void listChangesDropRevisedFrames_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("drops");
        for (const char *a : {"delete", "move", "move_by_drag", "open", "import", "text", "optimize"})
            QTest::newRow(a) << a << true;
        QTest::newRow("check_mark") << "check_mark" << false;
        QTest::newRow("scale") << "scale" << false;
        QTest::newRow("delete_nothing_selected") << "delete_nothing_selected" << false;
    }
    void listChangesDropRevisedFrames()
    {
        QFETCH(QString, action);
        QFETCH(bool, drops);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("four.ild"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ildaFile(4));
        file.close();
        model.setIldFileName(path);
        model.setData(model.index(1), true, frameSetModel::CheckRole);
        model.reviseFrameSet(1, 0, 1, 600);
        QVERIFY(model.revisedCurrent());
        QSignalSpy current(&model, &frameSetModel::revisedCurrentChanged);

        if (action == "delete")
            model.deleteFrame();
        else if (action == "delete_nothing_selected") {
            model.setData(model.index(1), false, frameSetModel::CheckRole);
            model.deleteFrame();
        } else if (action == "move")
            model.moveRows(0, 2, 1);
        else if (action == "move_by_drag")
            model.moveRows_view_data(0, 2, 1);
        else if (action == "open") {
            QFile more(dir.filePath(QStringLiteral("more.ild")));
            QVERIFY(more.open(QIODevice::WriteOnly));
            more.write(ildaFile(2));
            more.close();
            model.setIldFileName(more.fileName());
        } else if (action == "import")
            model.importSvg(QUrl::fromLocalFile(QStringLiteral(BEAMDECK_TEST_DATA "/content/circle.svg")));
        else if (action == "text")
            model.addText(QStringLiteral("Hi"), QString(), true);
        else if (action == "optimize")
            model.optimizeFrames();
        else if (action == "check_mark")
            model.setData(model.index(2), true, frameSetModel::CheckRole);
        else if (action == "scale")
            model.setData(model.index(2), 50, frameSetModel::ScaleXRole);

        QCOMPARE(model.revisedCurrent(), !drops);
        QCOMPARE(model.revisedSet().frames.empty(), drops);
        QCOMPARE(current.count(), drops ? 1 : 0);
        QCOMPARE(model.data(model.index(0), frameSetModel::ReviseCountRole).toInt() < 0, drops);
        if (drops) {
            model.undo(); // the list and its revised frames come back together
            QVERIFY(model.revisedCurrent());
            QCOMPARE(model.revisedSet().frames.size(), size_t(model.rowCount()));
        }
    }

    // Snapshots share the points of frames an edit did not touch: a delete
    // keeps little more than the deleted frame, and the history stays within
    // its budget, always keeping the newest step.
    void undoSharesUnchangedFrames()
    {
        const qint64 frame = 5000 * qint64(sizeof(IldVertex));
        fillWork(20, 5000);
        for (size_t i = 0; i < 20; ++i)
            for (IldVertex &v : model.workSet().frames[i].vertices)
                v.x = qint16(i); // frames differ
        model.refrushModel();
        model.setData(model.index(3), true, frameSetModel::CheckRole);
        model.deleteFrame(); // the first step holds the list once
        const qint64 first = model.undoMemory();
        QVERIFY2(first < 21 * frame, qPrintable(QString::number(first)));
        for (int d = 0; d < 5; ++d) {
            model.setData(model.index(d), true, frameSetModel::CheckRole);
            model.deleteFrame();
        }
        const qint64 perDelete = (model.undoMemory() - first) / 5;
        QVERIFY2(perDelete < frame / 4, qPrintable(QString::number(perDelete)));
        for (int d = 0; d < 6; ++d)
            model.undo();
        QCOMPARE(model.rowCount(), 20);
        QCOMPARE(model.workSet().frames[3].vertices.front().x, qint16(3));
    }

    void historyKeepsToItsBudget()
    {
        // A step that keeps `bytes` of its own and one block shared by all.
        struct Step : UndoStep
        {
            Step(qint64 bytes, const void *shared) : UndoStep(QStringLiteral("step")), bytes(bytes), shared(shared) {}
            void undo() override {}
            void redo() override {}
            void countMemory(MemoryCount &count) const override
            {
                count.add(bytes);
                count.addShared(shared, 500);
            }
            qint64 bytes;
            const void *shared;
        };
        const int block = 0;
        UndoHistory history(2000, 10);
        QSignalSpy undoable(&history, &UndoHistory::canUndoChanged);
        for (int i = 0; i < 4; ++i)
            history.push(std::make_unique<Step>(400, &block));
        QCOMPARE(history.count(), 3); // 500 shared once + 3 x 400
        QCOMPARE(history.memory(), 1700);
        history.push(std::make_unique<Step>(5000, &block));
        QCOMPARE(history.count(), 1); // the newest stays whatever it costs
        QVERIFY(history.canUndo());
        history.undo();
        QVERIFY(!history.canUndo() && history.canRedo());
        QCOMPARE(undoable.count(), 2);
        for (int i = 0; i < 12; ++i)
            history.push(std::make_unique<Step>(1, &block));
        QCOMPARE(history.count(), 10);
        QVERIFY(!history.canRedo());
    }

    void undoNeverDropsFramesAddedOutsideTheHistory()
    {
        fillWork(4);
        model.workSet().frames[1].check = true;
        model.deleteFrame();
        model.setData(model.index(0), true, frameSetModel::CheckRole); // a selection keeps the history
        model.setData(model.index(1), 50, frameSetModel::ScaleXRole);
        model.undo();
        QCOMPARE(model.workSet().frames[1].scaleX, 1.0f);
        QVERIFY(model.canUndo());
        IldFrame imported; // as a table import adds it
        imported.frameNumber = 9;
        model.workSet().frames.push_back(imported);
        model.undo();
        QCOMPARE(order(), (QList<int>{0, 2, 3, 9}));
        QVERIFY(!model.canUndo());
    }
};

QTEST_MAIN(TestFrameSetModel)
#include "tst_framesetmodel.moc"
