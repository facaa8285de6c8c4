#include "userprompt.h"

#include <QPointer>

namespace {
UserPrompt *s_prompt = nullptr;

class MessageBoxNotice : public UserNotice
{
public:
    MessageBoxNotice(QMessageBox::Icon icon, const QString &title, const QString &text,
                     QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton,
                     UserPrompt::AnswerHandler onAnswer)
        : m_box(new QMessageBox(icon, title, text, buttons))
    {
        QMessageBox *box = m_box;
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::ApplicationModal);
        if (defaultButton != QMessageBox::NoButton)
            box->setDefaultButton(defaultButton);
        if (onAnswer) {
            m_answer = QObject::connect(box, &QDialog::finished, box, [box, onAnswer](int) {
                QAbstractButton *clicked = box->clickedButton();
                onAnswer(clicked ? box->standardButton(clicked) : QMessageBox::NoButton);
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

UserNotice::~UserNotice() = default;

UserPrompt::~UserPrompt()
{
    if (s_prompt == this)
        s_prompt = nullptr;
}

QMessageBox::StandardButton UserPrompt::showMessage(QMessageBox::Icon icon, const QString &title,
                                                    const QString &text, QMessageBox::StandardButtons buttons,
                                                    QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, title, text, buttons);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    const int result = box.exec();
    return QMessageBox::StandardButton(result);
}

std::unique_ptr<UserNotice> UserPrompt::openMessage(QMessageBox::Icon icon, const QString &title, const QString &text,
                                                    QMessageBox::StandardButtons buttons,
                                                    QMessageBox::StandardButton defaultButton, AnswerHandler onAnswer)
{
    return std::make_unique<MessageBoxNotice>(icon, title, text, buttons, defaultButton, std::move(onAnswer));
}

void UserPrompt::showNotice(QMessageBox::Icon icon, const QString &title, const QString &text)
{
    auto *box = new QMessageBox(icon, title, text, QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

UserPrompt *UserPrompt::instance()
{
    static UserPrompt fallback;
    return s_prompt ? s_prompt : &fallback;
}

void UserPrompt::setInstance(UserPrompt *prompt)
{
    s_prompt = prompt;
}
