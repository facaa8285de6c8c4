#include "framepacket.h"

#include "colorresolve.h"
#include "datagram.h"
#include "ildframe.h"
#include "palette.h"

#include <QtEndian>

#include <algorithm>

#include <cstring>

namespace {

inline qint16 scaled(qint16 v, float scale)
{
    // Truncation toward zero, kept inside the 16-bit range so an oversized
    // view cannot wrap a point to the opposite edge (min/max stay branch-free).
    const float f = std::min(std::max(float(v) * scale, -32768.0f), 32767.0f);
    return qint16(int(f));
}

// One record as a single little-endian 64-bit store.
inline void putRecord(char *p, qint16 x, qint16 y, quint32 rgb, quint8 status)
{
    const quint64 word = quint64(quint16(x)) | quint64(quint16(y)) << 16 | quint64(rgb) << 32 | quint64(status) << 56;
    qToLittleEndian(word, p);
}

// Red, green, blue in the byte order of a record.
inline quint32 recordColor(quint8 r, quint8 g, quint8 b)
{
    return quint32(r) | quint32(g) << 8 | quint32(b) << 16;
}

inline quint32 recordColor(QRgb c)
{
    return recordColor(quint8(qRed(c)), quint8(qGreen(c)), quint8(qBlue(c)));
}

template <typename ColorOf>
char *putRecords(char *p, const IldVertex *v, int count, float sx, float sy, ColorOf colorOf)
{
    if (sx == 1.0f && sy == 1.0f) {
        for (int i = 0; i < count; ++i, p += Wire::PointRecordSize)
            putRecord(p, v[i].x, v[i].y, colorOf(v[i]), v[i].status);
    } else {
        for (int i = 0; i < count; ++i, p += Wire::PointRecordSize)
            putRecord(p, scaled(v[i].x, sx), scaled(v[i].y, sy), colorOf(v[i]), v[i].status);
    }
    return p;
}

} // namespace

FramePacketBuilder::FramePacketBuilder()
    : m_buffer(new char[Wire::FrameHeaderSize + Wire::PointRecordSize * Wire::MaxFrameRecords])
{
    char *p = m_buffer.get();
    std::memcpy(p, Wire::Magic, Wire::MagicSize);
    qToLittleEndian<quint16>(Wire::CmdFrame, p + 8);
    p[10] = 0;
    p[11] = 0;
    std::memcpy(p + 14, "qbez", 4);
}

FramePacketBuilder::~FramePacketBuilder() = default;

int FramePacketBuilder::cutIndex(quint16 maxTranPoint)
{
    return qMin(int(maxTranPoint), Wire::MaxFrameRecords - 1);
}

int FramePacketBuilder::recordCount(int vertexCount, quint16 maxTranPoint)
{
    const int cutAt = cutIndex(maxTranPoint);
    return vertexCount > cutAt ? cutAt + 1 : vertexCount;
}

int FramePacketBuilder::build(const IldFrame &frame, quint16 maxTranPoint, const ColorContext &colors)
{
    char *const buf = m_buffer.get();
    qToLittleEndian<quint16>(frame.pointCount, buf + 12);

    const int n = frame.vertexCount();
    // A frame reaching past the cut index ends with the record at that index.
    const int cutAt = cutIndex(maxTranPoint);
    const bool cut = n > cutAt;
    const int records = cut ? cutAt + 1 : n;
    const int full = cut ? cutAt : n;
    const IldVertex *v = frame.vertices.data();
    const float sx = frame.scaleX;
    const float sy = frame.scaleY;
    char *p = buf + Wire::FrameHeaderSize;

    // Colour source chosen once per frame, not per point: indexed formats
    // look up a local copy of the 256 entries they can reach.
    int tableBase = -1;
    if (frame.format == 0 || frame.format == 1)
        tableBase = colors.offset;
    else if (frame.format == 2 || frame.format == 3)
        tableBase = Palette::filePaletteBase;

    if (tableBase >= 0) {
        quint32 table[256];
        for (int i = 0; i < 256; ++i)
            table[i] = recordColor(colors.entry(tableBase + i));
        p = putRecords(p, v, full, sx, sy, [&table](const IldVertex &x) { return table[x.colorIndex]; });
    } else {
        p = putRecords(p, v, full, sx, sy, [](const IldVertex &x) { return recordColor(x.r, x.g, x.b); });
    }
    if (cut) {
        // The point where the frame is cut: blank and black, and the last record.
        putRecord(p, scaled(v[full].x, sx), scaled(v[full].y, sy), 0, IldVertex::Blanked);
    }
    return Wire::FrameHeaderSize + Wire::PointRecordSize * records;
}

QByteArray encodeFramePacket(const IldFrame &frame, quint16 maxTranPoint, const ColorContext &colors)
{
    FramePacketBuilder b;
    const int size = b.build(frame, maxTranPoint, colors);
    return b.packet(size);
}
