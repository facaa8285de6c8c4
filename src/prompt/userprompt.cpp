#include "userprompt.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcPrompt, "beamdeck.prompt", QtInfoMsg)

namespace {

class ClosedNotice : public UserNotice
{
public:
    bool isOpen() const override { return false; }
    void close() override {}
};

class UnattendedPrompt : public UserPrompt
{
public:
    Button showMessage(Icon, const QString &title, const QString &text, Buttons, Button) override
    {
        qCDebug(lcPrompt) << "{UserPrompt} no one to ask:" << title << text;
        return NoButton;
    }
    std::unique_ptr<UserNotice> openMessage(Icon, const QString &title, const QString &text, Buttons, Button,
                                            AnswerHandler) override
    {
        qCDebug(lcPrompt) << "{UserPrompt} no one to tell:" << title << text;
        return std::make_unique<ClosedNotice>();
    }
    void showNotice(Icon, const QString &title, const QString &text) override
    {
        qCDebug(lcPrompt) << "{UserPrompt} no one to tell:" << title << text;
    }
};

} // namespace

UserNotice::~UserNotice() = default;

UserPrompt::~UserPrompt() = default;

UserPrompt::Button UserPrompt::askSaveChanges(const QString &what)
{
    const Button answer = showMessage(Question, QStringLiteral("保存修改"),
                                      what + QStringLiteral("\n关闭之前要保存吗？"), Save | Discard | Cancel, Save);
    return answer == Save || answer == Discard ? answer : Cancel;
}

UserPrompt &UserPrompt::unattended()
{
    static UnattendedPrompt prompt;
    return prompt;
}
