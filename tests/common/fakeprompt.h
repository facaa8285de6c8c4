#pragma once

// Answers boxes for the network tests: every box is recorded, none is shown.

#include "userprompt.h"

#include <QList>
#include <QLoggingCategory>
#include <QStringList>

#include <memory>

struct FakeBox
{
    UserPrompt::Icon icon = UserPrompt::NoIcon;
    QString title;
    QString text;
    UserPrompt::Buttons buttons;
    UserPrompt::Button defaultButton = UserPrompt::NoButton;
    UserPrompt::AnswerHandler onAnswer;
    bool open = true;
    bool closedByOwner = false;
};

class FakePrompt : public UserPrompt
{
public:
    Button showMessage(Icon icon, const QString &title, const QString &text, Buttons buttons,
                       Button defaultButton) override
    {
        auto box = std::make_shared<FakeBox>();
        *box = FakeBox{icon, title, text, buttons, defaultButton, {}, false, false};
        boxes.append(box);
        ++modalCount;
        return modalAnswer;
    }

    std::unique_ptr<UserNotice> openMessage(Icon icon, const QString &title, const QString &text, Buttons buttons,
                                            Button defaultButton, AnswerHandler onAnswer) override
    {
        auto box = std::make_shared<FakeBox>();
        *box = FakeBox{icon, title, text, buttons, defaultButton, std::move(onAnswer), true, false};
        boxes.append(box);
        return std::make_unique<Notice>(box);
    }

    void showNotice(Icon icon, const QString &title, const QString &text) override
    {
        notices << title + QLatin1Char('\n') + text;
        (void)icon;
    }

    // The user closes box i with button (NoButton: closed without an answer).
    void answer(int i, Button button)
    {
        const auto box = boxes.at(i);
        if (!box->open)
            return;
        box->open = false;
        if (box->onAnswer)
            box->onAnswer(button);
    }
    int openCount() const
    {
        int n = 0;
        for (const auto &b : boxes)
            n += b->open ? 1 : 0;
        return n;
    }
    QStringList titles() const
    {
        QStringList t;
        for (const auto &b : boxes)
            t << b->title;
        return t;
    }

    QList<std::shared_ptr<FakeBox>> boxes;
    // Notices as "title\ntext".
    QStringList notices;
    Button modalAnswer = Ok;
    int modalCount = 0;

private:
    class Notice : public UserNotice
    {
    public:
        explicit Notice(std::shared_ptr<FakeBox> box) : m_box(std::move(box)) {}
        ~Notice() override { close(); }
        bool isOpen() const override { return m_box->open; }
        void close() override
        {
            if (!m_box->open)
                return;
            m_box->open = false;
            m_box->closedByOwner = true;
        }

    private:
        std::shared_ptr<FakeBox> m_box;
    };
};

// Collects the log lines of one category while it lives.
class LogCapture
{
public:
    // keep = false only counts the lines (floods).
    explicit LogCapture(const char *category = "beamdeck.net", bool keep = true)
    {
        s_category = category;
        s_keep = keep;
        s_count = 0;
        s_lines.clear();
        s_previous = qInstallMessageHandler(&LogCapture::handler);
        // Debug lines are off by default; the captured category speaks.
        QLoggingCategory::setFilterRules(QStringLiteral("%1.debug=true").arg(QLatin1String(category)));
    }
    ~LogCapture()
    {
        QLoggingCategory::setFilterRules(QString());
        qInstallMessageHandler(s_previous);
    }
    static const QStringList &lines() { return s_lines; }
    static int count() { return s_count; }
    static bool contains(const QString &needle)
    {
        for (const QString &l : s_lines)
            if (l.contains(needle))
                return true;
        return false;
    }

private:
    static void handler(QtMsgType type, const QMessageLogContext &ctx, const QString &msg)
    {
        if (ctx.category && qstrcmp(ctx.category, s_category) == 0) {
            ++s_count;
            if (s_keep)
                s_lines.append(msg);
        } else if (s_previous)
            s_previous(type, ctx, msg);
    }
    static inline const char *s_category = nullptr;
    static inline QStringList s_lines;
    static inline bool s_keep = true;
    static inline int s_count = 0;
    static inline QtMessageHandler s_previous = nullptr;
};
