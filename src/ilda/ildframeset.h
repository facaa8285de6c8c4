#pragma once

#include "ildframe.h"

#include <QString>

#include <vector>

// An ordered list of frames as read from one or more files.
class IldFrameSet
{
public:
    IldFrameSet() = default;
    IldFrameSet(const IldFrameSet &) = default;
    IldFrameSet &operator=(const IldFrameSet &) = default;
    virtual ~IldFrameSet() = default;

    std::vector<IldFrame> frames;
    bool overLimit = false;
    quint16 maxPointCount = 0;
    qint32 currentIndex = 0;
    IldFrame emptyFrame;

    // Appends the frames of the ILDA file at path. Palette sections go to the
    // colour list of the global palette. Failures are logged, never thrown.
    void fromFileIld(const QString &path, bool firstOnly);
    // The same over bytes already in memory (tests, fuzzing, ildatool).
    void fromBytes(const uchar *data, qint64 size, bool firstOnly);

    // Serialises the checked frames as ILDA sections. Returns false (and
    // writes nothing to out) when a frame cannot be represented.
    bool toIldaBytes(QByteArray &out);
    // Writes the checked frames to path atomically; a failed save leaves the
    // previous file as it was.
    bool saveIld(const QString &path);

    int checkedCount() const;
};

// Process-wide working and revised sets of the editing pages.
IldFrameSet &workFrameSet();
IldFrameSet &revisedFrameSet();
