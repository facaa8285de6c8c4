#pragma once

#include "ildframe.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <vector>

// The group and file tables of a group image as stored, read back for the
// tab manager. Reading never goes past the data: a table cut short or counts
// that do not add up end the reading where the data ends, noted in problems.
struct GroupImageTables
{
    struct File
    {
        QString name;
        quint8 index = 0;
        quint16 frameCount = 0;
        quint32 frameTableAddress = 0;
        quint8 playSpeed = 0;
        quint8 colorType = 0;
        quint8 repeater = 0;
        // Filled only by the readers of the whole image below: the stored
        // points as format-5 frames, coordinates back in ILDA units.
        std::vector<IldFrame> frames;
        // Text images only: each frame line's point count and point address.
        std::vector<quint32> statedVertexCounts;
        std::vector<quint32> vertexAddresses;
    };
    struct Group
    {
        QString name;
        quint8 groupCount = 0;
        quint8 index = 0;
        quint8 fileCount = 0;
        quint32 fileTableAddress = 0;
        std::vector<File> files;
    };

    std::vector<Group> groups;
    quint8 groupCount = 0;
    // A single-group image or text image: one group without a name.
    bool singleGroup = false;
    QStringList problems;
    // Text images only: creation time of the header line, and address items
    // that could not be read or whose hexadecimal and decimal forms differ.
    qint64 creationTime = 0;
    QStringList addressProblems;
};

GroupImageTables readGroupImageTables(const uchar *data, qint64 size);

// The whole image, tables and points, following the stored addresses. Takes
// the group image with its header and the single-group image without one.
GroupImageTables readGroupImage(const uchar *data, qint64 size);
// The same from the text twin (.txg), bytes in the locale encoding.
GroupImageTables readTextGroupImage(const QByteArray &bytes);
// Reads the file at path as a text image when it starts like one, else as a
// binary image. An unreadable file gives no groups and one problem.
GroupImageTables readGroupImageFile(const QString &path);
// A stored point back in ILDA units: (value - 2047) * 16, within +-32767.
qint16 storedToIlda(quint16 value);

// Full consistency check of a group image (the checks of "ildatool verify").
struct GroupImageCheck
{
    enum Kind { GroupImage, SingleGroupImage, TextGroupImage, SingleGroupText };
    bool ok() const { return errors.isEmpty(); }
    QString kindName() const;

    Kind kind = GroupImage;

    QStringList errors;
    qint64 size = 0;
    qint64 creationTime = 0;
    quint32 storedChecksum = 0;
    quint32 computedChecksum = 0;
    quint32 storedLength = 0;
    int groups = 0;
    quint64 files = 0;
    quint64 frames = 0;
    quint64 vertices = 0;
    quint64 dataEnd = 0;
};

// A binary image: the group image by its header, else the single-group image.
GroupImageCheck verifyGroupImage(const uchar *data, qint64 size);
// A text image: every line readable, the counts adding up, every address
// where the layout puts it (the text variants carry no checksum).
GroupImageCheck verifyTextGroupImage(const QByteArray &bytes);
