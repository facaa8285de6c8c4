#pragma once

// Builds ILDA byte streams for tests, field by field, so that each case shows
// exactly which bytes it feeds the reader.

#include <QByteArray>
#include <QtGlobal>

class IldaBuilder
{
public:
    IldaBuilder &header(quint8 format, quint16 count, const QByteArray &name = "frame",
                        const QByteArray &company = "co", quint16 number = 0, quint16 total = 1, qint8 projector = 0,
                        qint8 reserved = 0)
    {
        m_data.append("ILDA\0\0\0", 7);
        m_data.append(char(format));
        fixed(name, 8);
        fixed(company, 8);
        u16(count);
        u16(number);
        u16(total);
        m_data.append(char(projector));
        m_data.append(char(reserved));
        return *this;
    }
    // Format 5 record.
    IldaBuilder &point5(qint16 x, qint16 y, quint8 status, quint8 r, quint8 g, quint8 b)
    {
        u16(quint16(x));
        u16(quint16(y));
        m_data.append(char(status));
        m_data.append(char(b));
        m_data.append(char(g));
        m_data.append(char(r));
        return *this;
    }
    IldaBuilder &point4(qint16 x, qint16 y, qint16 z, quint8 status, quint8 r, quint8 g, quint8 b)
    {
        u16(quint16(x));
        u16(quint16(y));
        u16(quint16(z));
        m_data.append(char(status));
        m_data.append(char(b));
        m_data.append(char(g));
        m_data.append(char(r));
        return *this;
    }
    IldaBuilder &point1(qint16 x, qint16 y, quint8 status, quint8 index)
    {
        u16(quint16(x));
        u16(quint16(y));
        m_data.append(char(status));
        m_data.append(char(index));
        return *this;
    }
    IldaBuilder &point0(qint16 x, qint16 y, qint16 z, quint8 status, quint8 index)
    {
        u16(quint16(x));
        u16(quint16(y));
        u16(quint16(z));
        m_data.append(char(status));
        m_data.append(char(index));
        return *this;
    }
    IldaBuilder &rgb(quint8 r, quint8 g, quint8 b)
    {
        m_data.append(char(r));
        m_data.append(char(g));
        m_data.append(char(b));
        return *this;
    }
    IldaBuilder &raw(const QByteArray &bytes)
    {
        m_data.append(bytes);
        return *this;
    }
    IldaBuilder &u16(quint16 v)
    {
        m_data.append(char(v >> 8));
        m_data.append(char(v));
        return *this;
    }
    IldaBuilder &u32(quint32 v)
    {
        u16(quint16(v >> 16));
        u16(quint16(v));
        return *this;
    }
    QByteArray bytes() const { return m_data; }

private:
    void fixed(const QByteArray &t, int n)
    {
        const QByteArray c = t.left(n);
        m_data.append(c);
        m_data.append(QByteArray(n - c.size(), '\0'));
    }
    QByteArray m_data;
};
