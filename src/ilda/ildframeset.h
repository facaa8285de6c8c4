#pragma once

#include "ildframe.h"
#include "ildreadresult.h"
#include "progress.h"

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

    // Appends the frames of the ILDA file at path. The colours of palette
    // sections come back in the result, for the caller's colour list;
    // paletteSize is that list's size, for the log line. Only regular files
    // are read. Failures are logged, never thrown; the result says why
    // reading stopped and the frames read before that stay in the set.
    // progress hears of the bytes read now and then; its false stops the
    // read as Cancelled.
    IldReadResult fromFileIld(const QString &path, bool firstOnly, const ProgressCallback &progress = {},
                              int paletteSize = 918);
    // The same over bytes already in memory (tests, fuzzing, ildatool).
    IldReadResult fromBytes(const uchar *data, qint64 size, bool firstOnly, const ProgressCallback &progress = {},
                            int paletteSize = 918);
    // Counts the frames a full read of path would give, from the section
    // headers alone (point data is skipped, nothing is kept).
    static IldReadResult countFramesIld(const QString &path);

    // Serialises the checked frames as ILDA sections. Returns false (and
    // writes nothing to out) when a frame cannot be represented or the
    // result would not fit in memory.
    bool toIldaBytes(QByteArray &out, const ColorContext &colors, QString *error = nullptr) const;
    // Writes the checked frames to path atomically, one frame in memory at a
    // time; a failed or refused save (no checked frames, too many frames or
    // points, a write error) leaves the previous file as it was and says why
    // in error.
    bool saveIld(const QString &path, const ColorContext &colors, QString *error = nullptr) const;
    // What a save leaves in the editor: the checked frames take their numbers
    // among the checked frames, their point counts and their baked vertices
    // (IldFrame::bake), as they were written.
    void bakeWritten(const ColorContext &colors);

    int checkedCount() const;
};
