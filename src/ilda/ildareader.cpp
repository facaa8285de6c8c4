// Reading ILDA sections into frames and frame sets.

#include "bytecursor.h"
#include "ildalog.h"
#include "ildarecord.h"
#include "ildframeset.h"
#include "palette.h"
#include "regularfile.h"

#include <QFile>

#include <algorithm>
#include <memory>

namespace {

QString fixedText(const char *p, int n)
{
    int len = 0;
    while (len < n && p[len] != '\0')
        ++len;
    return QString::fromLatin1(p, len);
}

// Appends count colour records to the palette colours found. Returns false
// when the data ended, which ends the reading of the whole file.
bool readPaletteRecords(ByteCursor &in, int count, QVector<QRgb> &found)
{
    for (int i = 0; i < count; ++i) {
        uchar rgb[IldaRecord::ColorSize];
        in.read(rgb, IldaRecord::ColorSize);
        found.append(qRgb(rgb[0], rgb[1], rgb[2]));
        if (in.atEnd())
            return false;
    }
    return true;
}

// What a first-frame preview reads of a file before falling back to all of it.
constexpr qint64 FirstPiece = 256 * 1024;

} // namespace

IldFrame::HeaderResult IldFrame::readHeader(ByteCursor &in)
{
    name.clear();
    company.clear();
    if (in.atEnd())
        return HeaderEnd;

    uchar magic[7];
    in.read(magic, 7);
    if (!IldaRecord::hasMagic(magic)) {
        char text[8] = {};
        std::copy(magic, magic + 7, text);
        qCDebug(lcIlda) << "{IldHeader-error:ILDA-4:}" << text;
        qCDebug(lcIlda) << QStringLiteral("[%1 , %2, %3, %4 : %5, %6, %7, %8]")
                               .arg(magic[0])
                               .arg(magic[1])
                               .arg(magic[2])
                               .arg(magic[3])
                               .arg(magic[4])
                               .arg(magic[5])
                               .arg(magic[6])
                               .arg(0);
        return HeaderInvalid;
    }

    const quint8 fmt = in.u8();
    if (fmt > IldaRecord::MaxFormat) {
        qCDebug(lcIlda) << "{IldHeader-error:format:}" << int(qint8(fmt));
        return HeaderInvalid;
    }
    format = fmt;

    char names[16];
    in.read(names, 16);
    name = fixedText(names, 8);
    company = fixedText(names + 8, 8);
    pointCount = in.u16();
    frameNumber = in.u16();
    totalFrames = in.u16();
    projector = qint8(in.u8());
    reserved = qint8(in.u8());
    return in.atEnd() ? HeaderEnd : HeaderOk;
}

int IldFrame::ildFromStream(ByteCursor &in)
{
    vertices.clear();
    if (pointCount == 0) {
        qCDebug(lcIlda) << "{IldFrame::ildFromStream}<NullFrame>quantity:" << pointCount;
        return 1;
    }

    const int recSize = IldaRecord::pointSize(format);
    // Reserve no more than the remaining bytes can fill: a header may claim
    // records that are not there.
    const qint64 present = (in.remaining() + recSize - 1) / recSize;
    vertices.reserve(size_t(std::min<qint64>(pointCount, present)));

    IldVertex t;
    t.r = t.g = t.b = 255;
    t.status = IldVertex::Blanked;
    t.colorIndex = 55;

    // Whole records straight from the data.
    const qint64 whole = std::min<qint64>(pointCount, in.remaining() / recSize);
    vertices.resize(size_t(whole));
    IldaRecord::decodePoints(format, in.here(), whole, t, vertices.data());
    in.skip(whole * recSize);

    // A record cut short by the end of the data is completed with zeros; the
    // records past the end are skipped.
    if (whole < pointCount && !in.atEnd()) {
        uchar rec[IldaRecord::MaxPointSize];
        in.read(rec, recSize);
        vertices.emplace_back();
        IldaRecord::decodePoints(format, rec, 1, t, &vertices.back());
    }

    if (!vertices.empty())
        vertices.front().status |= IldVertex::Blanked;
    return 0;
}

