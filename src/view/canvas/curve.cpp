#include "curve.h"

#include "viewlog.h"

#include <QPainter>

Curve::Curve() : AbstractShape(nullptr) {}

void Curve::drawShape(QPainter *painter)
{
    qCDebug(lcView) << "片断:" << points << "颜色:" << colors;
    if (!painter || points.size() < 2)
        return;
    for (int i = 1; i < points.size(); ++i) {
        painter->setPen(colors.at(i));
        painter->drawLine(points.at(i - 1), points.at(i));
    }
}

void Curve::appendPoint(QPoint point, QColor color)
{
    points.append(point);
    colors.append(color);
}

void Curve::movePoint(QPoint point, QColor color)
{
    // Rubber band: the second point follows the mouse from the first drag on.
    if (points.size() < 2) {
        appendPoint(point, color);
        return;
    }
    points.last() = point;
    colors.last() = color;
}
