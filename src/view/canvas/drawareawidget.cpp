#include "drawareawidget.h"

#include "curve.h"
#include "viewlog.h"

#include <QMouseEvent>
#include <QPainter>

DrawAreaWidget::DrawAreaWidget(QQuickItem *parent) : DrawAreaWidget(parent, false) {}

DrawAreaWidget::DrawAreaWidget(QQuickItem *parent, bool logReset) : QQuickPaintedItem(parent), m_logReset(logReset)
{
    reset();
}

DrawAreaWidget::~DrawAreaWidget()
{
    clearShapes();
}

void DrawAreaWidget::clearShapes()
{
    m_currentShape = nullptr;
    qDeleteAll(m_shapes);
    m_shapes.clear();
}

void DrawAreaWidget::reset()
{
    clearShapes();
    m_shapeKind = 0;
    m_newShapePending = true;
    m_modelPic = Drawing;
    setAcceptedMouseButtons(Qt::AllButtons);
    if (m_logReset)
        qCDebug(lcView) << "init";
}

void DrawAreaWidget::setColor(const QColor &color)
{
    if (color == m_color)
        return;
    m_color = color;
    repaintAll();
}

void DrawAreaWidget::repaintAll()
{
    update();
}

void DrawAreaWidget::paint(QPainter *painter)
{
    painter->setRenderHint(QPainter::Qt4CompatiblePainting);
    for (AbstractShape *shape : qAsConst(m_shapes))
        shape->drawShape(painter);
}

void DrawAreaWidget::mousePressEvent(QMouseEvent *event)
{
    qCDebug(lcView) << "mouse pressed";
    if (!event || event->button() != Qt::LeftButton || m_modelPic != Drawing)
        return;
    if (m_newShapePending) {
        if (m_shapeKind == 0)
            m_currentShape = new Curve;
        if (m_currentShape)
            m_shapes.append(m_currentShape);
        m_newShapePending = false;
    }
    if (m_currentShape) {
        m_currentShape->appendPoint(event->localPos().toPoint(), m_color);
        repaintAll();
    }
}

void DrawAreaWidget::mouseMoveEvent(QMouseEvent *event)
{
    qCDebug(lcView) << "mouse Move";
    if (!event || !m_currentShape)
        return;
    m_currentShape->movePoint(event->localPos().toPoint(), m_color);
    repaintAll();
}

void DrawAreaWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    qCDebug(lcView) << "mouse DoubleClick";
    if (!event || !m_currentShape)
        return;
    m_currentShape->endPoint = event->localPos().toPoint();
    repaintAll();
    m_newShapePending = true;
    m_currentShape = nullptr;
}