QString IldReadResult::kindName(Kind kind)
{
    switch (kind) {
    case Ok:
        return QStringLiteral("ok");
    case Empty:
        return QStringLiteral("empty");
    case NotIlda:
        return QStringLiteral("not-ILDA");
    case Unreadable:
        return QStringLiteral("unreadable");
    case Truncated:
        return QStringLiteral("truncated");
    case NotRegularFile:
        return QStringLiteral("not-a-regular-file");
    case Cancelled:
        return QStringLiteral("cancelled");
    }
    return QString();
}

QString IldReadResult::reason() const
{
    switch (kind) {
    case Ok:
        return QStringLiteral("read");
    case Empty:
        return QStringLiteral("empty: it holds no frames");
    case NotIlda:
        return offset == 0 ? QStringLiteral("not-ILDA: it does not start with an ILDA section header")
                           : QStringLiteral("not-ILDA from byte %1 on: the %2 frame(s) before it were read")
                                 .arg(offset)
                                 .arg(frames);
    case Unreadable:
        return QStringLiteral("unreadable: %1").arg(detail);
    case Truncated:
        return QStringLiteral("truncated: the section at byte %1 is cut short; %2 frame(s) were read")
            .arg(offset)
            .arg(frames);
    case NotRegularFile:
        return QStringLiteral("not-a-regular-file: a folder, device or pipe holds no ILDA frames");
    case Cancelled:
        return QStringLiteral("cancelled: reading was stopped at byte %1").arg(offset);
    }
    return QString();
}

IldReadResult IldFrameSet::fromFileIld(const QString &path, bool firstOnly, const ProgressCallback &progress,
                                       int paletteSize)
{
    QFile file;
    IldReadResult result = openRegularFile(path, file);
    if (!result.ok()) {
        qCDebug(lcIlda) << "{IldFrameSet::fromFileIld}open file failure:" << path;
        return result;
    }
    if (firstOnly && file.size() > FirstPiece) {
        // A preview needs the first section only, which lies at the start: a
        // large file is read whole only when that section reaches past the
        // first piece.
        std::unique_ptr<uchar[]> piece(new (std::nothrow) uchar[FirstPiece]);
        if (piece && file.read(reinterpret_cast<char *>(piece.get()), FirstPiece) == FirstPiece) {
            const size_t framesBefore = frames.size();
            const quint16 maxBefore = maxPointCount;
            const IldReadResult first = fromBytes(piece.get(), FirstPiece, true, progress, paletteSize);
            // Stopping at the very end of the piece may mean more was cut off.
            if (first.kind != IldReadResult::Truncated && first.offset < FirstPiece)
                return first;
            frames.erase(frames.begin() + qint64(framesBefore), frames.end());
            maxPointCount = maxBefore;
        }
        file.seek(0);
    }
    std::unique_ptr<uchar[]> bytes;
    qint64 length = 0;
    if (!readWholeFile(file, bytes, length, result)) {
        qCDebug(lcIlda) << "{IldFrameSet::fromFileIld}read failure:" << path << result.detail;
        return result;
    }
    return fromBytes(bytes.get(), length, firstOnly, progress, paletteSize);
}

