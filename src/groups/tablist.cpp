#include "tablist.h"

#include "foldersettings.h"
#include "groupslog.h"
#include "regularfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace TabList {

bool readGroupSettings(const QString &settingsPath, const FolderSettings &folders,
                       QVector<PlayFiles::SettingsRow> &rows)
{
    qCDebug(lcGroups) << "ildaFileSets::ildaFileSets, will open file:" << settingsPath;
    QFile file;
    if (!openRegularTextFile(folders.resolve(settingsPath), file)) {
        qCDebug(lcGroups) << "{ildaFileSets::ildaFileSets} open file failure,will new ---------------" << settingsPath;
        return false;
    }
    QTextStream in(&file);
    rows = PlayFiles::parseSettings(in, folders.localDir);
    return true;
}

QVector<Group> load(const QString &listPath, const FolderSettings &folders, bool *opened)
{
    if (opened)
        *opened = false;
    QVector<Group> groups;
    qCDebug(lcGroups) << "ildaFileTab::get_path_item, will open file:" << listPath;
    QFile file;
    if (listPath.isEmpty() || !openRegularTextFile(folders.resolve(listPath), file)) {
        qCDebug(lcGroups) << "ildaFileTab::get_path_item,failure. itemPath" << listPath;
        return groups;
    }
    if (opened)
        *opened = true;
    QTextStream in(&file);
    for (const PlayFiles::ListEntry &entry : PlayFiles::parseTabList(in)) {
        Group g;
        g.settingsName = PlayFiles::settingsNameFor(entry.name, folders.playFolder);
        g.settingsPath = folders.playPath() + g.settingsName;
        g.check = entry.check;
        g.found = readGroupSettings(g.settingsPath, folders, g.rows);
        groups.append(g);
    }
    return groups;
}

QStringList settingsFiles(const QString &listPath, const FolderSettings &folders)
{
    QStringList paths;
    QFile file;
    if (!openRegularTextFile(folders.resolve(listPath), file))
        return paths;
    QTextStream in(&file);
    // Only group settings files inside the play folder qualify (the same guard
    // as for writing them): a damaged or foreign list must not make a save
    // delete anything else.
    const QString play = folders.resolve(folders.playPath());
    for (const PlayFiles::ListEntry &entry : PlayFiles::parseTabList(in)) {
        const QString named = play + PlayFiles::settingsNameFor(entry.name, folders.playFolder);
        const QString path = QDir::cleanPath(QFileInfo(named).absoluteFilePath());
        if (PlayFiles::isSettingsFileIn(named, play))
            paths << path;
        else
            qCDebug(lcGroups) << "{ildaFileTab::save_list} not a settings file of this folder, kept:" << path;
    }
    return paths;
}

QString format(const QVector<Line> &lines, const QString &playFolder)
{
    QString text;
    for (const Line &line : lines)
        text += (line.check ? QString() : QStringLiteral("#")) + playFolder + line.settingsName + QLatin1Char('\n');
    text += QLatin1String("#end\n");
    return text;
}

} // namespace TabList
