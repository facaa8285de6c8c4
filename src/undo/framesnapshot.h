#pragma once

#include "ildframe.h"

#include <memory>
#include <unordered_map>
#include <vector>

class MemoryCount;

// A frame as the undo history keeps it. Snapshots of the same frame share
// one unchangeable copy, and copies of frames with the same points share
// those points, so a snapshot of a list costs only what changed since the
// snapshots still held.
class FrameSnapshot
{
public:
    IldFrame frame() const;
    const IldFrame &header() const { return m_entry->header; } // without its points
    const std::vector<IldVertex> &points() const { return *m_entry->points; }
    // The same picture, whatever the check mark (a selection, not an edit)
    // and the numbering a save rewrites.
    bool sameContent(const IldFrame &f) const;
    void countMemory(MemoryCount &count) const;

    // Equal frames taken from one pool while either is held are one copy.
    friend bool operator==(const FrameSnapshot &a, const FrameSnapshot &b) { return a.m_entry == b.m_entry; }
    friend bool operator!=(const FrameSnapshot &a, const FrameSnapshot &b) { return !(a == b); }

private:
    friend class SnapshotPool;
    using Points = std::shared_ptr<const std::vector<IldVertex>>;
    struct Entry
    {
        IldFrame header;
        Points points;
    };
    explicit FrameSnapshot(std::shared_ptr<const Entry> entry) : m_entry(std::move(entry)) {}
    std::shared_ptr<const Entry> m_entry;
};

using FramesSnapshot = std::vector<FrameSnapshot>;

std::vector<IldFrame> framesOf(const FramesSnapshot &snapshot);
bool sameContent(const FramesSnapshot &snapshot, const std::vector<IldFrame> &frames);
void countMemory(const FramesSnapshot &snapshot, MemoryCount &count);

// Takes snapshots of frames. A frame equal to one some live snapshot holds
// gets that copy, and points equal to points some live snapshot holds are
// shared. The pool holds its copies weakly: what the history drops is freed.
class SnapshotPool
{
public:
    FramesSnapshot take(const std::vector<IldFrame> &frames);
    FrameSnapshot take(const IldFrame &frame);

private:
    FrameSnapshot::Points pointsOf(const std::vector<IldVertex> &points);
    void sweep();

    std::unordered_multimap<quint64, std::weak_ptr<const std::vector<IldVertex>>> m_points;
    std::unordered_multimap<const void *, std::weak_ptr<const FrameSnapshot::Entry>> m_frames;
    size_t m_sweepAt = 1024;
};
