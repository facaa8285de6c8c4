#pragma once

#include "playfiles.h"

#include <QVariant>
#include <QVector>

// One frame's place in a group image while it is being built.
struct FrameAddress
{
    qint32 vertex_offset = 0;
    quint32 vertex_address = 0;
    quint16 vertex_num = 0;
};

// One row of a play group: the settings row (path, name, speed, colour type,
// repeat count, check) and what the page and the exports keep beside it.
struct FileItem : PlayFiles::SettingsRow
{
    FileItem() = default;
    explicit FileItem(const PlayFiles::SettingsRow &row) : PlayFiles::SettingsRow(row) {}

    QVariant curItem;
    QVector<FrameAddress> frameAddresses;
    quint32 frame_table_offset = 0;
    quint32 frame_table_address = 0;
    quint16 frame_count = 0;
    bool show = false;
    // An opened group image's copy of the frames, when the file at path is
    // missing; what the previews play and exports read instead.
    QString storedFrames;

    QString framePath() const { return storedFrames.isEmpty() ? path : storedFrames; }
    // Why the file gives no frames (empty when it gives some); found from its
    // section headers the first time a page asks.
    mutable QString problem;
    mutable bool probed = false;
};
