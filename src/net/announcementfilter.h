#pragma once

#include <QSet>
#include <QtGlobal>

// Decides which device announcements a search takes. Anyone on the network
// can send an announcement, so only answers to the current request count:
// within a few seconds of it, carrying its sequence byte, each device once,
// and no more devices than a list can sensibly hold. Plain bookkeeping; the
// caller supplies the clock in milliseconds.
class AnnouncementFilter
{
public:
    enum Verdict {
        Accepted,
        NoSearch,      // no request sent yet
        Late,          // the search window has closed
        WrongSequence, // answers another request
        Duplicate,     // this address and port are listed already
        ListFull,      // MaxDevices reached
    };

    static constexpr int DefaultWindowMs = 5000;
    static constexpr int MaxDevices = 64;

    // A request with this sequence counter has just been sent.
    void open(quint8 counter, qint64 nowMs, int windowMs = DefaultWindowMs);
    Verdict take(quint8 signalByte, quint32 ip, quint16 port, qint64 nowMs);
    int accepted() const { return m_seen.size(); }

    static const char *verdictText(Verdict verdict);

private:
    bool m_open = false;
    int m_expected = 0;
    qint64 m_openedAt = 0;
    int m_windowMs = DefaultWindowMs;
    QSet<quint64> m_seen;
};
