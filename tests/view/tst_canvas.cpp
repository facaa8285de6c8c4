#include "curve.h"
#include "drawareawidget.h"
#include "drawpalettesegment.h"
#include "startup.h"
#include "testlist.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QtTest>

namespace {

// Counts whole-item repaints instead of scheduling them.
template <class Canvas> class Counting : public Canvas
{
public:
    int repaints = 0;

protected:
    void repaintAll() override { ++repaints; }
};

void press(DrawAreaWidget &c, QPointF pos, Qt::MouseButton button = Qt::LeftButton)
{
    QMouseEvent e(QEvent::MouseButtonPress, pos, button, button, Qt::NoModifier);
    c.mousePressEvent(&e);
}

void move(DrawAreaWidget &c, QPointF pos)
{
    QMouseEvent e(QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    c.mouseMoveEvent(&e);
}

void doubleClick(DrawAreaWidget &c, QPointF pos)
{
    QMouseEvent e(QEvent::MouseButtonDblClick, pos, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    c.mouseDoubleClickEvent(&e);
}

QImage render(DrawAreaWidget &c, QSize size = QSize(60, 60))
{
    QImage img(size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    c.paint(&p);
    return img;
}

bool blank(const QImage &img)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) != 0)
                return false;
    return true;
}

const Curve *curveAt(const DrawAreaWidget &c, int i)
{
    return qobject_cast<const Curve *>(c.shapes().value(i));
}

} // namespace

class TestCanvas : public QObject
{
    Q_OBJECT
private slots:
    void startsEmpty()
    {
        DrawAreaWidget c;
        QVERIFY(c.shapes().isEmpty());
        QVERIFY(!c.color().isValid());
        QCOMPARE(c.modelPic(), DrawAreaWidget::Drawing);
        QCOMPARE(c.acceptedMouseButtons(), Qt::AllButtons);
    }

    void paletteSegmentSaysInit()
    {
        QTest::ignoreMessage(QtDebugMsg, "init");
        DrawPaletteSegment s;
        QCOMPARE(s.acceptedMouseButtons(), Qt::AllButtons);
        s.setColor(Qt::red);
        press(s, QPointF(1, 1));
        move(s, QPointF(20, 1));
        QCOMPARE(s.shapes().size(), 1);
    }

