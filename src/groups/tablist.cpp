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
    if (!PlayFiles::looksLikeSettings(file.peek(SettingsSniffBytes))) {
        // Someone's own table or a binary file: its lines name no files of ours.
        qCDebug(lcGroups) << "{ildaFileSets::ildaFileSets} not a group settings file, not read:" << settingsPath;
        return false;
    }
    QTextStream in(&file);
    rows = PlayFiles::parseSettings(in, folders.localDir);
    return true;
}

bool readEntries(const QString &listPath, const FolderSettings &folders, QVector<PlayFiles::ListEntry> &entries,
                 QString *why)
{
    entries.clear();
    const QString path = folders.resolve(listPath);
    QFile file;
    if (listPath.isEmpty() || !openRegularTextFile(path, file)) {
        if (why)
            *why = listPath.isEmpty()         ? QStringLiteral("no play list named")
                   : !QFileInfo::exists(path) ? QStringLiteral("no such file")
                   : QFileInfo(path).isFile() ? file.errorString()
                                              : QStringLiteral("not a regular file");
        return false;
    }
    return PlayFiles::readTabList(file, entries, why);
}

QVector<Group> load(const QString &listPath, const FolderSettings &folders, bool *opened, QString *why)
{
    if (opened)
        *opened = false;
    QVector<Group> groups;
    qCDebug(lcGroups) << "ildaFileTab::get_path_item, will open file:" << listPath;
    QVector<PlayFiles::ListEntry> entries;
    QString problem;
    if (!readEntries(listPath, folders, entries, &problem)) {
        qCDebug(lcGroups) << "ildaFileTab::get_path_item,failure. itemPath" << listPath << problem;
        if (why)
            *why = problem;
        return groups;
    }
    if (opened)
        *opened = true;
    for (const PlayFiles::ListEntry &entry : qAsConst(entries)) {
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
    QVector<PlayFiles::ListEntry> entries;
    if (!readEntries(listPath, folders, entries))
        return paths;
    // Only group settings files inside the play folder qualify (the same guard
    // as for writing them): a damaged or foreign list must not make a save
    // delete anything else.
    const QString play = folders.resolve(folders.playPath());
    for (const PlayFiles::ListEntry &entry : qAsConst(entries)) {
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
