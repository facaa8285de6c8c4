#include "groupimagereadback.h"

#include "foldersettings.h"
#include "groupimagereader.h"
#include "groupslog.h"
#include "ildframeset.h"

#include <QDir>
#include <QFileInfo>

GroupImageReadBack::Result GroupImageReadBack::read(const QString &path, const FolderSettings &folders,
                                                    const ColorContext &colors)
{
    Result result;
    const QString file = folders.resolve(path);
    if (!QFileInfo(file).isFile()) {
        qCDebug(lcGroups) << "{ildaFileTab::readGroupImage} open file failure:" << path;
        result.problems << (QFileInfo::exists(file) ? QStringLiteral("not a regular file")
                                                    : QStringLiteral("no such file"));
        return result;
    }
    GroupImageTables tables = readGroupImageFile(file);
    for (const QString &problem : tables.problems)
        qCDebug(lcGroups) << "{ildaFileTab::readGroupImage}" << path << problem;
    result.problems = tables.problems;
    ++m_imagesOpened;
    result.opened = true;
    result.groupCount = tables.groupCount;
    for (size_t gi = 0; gi < tables.groups.size(); ++gi) {
        GroupImageTables::Group &g = tables.groups[gi];
        Group group;
        // A single-group image keeps no group name; the image's own stands in.
        group.name = tables.singleGroup ? QFileInfo(path).completeBaseName() : g.name;
        group.fileCount = g.fileCount;
        group.fileTableAddress = g.fileTableAddress;
        for (size_t fi = 0; fi < g.files.size(); ++fi) {
            GroupImageTables::File &f = g.files[fi];
            FileItem item(
                PlayFiles::SettingsRow{folders.localDir + f.name, f.name, f.playSpeed, f.colorType, f.repeater, true});
            item.frame_count = f.frameCount;
            item.frame_table_address = f.frameTableAddress;
            if (!QFileInfo(folders.resolve(item.path)).isFile() && !f.frames.empty())
                item.storedFrames = storeFrames(f.frames, int(gi), int(fi), colors);
            std::vector<IldFrame>().swap(f.frames);
            group.items.append(item);
        }
        result.groups.append(group);
    }
    return result;
}

QString GroupImageReadBack::storeFrames(const std::vector<IldFrame> &frames, int group, int file,
                                        const ColorContext &colors)
{
    if (!m_storedFrames)
        m_storedFrames = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/beamdeck-image-XXXXXX"));
    if (!m_storedFrames->isValid()) {
        qCDebug(lcGroups) << "{ildaFileTab::readGroupImage} no folder for the stored frames:"
                          << m_storedFrames->errorString();
        return QString();
    }
    const QString path =
        m_storedFrames->filePath(QStringLiteral("%1-%2-%3.ild").arg(m_imagesOpened).arg(group).arg(file));
    IldFrameSet set;
    set.frames = frames;
    if (!set.saveIld(path, colors)) {
        qCDebug(lcGroups) << "{ildaFileTab::readGroupImage} cannot write the stored frames to" << path;
        return QString();
    }
    qCDebug(lcGroups) << "{ildaFileTab::readGroupImage} source missing, playing the frames stored in the image:"
                      << path;
    return path;
}
