#include "groupimageformat.h"

#include "textcodec.h"

namespace GroupImageFormat {

namespace {

void u8(QByteArray &out, quint8 v)
{
    out.append(char(v));
}
void u16(QByteArray &out, quint16 v)
{
    const char b[2] = {char(v >> 8), char(v)};
    out.append(b, 2);
}
void u32(QByteArray &out, quint32 v)
{
    const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    out.append(b, 4);
}
void fixed(QByteArray &out, const QByteArray &bytes, int size)
{
    const QByteArray t = bytes.left(size);
    out.append(t);
    out.append(QByteArray(size - t.size(), '\0'));
}
QString hex(quint64 v)
{
    return QString::number(v, 16);
}

} // namespace

QByteArray encodedName(const QString &name, int size)
{
    return TextCodec::gbkField(name, size);
}

QString groupName(const QString &settingsName)
{
    QString n = settingsName;
    return n.remove(QStringLiteral(".csv"));
}

QByteArray imageHeader(qint64 creationTime)
{
    QByteArray h;
    h.reserve(HeaderSize);
    h.append("tovrim\0\0", 8);
    u32(h, quint32(quint64(creationTime) >> 32));
    u32(h, quint32(quint64(creationTime)));
    h.append("CRCFlash", 8);
    h.append(QByteArray(HeaderSize - h.size(), '\0'));
    return h;
}

void putLittleEndian32(uchar *p, quint32 v)
{
    p[0] = uchar(v);
    p[1] = uchar(v >> 8);
    p[2] = uchar(v >> 16);
    p[3] = uchar(v >> 24);
}

quint32 getLittleEndian32(const uchar *p)
{
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

void appendGroupRecord(QByteArray &out, const QByteArray &name8, quint8 groupCount, quint8 index, quint8 fileCount,
                       quint32 fileTableAddress)
{
    fixed(out, name8, GroupNameSize);
    u8(out, groupCount);
    u8(out, index);
    u8(out, fileCount);
    u32(out, fileTableAddress);
}

void appendFileRecord(QByteArray &out, const QByteArray &name16, quint8 index, quint16 frameCount,
                      quint32 frameTableAddress, quint8 playSpeed, quint8 colorType, quint8 repeater)
{
    fixed(out, name16, FileNameSize);
    u8(out, index);
    u16(out, frameCount);
    u32(out, frameTableAddress);
    u8(out, playSpeed);
    u8(out, colorType);
    u8(out, repeater);
}

void appendFrameRecord(QByteArray &out, quint16 index, quint16 vertexCount, quint32 vertexAddress)
{
    u16(out, index);
    u16(out, vertexCount);
    u32(out, vertexAddress);
}

QString textName(const QString &name, int size)
{
    return name.left(size).leftJustified(size, QLatin1Char(' '));
}

QString textHeaderLine(qint64 creationTime)
{
    return QStringLiteral("tovrim  ,%1,exFlash ,").arg(creationTime);
}

QString textGroupLine(const QString &groupName, int groupCount, int index, int fileCount, quint64 fileTableAddress)
{
    return textName(groupName, GroupNameSize) + QStringLiteral(",tab/group:%1,%2,file num:%3,file address:0x%4,%5,")
                                                    .arg(groupCount)
                                                    .arg(index)
                                                    .arg(fileCount)
                                                    .arg(hex(fileTableAddress))
                                                    .arg(fileTableAddress);
}

QString textGroupAddressLine(quint64 address)
{
    return QStringLiteral("new group address:------------0x%1,").arg(hex(address));
}

QString textFileLine(const QString &fileName, int index, int frameCount, quint64 frameTableAddress, int playSpeed,
                     int colorType, int repeater)
{
    return textName(fileName, FileNameSize) +
           QStringLiteral(",file:%1,frame:%2,frame address:0x%3,%4,speed:%5,color:%6,repeater:%7")
               .arg(index)
               .arg(frameCount)
               .arg(hex(frameTableAddress))
               .arg(frameTableAddress)
               .arg(playSpeed)
               .arg(colorType)
               .arg(repeater);
}

QString textFileAddressLine(quint64 address)
{
    return QStringLiteral("new file address:------------0x%1,").arg(hex(address));
}

QString textFrameLine(int index, int vertexCount, quint64 vertexAddress)
{
    return QStringLiteral("frame:%1,vertex num:%2,vertex address:0x%3,%4,")
        .arg(index)
        .arg(vertexCount)
        .arg(hex(vertexAddress))
        .arg(vertexAddress);
}

QString textFrameAddressLine(quint64 address)
{
    return QStringLiteral("new frame address:------------0x%1,").arg(hex(address));
}

QString textVertexLine(qint16 x, qint16 y, bool blanked, QRgb color)
{
    const QString xy = hex(quint16(Dac::toDac(x))) + QLatin1Char(',') + hex(quint16(Dac::toDac(y))) + QLatin1Char(',');
    if (blanked)
        return xy + QStringLiteral("0x00,0x00,0x00,");
    return xy + hex(quint8(qRed(color))) + QLatin1Char(',') + hex(quint8(qGreen(color))) + QLatin1Char(',') +
           hex(quint8(qBlue(color))) + QLatin1Char(',');
}

} // namespace GroupImageFormat
