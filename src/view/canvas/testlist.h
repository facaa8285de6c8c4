#pragma once

#include "drawareawidget.h"

#include <QList>
#include <QQmlListProperty>
#include <QQuickItem>

// Gathers canvases: each one appended to slices becomes a child item.
class TestList : public QQuickItem
{
    Q_OBJECT
    Q_PROPERTY(QQmlListProperty<DrawAreaWidget> slices READ slices)
public:
    explicit TestList(QQuickItem *parent = nullptr);

    const QList<DrawAreaWidget *> &items() const { return m_slices; }

public slots:
    // Append only: no count, no index, no clear.
    QQmlListProperty<DrawAreaWidget> slices();

private:
    static void appendSlice(QQmlListProperty<DrawAreaWidget> *list, DrawAreaWidget *item);

    QList<DrawAreaWidget *> m_slices;
};
