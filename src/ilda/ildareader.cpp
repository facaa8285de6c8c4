// Reading ILDA sections into frames and frame sets.

#include "bytecursor.h"
#include "ildalog.h"
#include "ildframeset.h"
#include "palette.h"

#include <QFile>

#include <algorithm>

namespace {

QString fixedText(const char *p, int n)
{
    int len = 0;
    while (len < n && p[len] != '\0')
        ++len;
    return QString::fromLatin1(p, len);
}

int recordSize(quint8 format)
{
    switch (format) {
    case 0: return 8;
    case 1: return 6;
    case 4: return 10;
    case 5: return 8;
    default: return 5; // 2 and 3 read as X, Y, status when taken as a frame
    }
}

// Appends count colour records to the global palette. Returns false when the
// data ended, which ends the reading of the whole file.
bool readPaletteRecords(ByteCursor &in, int count)
{
    Palette &palette = globalPalette();
    for (int i = 0; i < count; ++i) {
        uchar rgb[3];
        in.read(rgb, 3);
        palette.append(QColor(rgb[0], rgb[1], rgb[2]));
        if (in.atEnd())
            return false;
    }
    return true;
}

} // namespace

IldFrame::HeaderResult IldFrame::readHeader(ByteCursor &in)
{
    name.clear();
    company.clear();
    if (in.atEnd())
        return HeaderEnd;

    uchar magic[7];
    in.read(magic, 7);
    static const uchar expected[5] = { 'I', 'L', 'D', 'A', 0 };
    if (!std::equal(expected, expected + 5, magic)) {
        char text[8] = {};
        std::copy(magic, magic + 7, text);
        qCDebug(lcIlda) << "{IldHeader-error:ILDA-4:}" << text;
        qCDebug(lcIlda) << QStringLiteral("[%1 , %2, %3, %4 : %5, %6, %7, %8]")
                               .arg(magic[0]).arg(magic[1]).arg(magic[2]).arg(magic[3])
                               .arg(magic[4]).arg(magic[5]).arg(magic[6]).arg(0);
        return HeaderInvalid;
    }

    const quint8 fmt = in.u8();
    if (fmt > 5) {
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

    const int recSize = recordSize(format);
    // Reserve no more than the remaining bytes can fill: a header may claim
    // records that are not there.
    const qint64 present = (in.remaining() + recSize - 1) / recSize;
    vertices.reserve(size_t(std::min<qint64>(pointCount, present)));

    IldVertex t;
    t.r = t.g = t.b = 255;
    t.status = IldVertex::Blanked;
    t.colorIndex = 55;
    const bool has3d = (format == 0 || format == 4);

    int n = pointCount;
    // Fast path while whole records are present.
    const qint64 whole = std::min<qint64>(n, in.remaining() / recSize);
    const uchar *p = in.here();
    auto coord = [](const uchar *q) {
        const qint16 v = qint16(q[0] << 8 | q[1]);
        return v == -32768 ? qint16(-32767) : v;
    };
    vertices.resize(size_t(whole));
    IldVertex *out = vertices.data();
    for (qint64 i = 0; i < whole; ++i, p += recSize) {
        t.x = coord(p);
        t.y = coord(p + 2);
        const uchar *q = p + 4;
        if (has3d) {
            t.z = coord(q);
            q += 2;
        }
        t.status = q[0];
        if (format == 0 || format == 1) {
            t.colorIndex = q[1];
        } else if (format == 4 || format == 5) {
            t.b = q[1];
            t.g = q[2];
            t.r = q[3];
        }
        out[i] = t;
    }
    in.skip(whole * recSize);

    // A record cut short by the end of the data is completed with zeros; the
    // records past the end are skipped.
    if (whole < n && !in.atEnd()) {
        uchar rec[10];
        in.read(rec, recSize);
        t.x = coord(rec);
        t.y = coord(rec + 2);
        const uchar *q = rec + 4;
        if (has3d) {
            t.z = coord(q);
            q += 2;
        }
        t.status = q[0];
        if (format == 0 || format == 1) {
            t.colorIndex = q[1];
        } else if (format == 4 || format == 5) {
            t.b = q[1];
            t.g = q[2];
            t.r = q[3];
        }
        vertices.push_back(t);
    }

    if (!vertices.empty())
        vertices.front().status |= IldVertex::Blanked;
    return 0;
}

void IldFrameSet::fromFileIld(const QString &path, bool firstOnly)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCDebug(lcIlda) << "{IldFrameSet::fromFileIld}open file failure:" << path;
        return;
    }
    const qint64 size = file.size();
    if (size > 0) {
        if (uchar *mapped = file.map(0, size)) {
            fromBytes(mapped, size, firstOnly);
            file.unmap(mapped);
            return;
        }
    }
    // Not mappable (pipe, special file): read it instead.
    const QByteArray bytes = file.readAll();
    fromBytes(reinterpret_cast<const uchar *>(bytes.constData()), bytes.size(), firstOnly);
}

void IldFrameSet::fromBytes(const uchar *data, qint64 size, bool firstOnly)
{
    ByteCursor in(data, size);
    IldFrame frame;
    for (bool firstPass = true;; firstPass = false) {
        if (frame.readHeader(in) != IldFrame::HeaderOk) {
            if (firstPass)
                qCDebug(lcIlda) << "{IldFrameSet::fromFileIld}readHeader invalid.";
            break;
        }
        maxPointCount = std::max(maxPointCount, frame.pointCount);

        bool stop = false;
        switch (frame.format) {
        case 0:
        case 1:
            if (frame.pointCount != 0) {
                frame.ildFromStream(in);
                frames.push_back(std::move(frame));
            }
            break;
        case 4:
        case 5:
            if (frame.ildFromStream(in) == 1)
                qCDebug(lcIlda) << "open Frame failure(RGB 2D|3D).";
            else
                frames.push_back(std::move(frame));
            break;
        case 2: {
            stop = !readPaletteRecords(in, frame.pointCount);
            const int paletteSize = globalPalette().size();
            qCDebug(lcIlda) << "ILD_PALETTE:size:" << paletteSize << "-" << Palette::filePaletteBase << "="
                            << paletteSize - Palette::filePaletteBase;
            break;
        }
        case 3: {
            // The name field may hold a 16-byte colour-table header (length, count).
            const qint64 headerEnd = in.pos();
            ByteCursor raw(in.data() + headerEnd - 24, 8);
            const qint64 length = raw.u32();
            const qint64 count = raw.u32();
            if (length - 4 == 3 * count) {
                frame.pointCount = quint16(count);
                in.seek(headerEnd - 16);
            }
            if (!readPaletteRecords(in, frame.pointCount)) {
                stop = true;
                break;
            }
            if (frame.readHeader(in) != IldFrame::HeaderOk)
                break;
            if (frame.ildFromStream(in) == 1)
                qCDebug(lcIlda) << "open Frame failure(ILD_TABLE).";
            else
                frames.push_back(std::move(frame));
            break;
        }
        }
        if (stop || firstOnly)
            break;
    }
}
