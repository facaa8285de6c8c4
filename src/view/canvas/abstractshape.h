#pragma once

#include <QBrush>
#include <QObject>
#include <QPen>
#include <QPoint>

class QPainter;

// Something the drawing canvas draws. An object (not a widget) so that the
// canvas and tests can track it with QPointer and qobject_cast.
class AbstractShape : public QObject
{
    Q_OBJECT
public:
    explicit AbstractShape(QObject *parent = nullptr);

    QPoint startPoint;
    QPoint endPoint; // set by the canvas when the shape is finished
    QBrush brush;
    QPen pen;

    virtual void drawShape(QPainter *painter) = 0;
    // A mouse press adds a point, a move drags the last one.
    virtual void appendPoint(QPoint point, QColor color) = 0;
    virtual void movePoint(QPoint point, QColor color) = 0;

public slots:
    void setPen(QPen pen);
    void setBrush(QBrush brush);
};
