#pragma once

#include "abstractshape.h"

#include <QColor>
#include <QVector>

// A polyline whose segments each keep the colour that was current when their
// end point was set.
class Curve : public AbstractShape
{
    Q_OBJECT
public:
    Curve();

    QVector<QPoint> points;
    QVector<QColor> colors; // one per point

    void drawShape(QPainter *painter) override;
    void appendPoint(QPoint point, QColor color) override;
    void movePoint(QPoint point, QColor color) override;
};
