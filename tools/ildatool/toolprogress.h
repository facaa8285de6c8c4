#pragma once

#include "progress.h"

#include <QElapsedTimer>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <unistd.h>

// One line of progress on standard error, "ildatool revise: revising 42%",
// rewritten in place with a carriage return and cleared at the end. It shows
// only on a terminal and only once the work has taken a second; a script
// that pipes or captures standard error never sees it.
class ToolProgress
{
public:
    using Clock = std::function<qint64()>;             // milliseconds
    using Sink = std::function<void(const QString &)>; // gets the raw text
    static constexpr qint64 ShowAfter = 1000;
    static constexpr qint64 Interval = 100;

    ToolProgress(const QString &command, bool terminal, Clock clock, Sink sink)
        : m_command(command), m_terminal(terminal), m_clock(std::move(clock)), m_sink(std::move(sink))
    {
        m_start = m_clock();
        s_active = this;
    }
    // Standard error, if it is a terminal, with the steady clock.
    // ILDATOOL_PROGRESS_AFTER_MS shortens the wait (tests of short runs).
    explicit ToolProgress(const QString &command)
        : ToolProgress(command, isatty(fileno(stderr)) != 0, steadyClock(), [](const QString &text) {
              std::fputs(text.toLocal8Bit().constData(), stderr);
              std::fflush(stderr);
          })
    {
        bool set = false;
        const int after = qEnvironmentVariableIntValue("ILDATOOL_PROGRESS_AFTER_MS", &set);
        if (set)
            m_showAfter = after;
    }
    ~ToolProgress()
    {
        finish();
        if (s_active == this)
            s_active = nullptr;
    }
    // Messages on standard error clear the line first; the next report
    // draws it again below them.
    static void clearActiveLine()
    {
        if (s_active)
            s_active->finish();
    }
    ToolProgress(const ToolProgress &) = delete;
    ToolProgress &operator=(const ToolProgress &) = delete;

    // What is being done now ("reading", "revising"); shown with the next report.
    void setStage(const QString &stage) { m_stage = stage; }
    ProgressCallback callback()
    {
        return [this](qint64 done, qint64 total) {
            report(done, total);
            return true;
        };
    }
    void report(qint64 done, qint64 total)
    {
        if (!m_terminal)
            return;
        const qint64 now = m_clock();
        if (now - m_start < m_showAfter || (m_shownAt >= 0 && now - m_shownAt < Interval))
            return;
        const int percent = total > 0 ? int(qBound<qint64>(0, done * 100 / total, 100)) : 0;
        const QString line = QStringLiteral("ildatool %1: %2 %3%").arg(m_command, m_stage).arg(percent);
        if (line == m_line)
            return;
        // Padding wipes what a longer previous line left behind.
        const int pad = std::max(0, m_line.size() - line.size());
        m_sink(QLatin1Char('\r') + line + QString(pad, QLatin1Char(' ')));
        m_width = std::max(m_width, line.size());
        m_line = line;
        m_shownAt = now;
    }
    // Clears the line, so what follows starts at the left margin.
    void finish()
    {
        if (m_line.isEmpty())
            return;
        m_sink(QLatin1Char('\r') + QString(m_width, QLatin1Char(' ')) + QLatin1Char('\r'));
        m_line.clear();
        m_width = 0;
    }

private:
    static Clock steadyClock()
    {
        auto timer = std::make_shared<QElapsedTimer>();
        timer->start();
        return [timer] { return timer->elapsed(); };
    }

    QString m_command;
    QString m_stage = QStringLiteral("working");
    bool m_terminal;
    Clock m_clock;
    Sink m_sink;
    qint64 m_start = 0;
    qint64 m_showAfter = ShowAfter;
    qint64 m_shownAt = -1;
    QString m_line;
    int m_width = 0;
    static inline ToolProgress *s_active = nullptr;
};
