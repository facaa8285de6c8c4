#include "noticeboard.h"

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcPrompt)

NoticeBoard::NoticeBoard(QObject *parent) : QObject(parent) {}

void NoticeBoard::setAnswers(UserPrompt *answers)
{
    m_answers = answers && answers != this ? answers : &UserPrompt::unattended();
}

QStringList NoticeBoard::lines() const
{
    if (m_dropped == 0)
        return m_lines;
    return m_lines + QStringList{QStringLiteral("… and %1 more").arg(m_dropped)};
}

void NoticeBoard::dismiss()
{
    if (count() == 0)
        return;
    m_lines.clear();
    m_dropped = 0;
    emit linesChanged();
}

UserPrompt::Button NoticeBoard::showMessage(Icon icon, const QString &title, const QString &text, Buttons buttons,
                                            Button defaultButton)
{
    return m_answers->showMessage(icon, title, text, buttons, defaultButton);
}

std::unique_ptr<UserNotice> NoticeBoard::openMessage(Icon icon, const QString &title, const QString &text,
                                                     Buttons buttons, Button defaultButton, AnswerHandler onAnswer)
{
    return m_answers->openMessage(icon, title, text, buttons, defaultButton, std::move(onAnswer));
}

void NoticeBoard::showNotice(Icon, const QString &title, const QString &text)
{
    qCDebug(lcPrompt) << "{NoticeBoard}" << title << text;
    // The same file told by the group page, the player and the editor is one line.
    if (m_lines.contains(text))
        return;
    if (m_lines.size() < MaxLines)
        m_lines << text;
    else
        ++m_dropped;
    m_title = title;
    emit linesChanged();
}