IldReadResult IldFrameSet::fromBytes(const uchar *data, qint64 size, bool firstOnly, const ProgressCallback &progress,
                                     int paletteSize)
{
    // Reports every few hundred kilobytes: often enough for a smooth bar,
    // rare enough to cost nothing beside the decoding.
    constexpr qint64 ReportEvery = 256 * 1024;
    qint64 nextReport = ReportEvery;
    IldReadResult result;
    const size_t framesBefore = frames.size();
    ByteCursor in(data, size);
    IldFrame frame;
    // A header that ends the data: the closing header (no records) ends a
    // file normally; a header cut short or one announcing records that are
    // not there means the file was cut.
    auto endsAt = [&](qint64 headerStart, const IldFrame &f) {
        if (headerStart >= size)
            return;
        if (in.pos() - headerStart < IldaRecord::HeaderSize || f.pointCount != 0) {
            result.kind = IldReadResult::Truncated;
            result.offset = headerStart;
        }
    };
    auto cutShort = [&](qint64 sectionStart, qint64 needed) {
        if (needed > in.remaining()) {
            result.kind = IldReadResult::Truncated;
            result.offset = sectionStart;
        }
    };
    for (bool firstPass = true;; firstPass = false) {
        const qint64 headerStart = in.pos();
        result.offset = headerStart;
        const IldFrame::HeaderResult header = frame.readHeader(in);
        if (header != IldFrame::HeaderOk) {
            if (firstPass)
                qCDebug(lcIlda) << "{IldFrameSet::fromFileIld}readHeader invalid.";
            if (header == IldFrame::HeaderInvalid) {
                result.kind = IldReadResult::NotIlda;
                result.offset = headerStart;
            } else {
                endsAt(headerStart, frame);
            }
            break;
        }
        maxPointCount = std::max(maxPointCount, frame.pointCount);

        bool stop = false;
        switch (frame.format) {
        case 0:
        case 1:
            if (frame.pointCount != 0) {
                cutShort(headerStart, qint64(frame.pointCount) * IldaRecord::pointSize(frame.format));
                frame.ildFromStream(in);
                frames.push_back(std::move(frame));
            }
            break;
        case 4:
        case 5:
            cutShort(headerStart, qint64(frame.pointCount) * IldaRecord::pointSize(frame.format));
            if (frame.ildFromStream(in) == 1)
                qCDebug(lcIlda) << "open Frame failure(RGB 2D|3D).";
            else
                frames.push_back(std::move(frame));
            break;
        case 2: {
            cutShort(headerStart, IldaRecord::ColorSize * qint64(frame.pointCount));
            stop = !readPaletteRecords(in, frame.pointCount, result.palette);
            const int listSize = paletteSize + result.palette.size();
            qCDebug(lcIlda) << "ILD_PALETTE:size:" << listSize << "-" << Palette::filePaletteBase << "="
                            << listSize - Palette::filePaletteBase;
            break;
        }
        case 3: {
            const qint64 headerEnd = in.pos();
            if (IldaRecord::tableHeaderCount(in.data() + headerStart + 8, frame.pointCount))
                in.seek(headerEnd - IldaRecord::TableHeaderSize);
            cutShort(headerStart, IldaRecord::ColorSize * qint64(frame.pointCount));
            if (!readPaletteRecords(in, frame.pointCount, result.palette)) {
                stop = true;
                break;
            }
            const qint64 frameStart = in.pos();
            const IldFrame::HeaderResult inner = frame.readHeader(in);
            if (inner != IldFrame::HeaderOk) {
                if (inner == IldFrame::HeaderEnd)
                    endsAt(frameStart, frame);
                break;
            }
            cutShort(frameStart, qint64(frame.pointCount) * IldaRecord::pointSize(frame.format));
            if (frame.ildFromStream(in) == 1)
                qCDebug(lcIlda) << "open Frame failure(ILD_TABLE).";
            else
                frames.push_back(std::move(frame));
            break;
        }
        }
        if (result.kind != IldReadResult::Ok || stop || firstOnly) {
            if (result.kind == IldReadResult::Ok)
                result.offset = in.pos();
            break;
        }
        if (progress && in.pos() >= nextReport) {
            nextReport = in.pos() + ReportEvery;
            if (!progress(in.pos(), size)) {
                result.kind = IldReadResult::Cancelled;
                result.offset = in.pos();
                break;
            }
        }
    }
    result.frames = int(frames.size() - framesBefore);
    if (result.kind == IldReadResult::Ok && result.frames == 0 && (size == 0 || !firstOnly)) {
        result.kind = IldReadResult::Empty;
        result.offset = 0;
    }
    return result;
}

