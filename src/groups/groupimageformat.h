#pragma once

#include "dac.h"

#include <QByteArray>
#include <QRgb>
#include <QString>
#include <QtGlobal>

// Byte and text encodings of the records of a group image. No file access, no
// model: every function maps values to bytes or to one line of text.
namespace GroupImageFormat {

constexpr int HeaderSize = 512;
constexpr int TextHeaderSize = 24;
constexpr int ChecksumOffset = 24;
constexpr int LengthOffset = 28;
constexpr int GroupNameSize = 8;
constexpr int FileNameSize = 16;

// Name as stored: its GBK bytes, cut to size between characters (never inside
// a two-byte one) and padded with zero bytes.
QByteArray encodedName(const QString &name, int size);
// Group name of a tab: its settings name without ".csv".
QString groupName(const QString &settingsName);

// The 512-byte header with checksum and length left at zero.
QByteArray imageHeader(qint64 creationTime);
// Little-endian 32-bit value (checksum and length fields).
void putLittleEndian32(uchar *p, quint32 v);
quint32 getLittleEndian32(const uchar *p);

void appendGroupRecord(QByteArray &out, const QByteArray &name8, quint8 groupCount, quint8 index, quint8 fileCount,
                       quint32 fileTableAddress);
void appendFileRecord(QByteArray &out, const QByteArray &name16, quint8 index, quint16 frameCount,
                      quint32 frameTableAddress, quint8 playSpeed, quint8 colorType, quint8 repeater);
void appendFrameRecord(QByteArray &out, quint16 index, quint16 vertexCount, quint32 vertexAddress);
// Writes one 7-byte XYRGB record at p and returns the position behind it.
inline uchar *putVertexRecord(uchar *p, qint16 x, qint16 y, QRgb color)
{
    // Positions are stored in 16 bits: -32768 (position -1) as 65535.
    const quint16 cx = quint16(Dac::toDac(x));
    const quint16 cy = quint16(Dac::toDac(y));
    p[0] = uchar(cx >> 8);
    p[1] = uchar(cx);
    p[2] = uchar(cy >> 8);
    p[3] = uchar(cy);
    p[4] = uchar(qRed(color));
    p[5] = uchar(qGreen(color));
    p[6] = uchar(qBlue(color));
    return p + 7;
}

// Text twin: one function per line layout, each without its line feed.
QString textName(const QString &name, int size);
QString textHeaderLine(qint64 creationTime);
QString textGroupLine(const QString &groupName, int groupCount, int index, int fileCount, quint64 fileTableAddress);
QString textGroupAddressLine(quint64 address);
QString textFileLine(const QString &fileName, int index, int frameCount, quint64 frameTableAddress, int playSpeed,
                     int colorType, int repeater);
QString textFileAddressLine(quint64 address);
QString textFrameLine(int index, int vertexCount, quint64 vertexAddress);
QString textFrameAddressLine(quint64 address);
QString textVertexLine(qint16 x, qint16 y, bool blanked, QRgb color);

} // namespace GroupImageFormat
