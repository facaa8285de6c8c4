#include "announcementfilter.h"

void AnnouncementFilter::open(quint8 counter, qint64 nowMs, int windowMs)
{
    m_open = true;
    // Byte 4 of an answer is the request's counter plus 1, compared as
    // integers: a counter of 254 needs 255.
    m_expected = int(counter) + 1;
    m_openedAt = nowMs;
    m_windowMs = windowMs;
    m_seen.clear();
}

AnnouncementFilter::Verdict AnnouncementFilter::take(quint8 signalByte, quint32 ip, quint16 port, qint64 nowMs)
{
    if (!m_open)
        return NoSearch;
    if (nowMs - m_openedAt >= m_windowMs)
        return Late;
    if (int(signalByte) != m_expected)
        return WrongSequence;
    const quint64 key = (quint64(ip) << 16) | port;
    if (m_seen.contains(key))
        return Duplicate;
    if (m_seen.size() >= MaxDevices)
        return ListFull;
    m_seen.insert(key);
    return Accepted;
}

const char *AnnouncementFilter::verdictText(Verdict verdict)
{
    switch (verdict) {
    case Accepted:
        return "accepted";
    case NoSearch:
        return "no search pending";
    case Late:
        return "search window closed";
    case WrongSequence:
        return "answers another request";
    case Duplicate:
        return "device listed already";
    case ListFull:
        return "device list full";
    }
    return "";
}