IldReadResult IldFrameSet::countFramesIld(const QString &path)
{
    QFile file;
    IldReadResult result = openRegularFile(path, file);
    if (!result.ok())
        return result;
    const qint64 size = file.size();
    // Reads a header and one byte more: whether anything follows it.
    constexpr int HeadRead = IldaRecord::HeaderSize + 1;
    uchar head[HeadRead];
    auto headerAt = [&](qint64 at, qint64 &got) {
        got =
            (at < size && file.seek(at)) ? std::max<qint64>(file.read(reinterpret_cast<char *>(head), HeadRead), 0) : 0;
        std::fill(head + got, head + HeadRead, 0);
    };
    auto u16At = [&](int i) { return int(head[i] << 8 | head[i + 1]); };
    auto truncated = [&](qint64 at) {
        result.kind = IldReadResult::Truncated;
        result.offset = at;
    };

    qint64 pos = 0;
    int frameCount = 0;
    for (;;) {
        qint64 got = 0;
        headerAt(pos, got);
        result.offset = pos;
        if (got == 0)
            break;
        if (!IldaRecord::hasMagic(head) || head[IldaRecord::FormatOffset] > IldaRecord::MaxFormat) {
            result.kind = IldReadResult::NotIlda;
            break;
        }
        const quint8 format = head[IldaRecord::FormatOffset];
        int count = u16At(24);
        if (got < HeadRead) {
            if (got < IldaRecord::HeaderSize || count != 0)
                truncated(pos);
            break;
        }
        const qint64 start = pos;
        pos += IldaRecord::HeaderSize;
        if (format == 2 || format == 3) {
            quint16 tableCount = 0;
            if (format == 3 && IldaRecord::tableHeaderCount(head + 8, tableCount)) {
                count = tableCount;
                pos -= IldaRecord::TableHeaderSize;
            }
            if (IldaRecord::ColorSize * qint64(count) > size - pos)
                truncated(start);
            if (count > 0 && pos + IldaRecord::ColorSize * qint64(count) >= size)
                break; // the palette reaches the end of the file
            pos += IldaRecord::ColorSize * qint64(count);
            if (format == 2)
                continue;
            // The section after a colour table is read as a frame, whatever its format.
            const qint64 frameStart = pos;
            headerAt(pos, got);
            if (got == 0)
                break;
            if (!IldaRecord::hasMagic(head)) {
                pos += 7;
                continue;
            }
            if (head[IldaRecord::FormatOffset] > IldaRecord::MaxFormat) {
                pos += 8;
                continue;
            }
            const int points = u16At(24);
            if (got < HeadRead) {
                if (got < IldaRecord::HeaderSize || points != 0)
                    truncated(frameStart);
                break;
            }
            pos += IldaRecord::HeaderSize;
            if (points != 0) {
                ++frameCount;
                if (qint64(points) * IldaRecord::pointSize(head[IldaRecord::FormatOffset]) > size - pos)
                    truncated(frameStart);
                pos += qint64(points) * IldaRecord::pointSize(head[IldaRecord::FormatOffset]);
            }
        } else if (count != 0) {
            ++frameCount;
            if (qint64(count) * IldaRecord::pointSize(format) > size - pos)
                truncated(start);
            pos += qint64(count) * IldaRecord::pointSize(format);
        }
        if (result.kind != IldReadResult::Ok)
            break;
    }
    result.frames = frameCount;
    if (result.kind == IldReadResult::Ok) {
        result.offset = std::min(pos, size);
        if (frameCount == 0) {
            result.kind = IldReadResult::Empty;
            result.offset = 0;
        }
    }
    return result;
}