    void pressesThatDrawNothing_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("mode");
        QTest::newRow("right_button") << int(Qt::RightButton) << 0;
        QTest::newRow("middle_button") << int(Qt::MiddleButton) << 0;
        QTest::newRow("mode_1") << int(Qt::LeftButton) << 1;
        QTest::newRow("mode_7") << int(Qt::LeftButton) << 7;
    }
    void pressesThatDrawNothing()
    {
        QFETCH(int, button);
        QFETCH(int, mode);
        DrawAreaWidget c;
        c.setColor(Qt::red);
        c.setModelPic(DrawAreaWidget::MPic(mode));
        press(c, QPointF(5, 5), Qt::MouseButton(button));
        move(c, QPointF(40, 40));
        press(c, QPointF(40, 40), Qt::MouseButton(button));
        QVERIFY(c.shapes().isEmpty());
        QVERIFY(blank(render(c)));
    }

    void movesReachOpenShapeInAnyMode()
    {
        DrawAreaWidget c;
        c.setColor(Qt::red);
        press(c, QPointF(0, 0));
        c.setModelPic(DrawAreaWidget::Viewing);
        move(c, QPointF(10, 0));
        press(c, QPointF(10, 0)); // blocked
        QCOMPARE(curveAt(c, 0)->points, QVector<QPoint>({QPoint(0, 0), QPoint(10, 0)}));
    }

    void positionsAreRounded()
    {
        DrawAreaWidget c;
        press(c, QPointF(2.5, 3.4));
        move(c, QPointF(7.6, -0.6));
        QCOMPARE(curveAt(c, 0)->points, QVector<QPoint>({QPoint(3, 3), QPoint(8, -1)}));
    }

    void doubleClickEndsStroke()
    {
        DrawAreaWidget c;
        c.setColor(Qt::red);
        press(c, QPointF(0, 0));
        move(c, QPointF(10, 0));
        doubleClick(c, QPointF(10.4, 0));
        QCOMPARE(c.currentShape(), nullptr);
        QCOMPARE(c.shapes().at(0)->endPoint, QPoint(10, 0));
        move(c, QPointF(30, 30)); // no open shape: nothing changes
        QCOMPARE(curveAt(c, 0)->points.size(), 2);
        press(c, QPointF(0, 20));
        QCOMPARE(c.shapes().size(), 2);
        QCOMPARE(curveAt(c, 1)->points, QVector<QPoint>({QPoint(0, 20)}));
    }

    void doubleClickWithoutShapeOnlyLogs()
    {
        Counting<DrawAreaWidget> c;
        QTest::ignoreMessage(QtDebugMsg, "mouse DoubleClick");
        doubleClick(c, QPointF(3, 3));
        QCOMPARE(c.repaints, 0);
        QVERIFY(c.shapes().isEmpty());
    }

    void nullEventsAreIgnored()
    {
        DrawAreaWidget c;
        c.mousePressEvent(nullptr);
        c.mouseMoveEvent(nullptr);
        c.mouseDoubleClickEvent(nullptr);
        QVERIFY(c.shapes().isEmpty());
    }

    void twoStrokesKeepTheirColours()
    {
        DrawAreaWidget c;
        c.setColor(Qt::red);
        press(c, QPointF(5, 10));
        move(c, QPointF(50, 10));
        doubleClick(c, QPointF(50, 10));
        c.setColor(Qt::blue);
        press(c, QPointF(5, 40));
        move(c, QPointF(50, 40));
        doubleClick(c, QPointF(50, 40));
        const QImage img = render(c);
        QCOMPARE(QColor(img.pixel(25, 10)), QColor(Qt::red));
        QCOMPARE(QColor(img.pixel(25, 40)), QColor(Qt::blue));
        QCOMPARE(qAlpha(img.pixel(25, 25)), 0);
    }

    void equalColourRepaintsOnce()
    {
        Counting<DrawAreaWidget> c;
        c.setColor(QColor(10, 20, 30));
        c.setColor(QColor(10, 20, 30));
        QCOMPARE(c.repaints, 1);
        c.setColor(QColor(10, 20, 31));
        QCOMPARE(c.repaints, 2);
    }

    void everyEditRepaints()
    {
        Counting<DrawPaletteSegment> c;
        press(c, QPointF(1, 1));
        move(c, QPointF(2, 2));
        doubleClick(c, QPointF(2, 2));
        QCOMPARE(c.repaints, 3);
    }

    void redBlueCurve()
    {
        DrawAreaWidget c;
        c.setColor(Qt::red);
        press(c, QPointF(0, 0));
        move(c, QPointF(10, 0));
        c.setColor(Qt::blue);
        press(c, QPointF(10, 0));
        move(c, QPointF(10, 10));
        const Curve *curve = curveAt(c, 0);
        QVERIFY(curve);
        QCOMPARE(curve->points, QVector<QPoint>({QPoint(0, 0), QPoint(10, 0), QPoint(10, 10)}));
        QCOMPARE(curve->colors, QVector<QColor>({Qt::red, Qt::red, Qt::blue}));

        const QImage img = render(c, QSize(20, 20));
        QCOMPARE(QColor(img.pixel(5, 0)), QColor(Qt::red));
        QCOMPARE(QColor(img.pixel(10, 5)), QColor(Qt::blue));
        QCOMPARE(QColor(img.pixel(10, 9)), QColor(Qt::blue));
        QCOMPARE(qAlpha(img.pixel(5, 5)), 0);
    }

    void curveOfOnePointDrawsNothingButLogs()
    {
        Curve curve;
        curve.appendPoint(QPoint(1, 2), Qt::red);
        QTest::ignoreMessage(QtDebugMsg, "片断: QVector(QPoint(1,2)) 颜色: QVector(QColor(ARGB 1, 1, 0, 0))");
        QImage img(10, 10, QImage::Format_ARGB32);
        img.fill(Qt::transparent);
        QPainter p(&img);
        curve.drawShape(&p);
        p.end();
        QVERIFY(blank(img));
    }

    void movePointOnEmptyCurveAdds()
    {
        Curve curve;
        curve.movePoint(QPoint(4, 4), Qt::green);
        QCOMPARE(curve.points, QVector<QPoint>({QPoint(4, 4)}));
        curve.movePoint(QPoint(5, 5), Qt::blue);
        curve.movePoint(QPoint(6, 6), Qt::red);
        QCOMPARE(curve.points, QVector<QPoint>({QPoint(4, 4), QPoint(6, 6)}));
        QCOMPARE(curve.colors, QVector<QColor>({Qt::green, Qt::red}));
        QVERIFY(!curve.isWidgetType()); // never shown: not a widget at all
    }

    void canvasFreesItsShapes()
    {
        auto *c = new DrawAreaWidget;
        press(*c, QPointF(1, 1));
        doubleClick(*c, QPointF(1, 1));
        press(*c, QPointF(2, 2));
        QPointer<AbstractShape> first = c->shapes().at(0);
        QPointer<AbstractShape> second = c->shapes().at(1);
        delete c;
        QVERIFY(first.isNull());
        QVERIFY(second.isNull());
    }

    void testListAppendsAndParents()
    {
        TestList list;
        DrawAreaWidget a;
        DrawPaletteSegment b;
        QQmlListProperty<DrawAreaWidget> slices = list.slices();
        QVERIFY(slices.append);
        QVERIFY(!slices.count);
        QVERIFY(!slices.at);
        QVERIFY(!slices.clear);
        slices.append(&slices, &a);
        slices.append(&slices, &b);
        slices.append(&slices, nullptr);
        QCOMPARE(list.items(), QList<DrawAreaWidget *>({&a, &b}));
        QCOMPARE(a.parentItem(), &list);
        QCOMPARE(b.parentItem(), &list);
        a.setParentItem(nullptr);
        b.setParentItem(nullptr);
    }

    void registeredForQml()
    {
        registerQmlTypes();
        QQmlEngine engine;
        QQmlComponent component(&engine);
        component.setData("import QtQuick 2.0\n"
                          "import an.qt.DrawAreaWidget 1.0\n"
                          "import an.qt.DrawPaletteSegment 1.0\n"
                          "TestList {\n"
                          "  property var palette: DrawPaletteSegment { color: \"red\" }\n"
                          "  slices: [ DrawAreaWidget { modelPic: DrawAreaWidget.Viewing }, DrawAreaWidget {} ]\n"
                          "}\n",
                          QUrl());
        QScopedPointer<QObject> root(component.create());
        QVERIFY2(root, qPrintable(component.errorString()));
        auto *list = qobject_cast<TestList *>(root.data());
        QVERIFY(list);
        QCOMPARE(list->items().size(), 2);
        QCOMPARE(list->items().at(0)->modelPic(), DrawAreaWidget::Viewing);
        QCOMPARE(list->items().at(1)->parentItem(), list);
        auto *segment = qobject_cast<DrawPaletteSegment *>(root->property("palette").value<QObject *>());
        QVERIFY(segment);
        QCOMPARE(segment->color(), QColor(Qt::red));
    }
};

QTEST_MAIN(TestCanvas)
#include "tst_canvas.moc"
