#include "workprogress.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>

namespace {
// Often enough for a smooth bar and a prompt cancel, rare enough that the
// event loop costs the work little.
} // namespace

WorkProgress::WorkProgress(QObject *parent) : QObject(parent) {}

void WorkProgress::cancel()
{
    if (m_running)
        m_cancelled = true;
}

void WorkProgress::begin(const QString &label)
{
    m_running = true;
    m_cancelled = false;
    m_lastPump = -m_pumpInterval;
    m_clock.start();
    if (label != m_label) {
        m_label = label;
        emit labelChanged();
    }
    if (m_value != 0) {
        m_value = 0;
        emit valueChanged();
    }
}

void WorkProgress::end()
{
    m_running = false;
    setBusy(false);
}

void WorkProgress::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    if (QCoreApplication *app = QCoreApplication::instance()) {
        if (busy)
            app->installEventFilter(this);
        else
            app->removeEventFilter(this);
    }
    if (busy && m_onShow)
        m_onShow();
    emit busyChanged();
}

bool WorkProgress::report(qint64 done, qint64 total)
{
    if (m_cancelled)
        return false;
    const qint64 now = m_clock.elapsed();
    if (now < m_showDelay || now - m_lastPump < m_pumpInterval)
        return true;
    m_lastPump = now;
    const qreal value = total > 0 ? qBound<qreal>(0, qreal(done) / qreal(total), 1) : 0;
    if (value != m_value) {
        m_value = value;
        emit valueChanged();
    }
    setBusy(true);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return !m_cancelled;
}

// While work runs only the pointer reaches the pages (the overlay takes it
// and offers cancel); everything that could start or change other work waits.
// Esc cancels, as in any progress dialog.
bool WorkProgress::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
            cancel();
        event->ignore();
        return true;
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::Close:
        event->ignore();
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}

WorkProgress::Task::Task(WorkProgress *progress, const QString &label)
    : m_progress(progress), m_outer(progress && !progress->m_running)
{
    if (m_outer)
        m_progress->begin(label);
}

WorkProgress::Task::~Task()
{
    if (m_outer)
        m_progress->end();
}

ProgressCallback WorkProgress::Task::callback() const
{
    WorkProgress *p = m_progress;
    if (!p)
        return [](qint64, qint64) { return true; };
    if (m_outer)
        return [p](qint64 done, qint64 total) { return p->report(done, total); };
    return [p](qint64, qint64) { return !p->m_cancelled; };
}

bool WorkProgress::Task::cancelled() const
{
    return m_progress && m_progress->m_cancelled;
}
