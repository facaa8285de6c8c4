#include "messageboxprompt.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPointer>

namespace {

QMessageBox::Icon boxIcon(UserPrompt::Icon icon)
{
    switch (icon) {
    case UserPrompt::Information:
        return QMessageBox::Information;
    case UserPrompt::Warning:
        return QMessageBox::Warning;
    case UserPrompt::Critical:
        return QMessageBox::Critical;
    case UserPrompt::Question:
        return QMessageBox::Question;
    case UserPrompt::NoIcon:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton boxButton(UserPrompt::Button button)
{
    switch (button) {
    case UserPrompt::Ok:
        return QMessageBox::Ok;
    case UserPrompt::Yes:
        return QMessageBox::Yes;
    case UserPrompt::No:
        return QMessageBox::No;
    case UserPrompt::Save:
        return QMessageBox::Save;
    case UserPrompt::Discard:
        return QMessageBox::Discard;
    case UserPrompt::Cancel:
        return QMessageBox::Cancel;
    case UserPrompt::NoButton:
        break;
    }
    return QMessageBox::NoButton;
}

QMessageBox::StandardButtons boxButtons(UserPrompt::Buttons buttons)
{
    QMessageBox::StandardButtons result;
    for (UserPrompt::Button b :
         {UserPrompt::Ok, UserPrompt::Yes, UserPrompt::No, UserPrompt::Save, UserPrompt::Discard, UserPrompt::Cancel})
        if (buttons.testFlag(b))
            result |= boxButton(b);
    return result;
}

UserPrompt::Button promptButton(int button)
{
    switch (button) {
    case QMessageBox::Ok:
        return UserPrompt::Ok;
    case QMessageBox::Yes:
        return UserPrompt::Yes;
    case QMessageBox::No:
        return UserPrompt::No;
    case QMessageBox::Save:
        return UserPrompt::Save;
    case QMessageBox::Discard:
        return UserPrompt::Discard;
    case QMessageBox::Cancel:
        return UserPrompt::Cancel;
    default:
        return UserPrompt::NoButton;
    }
}

class MessageBoxNotice : public UserNotice
{
public:
    MessageBoxNotice(UserPrompt::Icon icon, const QString &title, const QString &text, UserPrompt::Buttons buttons,
                     UserPrompt::Button defaultButton, UserPrompt::AnswerHandler onAnswer)
        : m_box(new QMessageBox(boxIcon(icon), title, text, boxButtons(buttons)))
    {
        QMessageBox *box = m_box;
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::ApplicationModal);
        if (defaultButton != UserPrompt::NoButton)
            box->setDefaultButton(boxButton(defaultButton));
        if (onAnswer) {
            m_answer = QObject::connect(box, &QDialog::finished, box, [box, onAnswer](int) {
                QAbstractButton *clicked = box->clickedButton();
                onAnswer(clicked ? promptButton(box->standardButton(clicked)) : UserPrompt::NoButton);
            });
        }
        box->show();
    }
    ~MessageBoxNotice() override { close(); }
    bool isOpen() const override { return m_box && m_box->isVisible(); }
    void close() override
    {
        if (!m_box)
            return;
        QObject::disconnect(m_answer);
        m_box->close();
        m_box = nullptr;
    }

private:
    QPointer<QMessageBox> m_box;
    QMetaObject::Connection m_answer;
};

} // namespace

UserPrompt::Button MessageBoxPrompt::showMessage(Icon icon, const QString &title, const QString &text, Buttons buttons,
                                                 Button defaultButton)
{
    QMessageBox box(boxIcon(icon), title, text, boxButtons(buttons));
    if (defaultButton != NoButton)
        box.setDefaultButton(boxButton(defaultButton));
    return promptButton(box.exec());
}

std::unique_ptr<UserNotice> MessageBoxPrompt::openMessage(Icon icon, const QString &title, const QString &text,
                                                          Buttons buttons, Button defaultButton, AnswerHandler onAnswer)
{
    return std::make_unique<MessageBoxNotice>(icon, title, text, buttons, defaultButton, std::move(onAnswer));
}

void MessageBoxPrompt::showNotice(Icon icon, const QString &title, const QString &text)
{
    auto *box = new QMessageBox(boxIcon(icon), title, text, QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}
