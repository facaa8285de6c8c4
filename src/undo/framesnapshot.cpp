#include "framesnapshot.h"

#include "undohistory.h"

#include <algorithm>

namespace {

quint64 mix(quint64 h, quint64 v)
{
    h ^= v + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2);
    return h;
}

// A few points spread over the frame: cheap, and enough to tell frames apart
// before the full comparison.
quint64 sampleKey(const std::vector<IldVertex> &points)
{
    const size_t n = points.size();
    quint64 h = mix(0, n);
    const size_t samples = std::min<size_t>(n, 17);
    for (size_t i = 0; i < samples; ++i) {
        const IldVertex &v = points[samples == 1 ? 0 : i * (n - 1) / (samples - 1)];
        h = mix(h, quint64(quint16(v.x)) | quint64(quint16(v.y)) << 16 | quint64(quint16(v.z)) << 32 |
                       quint64(v.status) << 48 | quint64(v.colorIndex) << 56);
        h = mix(h, quint64(v.r) | quint64(v.g) << 8 | quint64(v.b) << 16);
    }
    return h;
}

bool sameHeader(const IldFrame &a, const IldFrame &b)
{
    return a.format == b.format && a.name == b.name && a.company == b.company && a.pointCount == b.pointCount &&
           a.frameNumber == b.frameNumber && a.totalFrames == b.totalFrames && a.projector == b.projector &&
           a.reserved == b.reserved && a.overflowCode == b.overflowCode && a.check == b.check &&
           a.highPoint == b.highPoint && a.scaleX == b.scaleX && a.scaleY == b.scaleY && a.offsetX == b.offsetX &&
           a.offsetY == b.offsetY;
}

// The frame without its points: copying it whole would copy them.
IldFrame headerOf(const IldFrame &f)
{
    IldFrame h;
    h.format = f.format;
    h.name = f.name;
    h.company = f.company;
    h.pointCount = f.pointCount;
    h.frameNumber = f.frameNumber;
    h.totalFrames = f.totalFrames;
    h.projector = f.projector;
    h.reserved = f.reserved;
    h.overflowCode = f.overflowCode;
    h.check = f.check;
    h.highPoint = f.highPoint;
    h.scaleX = f.scaleX;
    h.scaleY = f.scaleY;
    h.offsetX = f.offsetX;
    h.offsetY = f.offsetY;
    return h;
}

} // namespace

IldFrame FrameSnapshot::frame() const
{
    IldFrame f = m_entry->header;
    f.vertices = *m_entry->points;
    return f;
}

bool FrameSnapshot::sameContent(const IldFrame &f) const
{
    const IldFrame &h = m_entry->header;
    return h.format == f.format && h.name == f.name && h.company == f.company && h.projector == f.projector &&
           h.highPoint == f.highPoint && h.scaleX == f.scaleX && h.scaleY == f.scaleY && h.offsetX == f.offsetX &&
           h.offsetY == f.offsetY && *m_entry->points == f.vertices;
}

void FrameSnapshot::countMemory(MemoryCount &count) const
{
    const IldFrame &h = m_entry->header;
    count.addShared(m_entry.get(),
                    qint64(sizeof(Entry)) + (h.name.capacity() + h.company.capacity()) * qint64(sizeof(QChar)));
    count.addShared(m_entry->points.get(),
                    qint64(sizeof(std::vector<IldVertex>) + m_entry->points->capacity() * sizeof(IldVertex)));
}

std::vector<IldFrame> framesOf(const FramesSnapshot &snapshot)
{
    std::vector<IldFrame> frames;
    frames.reserve(snapshot.size());
    for (const FrameSnapshot &s : snapshot)
        frames.push_back(s.frame());
    return frames;
}

bool sameContent(const FramesSnapshot &snapshot, const std::vector<IldFrame> &frames)
{
    return std::equal(snapshot.begin(), snapshot.end(), frames.begin(), frames.end(),
                      [](const FrameSnapshot &s, const IldFrame &f) { return s.sameContent(f); });
}

void countMemory(const FramesSnapshot &snapshot, MemoryCount &count)
{
    count.add(qint64(snapshot.capacity() * sizeof(FrameSnapshot)));
    for (const FrameSnapshot &s : snapshot)
        s.countMemory(count);
}

FrameSnapshot::Points SnapshotPool::pointsOf(const std::vector<IldVertex> &points)
{
    const quint64 key = sampleKey(points);
    const auto range = m_points.equal_range(key);
    for (auto it = range.first; it != range.second; ++it) {
        FrameSnapshot::Points block = it->second.lock();
        if (block && *block == points)
            return block;
    }
    auto block = std::make_shared<const std::vector<IldVertex>>(points);
    m_points.emplace(key, block);
    return block;
}

FrameSnapshot SnapshotPool::take(const IldFrame &frame)
{
    FrameSnapshot::Points points = pointsOf(frame.vertices);
    const auto range = m_frames.equal_range(points.get());
    for (auto it = range.first; it != range.second; ++it) {
        std::shared_ptr<const FrameSnapshot::Entry> entry = it->second.lock();
        if (entry && sameHeader(entry->header, frame))
            return FrameSnapshot(std::move(entry));
    }
    auto entry = std::make_shared<FrameSnapshot::Entry>();
    entry->header = headerOf(frame);
    entry->points = std::move(points);
    m_frames.emplace(entry->points.get(), entry);
    if (m_points.size() + m_frames.size() >= m_sweepAt)
        sweep();
    return FrameSnapshot(std::move(entry));
}

FramesSnapshot SnapshotPool::take(const std::vector<IldFrame> &frames)
{
    FramesSnapshot snapshot;
    snapshot.reserve(frames.size());
    for (const IldFrame &f : frames)
        snapshot.push_back(take(f));
    return snapshot;
}

// Forgets the copies no snapshot holds any more.
void SnapshotPool::sweep()
{
    for (auto it = m_points.begin(); it != m_points.end();)
        it = it->second.expired() ? m_points.erase(it) : std::next(it);
    for (auto it = m_frames.begin(); it != m_frames.end();)
        it = it->second.expired() ? m_frames.erase(it) : std::next(it);
    m_sweepAt = std::max<size_t>(1024, (m_points.size() + m_frames.size()) * 2);
}
