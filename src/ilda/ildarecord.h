#pragma once

#include "ildvertex.h"

#include <QtGlobal>

// Sizes and layouts of the records of an ILDA section, and the one decoder of
// its point records. Reader, writer, frame counter and lint all take them
// from here.
namespace IldaRecord {

constexpr int HeaderSize = 32;
// Section formats 0 to 5; a higher format code is no ILDA header.
constexpr quint8 MaxFormat = 5;
// Offset of the format code in the section header.
constexpr int FormatOffset = 7;
// A palette (format 2) or colour-table (format 3) entry: red, green, blue.
constexpr int ColorSize = 3;
// The largest point record (format 4): what one vertex can take at most.
constexpr int MaxPointSize = 10;

// A section header starts with "ILDA" and a zero byte.
inline bool hasMagic(const uchar *header)
{
    return header[0] == 'I' && header[1] == 'L' && header[2] == 'D' && header[3] == 'A' && header[4] == 0;
}

constexpr bool has3d(quint8 format)
{
    return format == 0 || format == 4;
}

// Bytes of one point record when a section is read as a frame. A section of
// format 2 or 3 read that way (behind a colour table) carries X, Y, status.
constexpr int pointSize(quint8 format)
{
    constexpr int sizes[MaxFormat + 1] = {8, 6, 5, 5, 10, 8};
    return format <= MaxFormat ? sizes[format] : 5;
}

// Bytes of one record of a section as stored: points for formats 0, 1, 4
// and 5, colour entries for 2 and 3.
constexpr int sectionRecordSize(quint8 format)
{
    return (format == 2 || format == 3) ? ColorSize : pointSize(format);
}

// A colour table (format 3) may hold a 16-byte table header of its own where
// the section header has its names: a length L and a count N, big-endian
// 32-bit each, with L - 4 = 3 N. Its colour entries then start right after
// it. names points at the name field (byte 8 of the section header); gives
// N (its low 16 bits) when the two match.
constexpr int TableHeaderSize = 16;
inline bool tableHeaderCount(const uchar *names, quint16 &count)
{
    auto u32 = [](const uchar *p) { return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3]; };
    const qint64 length = u32(names);
    const qint64 n = u32(names + 4);
    if (length - 4 != ColorSize * n)
        return false;
    count = quint16(n);
    return true;
}

// Offset of the status byte within a point record.
constexpr int statusOffset(quint8 format)
{
    return has3d(format) ? 6 : 4;
}

// One stored coordinate; -32768 reads as -32767 so that every value can be
// negated.
inline qint16 coordinate(const uchar *p)
{
    const qint16 v = qint16(p[0] << 8 | p[1]);
    return v == -32768 ? qint16(-32767) : v;
}

// Decodes one point record into t; the fields the format does not carry keep
// t's values.
template <quint8 Format> inline void decodePoint(const uchar *p, IldVertex &t)
{
    t.x = coordinate(p);
    t.y = coordinate(p + 2);
    const uchar *q = p + 4;
    if (has3d(Format)) {
        t.z = coordinate(q);
        q += 2;
    }
    t.status = q[0];
    if (Format == 0 || Format == 1) {
        t.colorIndex = q[1];
    } else if (Format == 4 || Format == 5) {
        t.b = q[1];
        t.g = q[2];
        t.r = q[3];
    }
}

template <quint8 Format> inline void decodePoints(const uchar *p, qint64 count, IldVertex &t, IldVertex *out)
{
    for (qint64 i = 0; i < count; ++i, p += pointSize(Format)) {
        decodePoint<Format>(p, t);
        out[i] = t;
    }
}

// Decodes count whole point records of the format from p into out, each over
// the template t. The format is looked at once, not once a record.
inline void decodePoints(quint8 format, const uchar *p, qint64 count, IldVertex &t, IldVertex *out)
{
    switch (format) {
    case 0:
        return decodePoints<0>(p, count, t, out);
    case 1:
        return decodePoints<1>(p, count, t, out);
    case 4:
        return decodePoints<4>(p, count, t, out);
    case 5:
        return decodePoints<5>(p, count, t, out);
    default:
        return decodePoints<2>(p, count, t, out);
    }
}

} // namespace IldaRecord
