#pragma once

#include <QMessageBox>
#include <QString>

// Everything that waits on a person goes through here, so that tests can
// answer without a screen. The default shows modal QMessageBoxes.
class UserPrompt
{
public:
    virtual ~UserPrompt();

    // Shows a modal box and returns the button that closed it
    // (QMessageBox::NoButton when it was closed without an answer).
    virtual QMessageBox::StandardButton showMessage(QMessageBox::Icon icon, const QString &title,
                                                    const QString &text, QMessageBox::StandardButtons buttons,
                                                    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

    static UserPrompt *instance();
    // Replaces the prompt (tests); nullptr restores the default.
    static void setInstance(UserPrompt *prompt);
};
