#pragma once

class IldFrameSet;
class Palette;

#include "colorcontext.h"
#include "grouplayout.h"
#include "ildreadresult.h"
#include "playfiles.h"
#include "progress.h"

#include <QString>

#include <functional>
#include <vector>

class QIODevice;

// One file of a play group as it enters an export.
using ExportFile = PlayFiles::SettingsRow; // its check mark is not looked at

// One play group: its name (settings name without ".csv") and its checked files.
struct ExportGroup
{
    QString name;
    std::vector<ExportFile> files;
};

// Turns play groups into the four group image variants. Two passes: every
// file is read once to learn its frame and point counts (the layout), and
// once more to write its points, so that only one file's frames are held at a
// time. Binary images stream to the output; the header's checksum and length
// are patched in at the end.
class GroupImageBuilder
{
public:
    enum Variant { GroupImage, TextGroupImage, SingleGroupImage, SingleGroupText };
    enum Outcome { Written, OutputFailed, Refused, Cancelled };
    static constexpr quint32 ImageStart = 512;
    static constexpr quint32 TextStart = 24;

    struct FilePlace
    {
        bool exported = false;
        quint16 frameCount = 0;
        quint32 frameTableOffset = 0;
        quint32 frameTableAddress = 0;
    };
    struct GroupPlace
    {
        bool exported = false;
        quint8 fileCount = 0;
        quint32 fileTableOffset = 0;
        quint32 fileTableAddress = 0;
        std::vector<FilePlace> files;
    };

    // Creation time written into the header; without it the time is
    // SOURCE_DATE_EPOCH when set, else the clock.
    void setCreationTime(qint64 secondsSinceEpoch);
    static qint64 defaultCreationTime();
    // Called between the two passes over the files (tests use it to change a
    // file under the builder's feet).
    void setBetweenPasses(std::function<void()> hook) { m_betweenPasses = std::move(hook); }
    // Hears of every file read (both passes); its false stops the export as
    // Cancelled, with the previous file left as it was.
    void setProgress(ProgressCallback progress) { m_progress = std::move(progress); }
    // Colours of indexed frames. The palettes of the files read are appended
    // to palette (the list colors looks into), so a file's palette colours the
    // files after it as well.
    void setColors(const ColorContext &colors, Palette *palette);

    // Writes the variant to path atomically: on any failure or refusal the
    // previous file stays as it was. The single-group variants take
    // groups[0] only.
    Outcome save(Variant variant, const std::vector<ExportGroup> &groups, const QString &path);
    // The same onto an open, seekable device (nothing is rolled back).
    Outcome write(Variant variant, const std::vector<ExportGroup> &groups, QIODevice *out);
    // The checked files of one group, all frames, as one ILDA file.
    Outcome saveCombinedIlda(const ExportGroup &group, const QString &path);

    QString errorString() const { return m_error; }
    // Checksum of the last group image (0 for the other variants).
    quint32 checksum() const { return m_checksum; }
    // End of the point data: the length before padding.
    quint64 dataEnd() const { return m_layout.end(); }
    quint64 imageLength() const { return m_length; }
    int exportedGroupCount() const { return m_layout.groupCount(); }
    const GroupLayout &layout() const { return m_layout; }
    // Per input group and file: what was placed where by the last export.
    const std::vector<GroupPlace> &placement() const { return m_places; }
    // The files the last export left out because they gave no frames, with
    // what reading them ended with.
    struct LeftOut
    {
        QString path;
        IldReadResult read;
    };
    const std::vector<LeftOut> &leftOut() const { return m_leftOut; }

private:
    struct Exported
    {
        int group;
        std::vector<int> files;
    };

    // The address pass: reads every checked file once and places every record.
    bool calImageAddress(const std::vector<ExportGroup> &groups, bool multi, quint64 start);
    bool refuse(const QString &message);
    // Reads a file for the export, telling m_progress how far the export is.
    IldReadResult readFile(const QString &path, IldFrameSet &set);
    bool cancelled();
    // Second read of a file for its points; refuses the export when its counts
    // no longer match the first read.
    bool rereadFile(int group, int file, IldFrameSet &set);
    const ExportFile &file(int g, int f) const;
    bool writeBinary(Variant variant, QIODevice *out);
    bool writeText(Variant variant, QIODevice *out);
    qint64 creationTime() const;

    const std::vector<ExportGroup> *m_groups = nullptr;
    std::vector<Exported> m_exported;
    std::vector<GroupPlace> m_places;
    std::vector<LeftOut> m_leftOut;
    GroupLayout m_layout;
    QString m_error;
    Outcome m_failure = Written;
    quint32 m_checksum = 0;
    quint64 m_length = 0;
    qint64 m_time = 0;
    bool m_timeSet = false;
    std::function<void()> m_betweenPasses;
    ProgressCallback m_progress;
    qint64 m_step = 0; // files read so far, of m_steps
    qint64 m_steps = 0;
    bool m_cancelled = false;
    ColorContext m_colors;
    Palette *m_palette = nullptr;
};
