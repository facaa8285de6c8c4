#pragma once

// File helpers and a message-box recorder shared by the test suites.

#include "userprompt.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

inline QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes bytes to path, creating its folder; a test cannot go on without it.
inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// Records the modal boxes shown and answers each with OK.
class RecordingPrompt : public UserPrompt
{
public:
    QStringList titles;
    QStringList texts;
    Button answer = Ok; // what every message is answered with
    Button showMessage(Icon, const QString &title, const QString &text, Buttons, Button) override
    {
        titles << title;
        texts << text;
        return answer;
    }
    std::unique_ptr<UserNotice> openMessage(Icon, const QString &title, const QString &text, Buttons, Button,
                                            AnswerHandler) override
    {
        return UserPrompt::unattended().openMessage(NoIcon, title, text, NoButton);
    }
    // Notices as "title\ntext".
    QStringList notices;
    void showNotice(Icon, const QString &title, const QString &text) override
    {
        notices << title + QLatin1Char('\n') + text;
    }
};
