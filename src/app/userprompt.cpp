#include "userprompt.h"

namespace {
UserPrompt *s_prompt = nullptr;
}

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

UserPrompt *UserPrompt::instance()
{
    static UserPrompt fallback;
    return s_prompt ? s_prompt : &fallback;
}

void UserPrompt::setInstance(UserPrompt *prompt)
{
    s_prompt = prompt;
}
