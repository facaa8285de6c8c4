#pragma once

#include "fileitem.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVector>

#include <memory>
#include <vector>

class IldFrame;
struct FolderSettings;
struct ColorContext;

// Group images (.ilg, or the text twin .txg) read back into play groups: one
// group per group record, one row per file record. A file whose source is
// missing plays the frames the image itself holds, kept as ILDA files in a
// temporary folder until the program ends.
class GroupImageReadBack
{
public:
    struct Group
    {
        QString name;
        quint8 fileCount = 0;
        quint32 fileTableAddress = 0;
        QVector<FileItem> items;
    };
    struct Result
    {
        bool opened = false;
        quint8 groupCount = 0;
        QStringList problems; // why the image was read only in part (or not at all)
        QVector<Group> groups;
    };

    // Rows get the path localDir + the stored file name.
    Result read(const QString &path, const FolderSettings &folders, const ColorContext &colors);

private:
    QString storeFrames(const std::vector<IldFrame> &frames, int group, int file, const ColorContext &colors);

    std::unique_ptr<QTemporaryDir> m_storedFrames;
    int m_imagesOpened = 0;
};
