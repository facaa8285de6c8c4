#include "abstractshape.h"

AbstractShape::AbstractShape(QWidget *parent) : QWidget(parent)
{
    setBackgroundRole(QPalette::Base);
}

void AbstractShape::setPen(QPen p)
{
    pen = p;
}

void AbstractShape::setBrush(QBrush b)
{
    brush = b;
}
