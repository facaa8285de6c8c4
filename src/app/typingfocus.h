#pragma once

#include <QObject>

// Keys act on the page unless someone is typing. A text field keeps Ctrl+Z,
// Ctrl+A, Delete and Space for itself while it has the focus, and buttons,
// tiles and empty space do not take the focus when pressed: so a press
// anywhere but on the field being typed in hands the focus back to its
// window, and the page's shortcuts work again. Installed on the application,
// it watches every Qt Quick window.
class TypingFocus : public QObject
{
    Q_OBJECT
public:
    explicit TypingFocus(QObject *parent = nullptr);
    bool eventFilter(QObject *watched, QEvent *event) override;
};
