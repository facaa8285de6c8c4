#pragma once

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
    QStringList problems;
};

GroupImageTables readGroupImageTables(const uchar *data, qint64 size);

// Full consistency check of a group image (the checks of "ildatool verify").
struct GroupImageCheck
{
    bool ok() const { return errors.isEmpty(); }

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

GroupImageCheck verifyGroupImage(const uchar *data, qint64 size);
