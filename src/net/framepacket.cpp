#include "framepacket.h"

#include "datagram.h"
#include "ildframe.h"
#include "palette.h"

#include <QtEndian>

#include <cstring>

namespace {

inline qint16 scaled(qint16 v, float scale)
{
    // Truncation toward zero, kept inside the 16-bit range so an oversized
    // view cannot wrap a point to the opposite edge.
    const float f = float(v) * scale;
    if (f >= 32767.0f)
        return 32767;
    if (f <= -32768.0f)
        return -32768;
    return qint16(int(f));
}

inline void putRecord(char *p, qint16 x, qint16 y, QRgb c, quint8 status)
{
    qToLittleEndian(x, p);
    qToLittleEndian(y, p + 2);
    p[4] = char(qRed(c));
    p[5] = char(qGreen(c));
    p[6] = char(qBlue(c));
    p[7] = char(status);
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

int FramePacketBuilder::build(const IldFrame &frame, quint16 maxTranPoint)
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

    // Colour source chosen once per frame, not per point.
    const Palette &palette = globalPalette();
    int tableBase = -1;
    if (frame.format == 0 || frame.format == 1)
        tableBase = paletteOffset;
    else if (frame.format == 2 || frame.format == 3)
        tableBase = Palette::filePaletteBase;

    if (tableBase >= 0) {
        for (int i = 0; i < full; ++i, p += Wire::PointRecordSize)
            putRecord(p, scaled(v[i].x, sx), scaled(v[i].y, sy), palette.rgbAt(tableBase + v[i].colorIndex),
                      v[i].status);
    } else {
        for (int i = 0; i < full; ++i, p += Wire::PointRecordSize)
            putRecord(p, scaled(v[i].x, sx), scaled(v[i].y, sy), qRgb(v[i].r, v[i].g, v[i].b), v[i].status);
    }
    if (cut) {
        // The point where the frame is cut: blank and black, and the last record.
        putRecord(p, scaled(v[full].x, sx), scaled(v[full].y, sy), qRgb(0, 0, 0), IldVertex::Blanked);
    }
    return Wire::FrameHeaderSize + Wire::PointRecordSize * records;
}

QByteArray encodeFramePacket(const IldFrame &frame, quint16 maxTranPoint)
{
    FramePacketBuilder b;
    const int size = b.build(frame, maxTranPoint);
    return b.packet(size);
}
