#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>
#include <memory>

// A box that stays up without blocking its caller, until the user answers it
// or its owner closes it.
class UserNotice
{
public:
    virtual ~UserNotice();
    virtual bool isOpen() const = 0;
    // Closes the box without calling its answer handler.
    virtual void close() = 0;
};

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

    // Shows a box without blocking (application-modal by default) and returns
    // at once. onAnswer, when given, is called with the button that closed it
    // (QMessageBox::NoButton when closed without an answer); destroying or
    // closing the returned notice drops the box without calling it.
    using AnswerHandler = std::function<void(QMessageBox::StandardButton)>;
    virtual std::unique_ptr<UserNotice> openMessage(QMessageBox::Icon icon, const QString &title, const QString &text,
                                                    QMessageBox::StandardButtons buttons,
                                                    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton,
                                                    AnswerHandler onAnswer = AnswerHandler());

    // Shows a box that neither blocks nor stops the rest of the program and
    // wants no answer: a file that could not be read, files left out of an
    // export. It goes away when the user closes it.
    virtual void showNotice(QMessageBox::Icon icon, const QString &title, const QString &text);

    static UserPrompt *instance();
    // Replaces the prompt (tests); nullptr restores the default.
    static void setInstance(UserPrompt *prompt);
};
