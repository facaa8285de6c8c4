#pragma once

#include <QColor>
#include <QList>
#include <QQuickPaintedItem>

class AbstractShape;
class QMouseEvent;

// Free drawing canvas: each stroke is a polyline drawn with the mouse in the
// canvas's current colour.
class DrawAreaWidget : public QQuickPaintedItem
{
    Q_OBJECT
    Q_PROPERTY(QColor color READ color WRITE setColor)
    Q_PROPERTY(MPic modelPic READ modelPic WRITE setModelPic)
public:
    // Only Drawing lets presses draw; the other modes leave the canvas as it is.
    enum MPic : int { Drawing = 0, Viewing = 1 }; // fixed type: QML may store any int
    Q_ENUM(MPic)

    explicit DrawAreaWidget(QQuickItem *parent = nullptr);
    ~DrawAreaWidget() override;

    QColor color() const { return m_color; }
    void setColor(const QColor &color);
    MPic modelPic() const { return m_modelPic; }
    void setModelPic(MPic mode) { m_modelPic = mode; }

    const QList<AbstractShape *> &shapes() const { return m_shapes; }
    AbstractShape *currentShape() const { return m_currentShape; }

    void paint(QPainter *painter) override;

public slots:
    // Slots for QML and, at the same time, the item's own mouse handlers.
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

protected:
    DrawAreaWidget(QQuickItem *parent, bool logReset);
    // Every change repaints the whole item through here.
    virtual void repaintAll();

private:
    void reset();
    void clearShapes();

    QList<AbstractShape *> m_shapes; // owned, in drawing order
    AbstractShape *m_currentShape = nullptr;
    int m_shapeKind = 0; // 0: Curve, the only kind
    bool m_newShapePending = true;
    QColor m_color;
    MPic m_modelPic = Drawing;
    bool m_logReset = false;
};
