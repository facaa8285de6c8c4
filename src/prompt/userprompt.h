#pragma once

#include <QFlags>
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

// Everything that waits on a person goes through here, so that the models and
// the network controller need no widgets and tests answer without a screen.
// The application installs a message-box implementation at start-up.
class UserPrompt
{
public:
    enum Icon { NoIcon, Information, Warning, Critical, Question };
    enum Button { NoButton = 0x0, Ok = 0x1, Yes = 0x2, No = 0x4, Save = 0x8, Discard = 0x10, Cancel = 0x20 };
    Q_DECLARE_FLAGS(Buttons, Button)

    virtual ~UserPrompt();

    // Shows a modal box and returns the button that closed it (NoButton when
    // it was closed without an answer).
    virtual Button showMessage(Icon icon, const QString &title, const QString &text, Buttons buttons,
                               Button defaultButton = NoButton) = 0;

    // Shows a box without blocking (application-modal) and returns at once.
    // onAnswer, when given, is called with the button that closed it (NoButton
    // when closed without an answer); destroying or closing the returned
    // notice drops the box without calling it.
    using AnswerHandler = std::function<void(Button)>;
    virtual std::unique_ptr<UserNotice> openMessage(Icon icon, const QString &title, const QString &text,
                                                    Buttons buttons, Button defaultButton = NoButton,
                                                    AnswerHandler onAnswer = AnswerHandler()) = 0;

    // Shows a box that neither blocks nor stops the rest of the program and
    // wants no answer: a file that could not be read, files left out of an
    // export. It goes away when the user closes it.
    virtual void showNotice(Icon icon, const QString &title, const QString &text) = 0;

    // Before a window with unsaved work closes: Save, Discard or Cancel (also
    // when the box is closed without an answer). what says what is unsaved.
    Button askSaveChanges(const QString &what);

    // Answers nothing and shows nothing: every box becomes a log line and is
    // taken as closed without an answer. What an owner without a prompt uses.
    static UserPrompt &unattended();
};

Q_DECLARE_OPERATORS_FOR_FLAGS(UserPrompt::Buttons)
