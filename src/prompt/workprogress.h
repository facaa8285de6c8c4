#pragma once

#include "progress.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <functional>

// Long work on the GUI thread, shown to the pages as "workProgress": a bar
// with a cancel button once the work has run for about half a second. The
// work runs in steps; between steps (every ~30 ms) the event loop runs, so
// the windows repaint and the cancel button can be pressed, while keys,
// shortcuts, drops and closing windows wait until the work is over. The
// frame sets and the colour list are shared with the painters, so the work
// stays on this thread and replaces what it changes only when it completes.
class WorkProgress : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)
    Q_PROPERTY(qreal value READ value NOTIFY valueChanged)
    Q_PROPERTY(QString label READ label NOTIFY labelChanged)

public:
    explicit WorkProgress(QObject *parent = nullptr);

    bool busy() const { return m_busy; }
    qreal value() const { return m_value; }
    QString label() const { return m_label; }
    Q_INVOKABLE void cancel();

    // How long work runs before the bar shows (tests make it 0).
    void setShowDelay(int ms) { m_showDelay = ms; }
    // How often the event loop runs during the work (tests make it 0, so
    // that every step lets a click through however fast the work is).
    void setPumpInterval(int ms) { m_pumpInterval = ms; }
    // Run when the bar appears. Work is often started by a button whose
    // release is still being delivered, and the button keeps the pointer
    // until then: the windows must let go of it, or the next click (meant
    // for "取消") would go to that button again.
    void setOnShow(std::function<void()> hook) { m_onShow = std::move(hook); }

    // One piece of long work, from construction to destruction. Work started
    // while another runs (a preview loading during an export) is part of it:
    // it shows nothing of its own and stops when the outer work is cancelled.
    class Task
    {
    public:
        // progress may be null (work nobody watches): the task then shows
        // nothing and is never cancelled.
        Task(WorkProgress *progress, const QString &label);
        ~Task();
        Task(const Task &) = delete;
        Task &operator=(const Task &) = delete;
        // What the core is given; false once the user cancelled.
        ProgressCallback callback() const;
        bool cancelled() const;

    private:
        WorkProgress *m_progress;
        bool m_outer;
    };

signals:
    void busyChanged();
    void valueChanged();
    void labelChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool report(qint64 done, qint64 total);
    void begin(const QString &label);
    void end();
    void setBusy(bool busy);

    QElapsedTimer m_clock;
    qint64 m_lastPump = 0;
    int m_showDelay = 500;
    qint64 m_pumpInterval = 30;
    bool m_running = false;
    bool m_cancelled = false;
    bool m_busy = false;
    qreal m_value = 0;
    QString m_label;
    std::function<void()> m_onShow;
};
