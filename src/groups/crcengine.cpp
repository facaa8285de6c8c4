#include "crcengine.h"

CrcEngine::CrcEngine(quint32 polynomial, quint32 initial, quint32 finalXor)
    : m_initial(initial), m_finalXor(finalXor), m_crc(initial)
{
    for (quint32 i = 0; i < 256; ++i) {
        quint32 c = i << 24;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 0x80000000u) ? (c << 1) ^ polynomial : c << 1;
        m_table[0][i] = c;
    }
    // Slicing tables: entry k advances a byte followed by k zero bytes.
    for (int k = 1; k < 4; ++k)
        for (int i = 0; i < 256; ++i)
            m_table[k][i] = (m_table[k - 1][i] << 8) ^ m_table[0][m_table[k - 1][i] >> 24];
}

CrcEngine CrcEngine::mpeg2()
{
    return CrcEngine(0x04C11DB7u, 0xFFFFFFFFu, 0u);
}

void CrcEngine::addBytes(const uchar *data, qint64 size)
{
    for (qint64 i = 0; i < size; ++i)
        addByte(data[i]);
}

void CrcEngine::addReversedWords(const uchar *data, qint64 size)
{
    const qint64 whole = size & ~qint64(3);
    quint32 crc = m_crc;
    for (qint64 i = 0; i < whole; i += 4) {
        // Byte 3 goes in first, so it meets the top byte of the register.
        const quint32 x = crc ^ (quint32(data[i + 3]) << 24 | quint32(data[i + 2]) << 16 | quint32(data[i + 1]) << 8 |
                                 quint32(data[i]));
        crc = m_table[3][x >> 24] ^ m_table[2][(x >> 16) & 0xFF] ^ m_table[1][(x >> 8) & 0xFF] ^ m_table[0][x & 0xFF];
    }
    m_crc = crc;
    for (qint64 i = size - 1; i >= whole; --i)
        addByte(data[i]);
}

quint32 CrcEngine::imageChecksum(const uchar *data, qint64 size)
{
    CrcEngine crc = mpeg2();
    crc.addReversedWords(data, size);
    return crc.value();
}
