#include "typingfocus.h"

#include <QMouseEvent>
#include <QQuickItem>
#include <QQuickWindow>

TypingFocus::TypingFocus(QObject *parent) : QObject(parent) {}

bool TypingFocus::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::MouseButtonPress)
        return false;
    auto *window = qobject_cast<QQuickWindow *>(watched);
    QQuickItem *focus = window ? window->activeFocusItem() : nullptr;
    if (!focus || !(focus->inherits("QQuickTextInput") || focus->inherits("QQuickTextEdit")))
        return false;
    // Runs before the press is delivered: a control that takes the focus on
    // press (another field, a slider) still takes it.
    const QPointF at = static_cast<QMouseEvent *>(event)->localPos();
    if (focus->contains(focus->mapFromScene(at)))
        return false;
    // Out of every focus scope up to the window's own item; the field's
    // scopes would otherwise hand the focus straight back to it.
    for (QQuickItem *item = focus; item && item != window->contentItem(); item = window->activeFocusItem()) {
        item->setFocus(false);
        if (window->activeFocusItem() == item)
            break;
    }
    window->contentItem()->forceActiveFocus(Qt::MouseFocusReason);
    return false;
}
