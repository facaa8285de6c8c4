#pragma once

#include <QtGlobal>

// Table-driven CRC-32, most significant bit first, no reflection.
class CrcEngine
{
public:
    CrcEngine(quint32 polynomial, quint32 initial, quint32 finalXor);
    // CRC-32/MPEG-2: polynomial 0x04C11DB7, initial 0xFFFFFFFF, final XOR 0.
    static CrcEngine mpeg2();

    void reset() { m_crc = m_initial; }
    void addByte(quint8 b) { m_crc = (m_crc << 8) ^ m_table[0][(m_crc >> 24) ^ b]; }
    void addBytes(const uchar *data, qint64 size);
    // Feeds every group of four bytes in reverse order (bytes 3, 2, 1, 0), as the
    // flash image checksum wants it; that is each little-endian word fed most
    // significant byte first. A short tail group is reversed as well.
    void addReversedWords(const uchar *data, qint64 size);
    quint32 value() const { return m_crc ^ m_finalXor; }
    quint32 tableEntry(int i) const { return m_table[0][i & 0xFF]; }

    // One-shot: the image checksum over a region.
    static quint32 imageChecksum(const uchar *data, qint64 size);

private:
    quint32 m_table[4][256];
    quint32 m_initial;
    quint32 m_finalXor;
    quint32 m_crc;
};
