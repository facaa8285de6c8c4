#include "abstractshape.h"

AbstractShape::AbstractShape(QObject *parent) : QObject(parent) {}

void AbstractShape::setPen(QPen p)
{
    pen = p;
}

void AbstractShape::setBrush(QBrush b)
{
    brush = b;
}
