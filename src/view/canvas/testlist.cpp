#include "testlist.h"

TestList::TestList(QQuickItem *parent) : QQuickItem(parent) {}

QQmlListProperty<DrawAreaWidget> TestList::slices()
{
    return QQmlListProperty<DrawAreaWidget>(this, this, &TestList::appendSlice, nullptr, nullptr, nullptr);
}

void TestList::appendSlice(QQmlListProperty<DrawAreaWidget> *list, DrawAreaWidget *item)
{
    auto *self = static_cast<TestList *>(list->data);
    if (!self || !item)
        return;
    item->setParentItem(self);
    self->m_slices.append(item);
}
