#pragma once

#include <QBrush>
#include <QPen>
#include <QPoint>
#include <QWidget>

class QPainter;

// Something the drawing canvas draws. A widget only for its palette: it is
// never shown.
class AbstractShape : public QWidget
{
    Q_OBJECT
public:
    explicit AbstractShape(QWidget *parent = nullptr);

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
