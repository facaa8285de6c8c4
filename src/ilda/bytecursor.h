#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <cstring>

// Big-endian reading over a block of bytes. Reads past the end give zeros and
// never touch memory outside the block; atEnd() tells when the data ran out.
class ByteCursor
{
public:
    ByteCursor(const uchar *data, qint64 size) : m_data(data), m_size(size) {}

    bool atEnd() const { return m_pos >= m_size; }
    qint64 pos() const { return m_pos; }
    qint64 size() const { return m_size; }
    qint64 remaining() const { return m_pos < m_size ? m_size - m_pos : 0; }
    const uchar *data() const { return m_data; }
    const uchar *here() const { return m_data + m_pos; }
    void seek(qint64 pos) { m_pos = qBound<qint64>(0, pos, m_size); }
    void skip(qint64 n) { seek(m_pos + n); }

    // Copies n bytes into out; missing bytes become zero. Returns bytes read.
    qint64 read(void *out, qint64 n)
    {
        const qint64 avail = qMin(n, remaining());
        if (avail > 0)
            std::memcpy(out, m_data + m_pos, size_t(avail));
        if (avail < n)
            std::memset(static_cast<char *>(out) + avail, 0, size_t(n - avail));
        m_pos += avail;
        return avail;
    }
    quint8 u8()
    {
        if (m_pos < m_size)
            return m_data[m_pos++];
        return 0;
    }
    quint16 u16()
    {
        if (m_pos + 2 <= m_size) {
            const quint16 v = quint16(m_data[m_pos] << 8 | m_data[m_pos + 1]);
            m_pos += 2;
            return v;
        }
        uchar b[2];
        read(b, 2);
        return quint16(b[0] << 8 | b[1]);
    }
    qint16 s16() { return qint16(u16()); }
    quint32 u32()
    {
        uchar b[4];
        read(b, 4);
        return quint32(b[0]) << 24 | quint32(b[1]) << 16 | quint32(b[2]) << 8 | b[3];
    }

private:
    const uchar *m_data;
    qint64 m_size;
    qint64 m_pos = 0;
};

// Big-endian appending to a byte array.
class ByteSink
{
public:
    explicit ByteSink(QByteArray &out) : m_out(out) {}
    void u8(quint8 v) { m_out.append(char(v)); }
    void u16(quint16 v)
    {
        const char b[2] = {char(v >> 8), char(v)};
        m_out.append(b, 2);
    }
    void u32(quint32 v)
    {
        const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
        m_out.append(b, 4);
    }
    void bytes(const char *p, int n) { m_out.append(p, n); }
    // The text's first n bytes, padded with zero bytes to n.
    void fixed(const QByteArray &text, int n)
    {
        const QByteArray t = text.left(n);
        m_out.append(t);
        m_out.append(QByteArray(n - t.size(), '\0'));
    }
    QByteArray &array() { return m_out; }

private:
    QByteArray &m_out;
};
