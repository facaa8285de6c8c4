#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <memory>

struct ColorContext;
class IldFrame;

// Builds frame packets in one buffer allocated once for the largest datagram,
// so streaming allocates nothing per frame.
class FramePacketBuilder
{
public:
    FramePacketBuilder();
    ~FramePacketBuilder();
    FramePacketBuilder(const FramePacketBuilder &) = delete;
    FramePacketBuilder &operator=(const FramePacketBuilder &) = delete;

    // Index of the record that is forced blank and ends a longer frame:
    // maxTranPoint, or less when the datagram would outgrow UDP.
    static int cutIndex(quint16 maxTranPoint);
    // Number of point records a frame of vertexCount points is sent with.
    static int recordCount(int vertexCount, quint16 maxTranPoint);

    // Builds the packet for frame; returns its size in bytes. Coordinates are
    // scaled by the frame's scale factors and truncated toward zero; indexed
    // colours come from colors.
    int build(const IldFrame &frame, quint16 maxTranPoint, const ColorContext &colors);
    const char *data() const { return m_buffer.get(); }
    QByteArray packet(int size) const { return QByteArray(m_buffer.get(), size); }

private:
    std::unique_ptr<char[]> m_buffer;
};

// One-off convenience for tests and tools.
QByteArray encodeFramePacket(const IldFrame &frame, quint16 maxTranPoint, const ColorContext &colors);
