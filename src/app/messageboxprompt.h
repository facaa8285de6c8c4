#pragma once

#include "userprompt.h"

// The prompt of the running application: modal and non-modal QMessageBoxes.
class MessageBoxPrompt : public UserPrompt
{
public:
    Button showMessage(Icon icon, const QString &title, const QString &text, Buttons buttons,
                       Button defaultButton = NoButton) override;
    std::unique_ptr<UserNotice> openMessage(Icon icon, const QString &title, const QString &text, Buttons buttons,
                                            Button defaultButton = NoButton,
                                            AnswerHandler onAnswer = AnswerHandler()) override;
    void showNotice(Icon icon, const QString &title, const QString &text) override;
};
