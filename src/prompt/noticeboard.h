#pragma once

#include "userprompt.h"

#include <QObject>
#include <QStringList>

// Where the program's notices gather: files that could not be read, or were
// cut short, and files left out of an export. However many come at once (a
// command line of bad files, a choice of many in "增开", the player and the
// editor reading the same file), the pages show them in one window that
// blocks nothing, each notice once, until the user closes it. Boxes that want
// an answer go on to the prompt behind. Published to the pages as
// "noticeBoard".
class NoticeBoard : public QObject, public UserPrompt
{
    Q_OBJECT
    Q_PROPERTY(QStringList lines READ lines NOTIFY linesChanged)
    Q_PROPERTY(int count READ count NOTIFY linesChanged)
    Q_PROPERTY(QString title READ title NOTIFY linesChanged)
public:
    // Notices beyond this many are counted, not listed: a flood stays readable.
    static constexpr int MaxLines = 100;

    explicit NoticeBoard(QObject *parent = nullptr);
    // Who answers the boxes that want an answer; null: nobody.
    void setAnswers(UserPrompt *answers);

    // Each notice as its text ("path\nreason"), oldest first; with more than
    // MaxLines, a last line tells how many more came.
    QStringList lines() const;
    int count() const { return m_lines.size() + m_dropped; }
    // Title of the latest notice ("file error").
    QString title() const { return m_title; }
    // The user closed the notice: what it listed is done with.
    Q_INVOKABLE void dismiss();

    Button showMessage(Icon icon, const QString &title, const QString &text, Buttons buttons,
                       Button defaultButton = NoButton) override;
    std::unique_ptr<UserNotice> openMessage(Icon icon, const QString &title, const QString &text, Buttons buttons,
                                            Button defaultButton = NoButton,
                                            AnswerHandler onAnswer = AnswerHandler()) override;
    void showNotice(Icon icon, const QString &title, const QString &text) override;

signals:
    void linesChanged();

private:
    UserPrompt *m_answers = &UserPrompt::unattended();
    QStringList m_lines;
    int m_dropped = 0;
    QString m_title;
};
