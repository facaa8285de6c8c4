#include "ildafiletab.h"

#include "groupimagebuilder.h"
#include "groupimageformat.h"
#include "groupimagereader.h"
#include "groupslog.h"
#include "ildafilesets.h"
#include "ildframeset.h"
#include "palette.h"
#include "playfiles.h"
#include "regularfile.h"
#include "rowmove.h"
#include "textcodec.h"
#include "urlpath.h"
#include "workprogress.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QQmlEngine>
#include <QSaveFile>
#include <QSet>
#include <QTextStream>

ildaFileTab::ildaFileTab(QObject *parent) : QAbstractListModel(parent)
{
    set_dir();
    currentFilePath = localDir + playFolder + listName;
    get_path_item(currentFilePath);
    m_crc_mode = true;
    m_checksum = 0;
    m_INIT_START_ADDRESS = 0;
}

void ildaFileTab::setPrompt(UserPrompt *prompt)
{
    m_prompt = prompt ? prompt : &UserPrompt::unattended();
    for (ildaFileSets *tab : qAsConst(tabs))
        tab->setPrompt(m_prompt);
}

QString ildaFileTab::settingsIniPath()
{
    return PlayFiles::configDir() + QStringLiteral("/_file_dir.ini");
}

ildaFileSets *ildaFileTab::newTab(const QString &name)
{
    // Owned here rather than by the QML engine, which would otherwise collect a
    // parentless model handed out by get_tab.
    auto *tab = new ildaFileSets(name, this);
    tab->setPrompt(m_prompt);
    QQmlEngine::setObjectOwnership(tab, QQmlEngine::CppOwnership);
    return tab;
}

int ildaFileTab::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : tabs.size();
}

QVariant ildaFileTab::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= tabs.size())
        return QVariant();
    const ildaFileSets *tab = tabs.at(index.row());
    switch (role) {
    case NameRole: return QString(tab->settingsFileName()).remove(QStringLiteral(".csv"));
    case ObjRole: return true;
    case CheckRole: return tab->isGroupChecked();
    default: return QVariant();
    }
}

QHash<int, QByteArray> ildaFileTab::roleNames() const
{
    return { { NameRole, "name" }, { ObjRole, "obj" }, { CheckRole, "check" } };
}

bool ildaFileTab::insertRows(int position, int count, const QModelIndex &parent)
{
    if (parent.isValid() || count < 1 || position != tabs.size() || !pending)
        return false;
    beginInsertRows(QModelIndex(), position, position + count - 1);
    for (int i = 0; i < count; ++i)
        tabs.append(pending);
    endInsertRows();
    return true;
}

bool ildaFileTab::removeRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || row < 0 || count < 1 || row + count > tabs.size())
        return false;
    beginRemoveRows(QModelIndex(), row, row + count - 1);
    tabs.remove(row, count);
    endRemoveRows();
    return true;
}

bool ildaFileTab::moveRows(const QModelIndex &sourceParent, int source, int count,
                           const QModelIndex &destinationParent, int dest)
{
    if (sourceParent.isValid() || destinationParent.isValid() || !RowMove::valid(tabs.size(), source, count, dest))
        return false;
    if (!beginMoveRows(QModelIndex(), source, source + count - 1, QModelIndex(), RowMove::announced(source, count, dest)))
        return false;
    RowMove::apply(tabs, source, count, dest);
    endMoveRows();
    return true;
}

bool ildaFileTab::moveRows_view_data(int source, int dest, int count)
{
    return moveRows(QModelIndex(), source, count, QModelIndex(), dest);
}

void ildaFileTab::clear()
{
    removeRows(0, rowCount());
}

QString ildaFileTab::get_current_file_path()
{
    return currentFilePath;
}

QString ildaFileTab::get_current_file_info()
{
    return fileInfoText(currentFilePath, m_checksum, end_address_acc);
}

QString ildaFileTab::fileInfoText(const QString &path, quint32 checksum, quint32 length)
{
    if (checksum == 0)
        return path;
    return path
        + QStringLiteral(" - crc:0x%1 size:%2MB").arg(checksum, 0, 16).arg(double(length) / 1024.0 / 1024.0, 0, 'f', 2);
}

QString ildaFileTab::get_current_dir()
{
    return localDir;
}

QString ildaFileTab::get_current_dir_url()
{
    return PlayFiles::folderUrl(localDir + playFolder);
}

QObject *ildaFileTab::get_tab(int index)
{
    if (tabs.isEmpty())
        return nullptr;
    return tabs.at(qBound(0, index, tabs.size() - 1));
}

QString ildaFileTab::get_tab_name(int index)
{
    if (tabs.isEmpty())
        return QString();
    return tabs.at(qBound(0, index, tabs.size() - 1))->settingsFileName();
}

void ildaFileTab::move_tab(int index, int desc_index)
{
    if (index == desc_index)
        return;
    if (!RowMove::valid(tabs.size(), index, 1, desc_index)) {
        qCDebug(lcGroups) << "{ildaFileTab::move_tab} no such tab or place:" << index << desc_index;
        return;
    }
    moveRows(QModelIndex(), index, 1, QModelIndex(), desc_index);
    bool written = false;
    const int n = saveListFile(currentFilePath, &written);
    reportListSave(currentFilePath, written, n);
}

void ildaFileTab::reportListSave(const QString &path, bool written, int problems)
{
    QString text;
    if (!written)
        text = QStringLiteral("The tab list could not be saved as %1 (%2).\r\nThe previous list, if any, is "
                              "unchanged. Choose a folder you can write to and save again.")
                   .arg(path, m_listError);
    else if (problems != 0)
        text = QStringLiteral("The tab list was saved as %1, but not everything in it:\r\n").arg(path);
    if (!saveErrorText.isEmpty())
        text += (written ? QString() : QStringLiteral("\r\n")) + saveErrorText;
    saveErrorText.clear();
    if (text.isEmpty())
        return;
    m_prompt->showMessage(UserPrompt::Warning, QStringLiteral("save error"), text, UserPrompt::Ok);
}

void ildaFileTab::delete_tab(int index)
{
    removeRows(index, 1);
    qCDebug(lcGroups) << "delete_tab,index:" << index;
}

void ildaFileTab::add_tab(QString tabName)
{
    pending = newTab(tabName);
    insertRows(tabs.size(), 1);
    pending = nullptr;
    qCDebug(lcGroups) << "add_tab,index:" << tabs.size();
}

void ildaFileTab::set_palette_table(int index)
{
    const quint8 offset = index != 0 ? 150 : 0;
    if (offset == paletteOffset)
        return;
    paletteOffset = offset;
    emit palette_table_Change(get_palette_table());
}

int ildaFileTab::get_palette_table() const
{
    return paletteOffset != 0 ? 1 : 0;
}

void ildaFileTab::set_center_HV_line(bool index)
{
    if (index == centerLines)
        return;
    centerLines = index;
    emit center_HV_line_Change(index);
}

void ildaFileTab::frush()
{
    beginResetModel();
    qCDebug(lcGroups) << "——————ildaFileTab::frush——————";
    endResetModel();
}

void ildaFileTab::showFileNames(const QString &folder)
{
    QDir dir(folder);
    const QFileInfoList entries =
        dir.entryInfoList({ QStringLiteral("*.ini"), QStringLiteral("*.ild"), QStringLiteral("libc++_shared.so") },
                          QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDir::Name | QDir::Reversed);
    qCDebug(lcGroups) << "{ildaFileTab::showFileNames} Bytes Filename: ";
    for (const QFileInfo &info : entries)
        qCDebug(lcGroups).noquote() << QStringLiteral("%1 %2").arg(info.size(), 10).arg(info.absoluteFilePath());
}

void ildaFileTab::set_dir()
{
    const QString home = PlayFiles::configDir();
    showFileNames(home);
    // Relative paths (an empty localDir) resolve in the settings folder.
    QDir::setCurrent(home);

    QFile ini(settingsIniPath());
    if (ini.open(QIODevice::ReadWrite | QIODevice::Text)) {
        QTextStream in(&ini);
        TextCodec::useGbk(in);
        localDir = in.atEnd() ? QString() : in.readLine();
        playFolder = in.atEnd() ? QString() : in.readLine();
        listName = in.atEnd() ? QString() : in.readLine();
    } else {
        qCDebug(lcGroups) << "file path" << ini.fileName() << (ini.exists() ? "true" : "false");
        localDir = home + QLatin1Char('/');
        playFolder = QStringLiteral("play/");
        listName = QStringLiteral("play.list");
    }
    const QString folder = localDir + playFolder;
    if (!QDir(folder).exists() && !QDir().mkpath(folder))
        qCDebug(lcGroups) << "{ildaFileTab::set_dir} no:" << folder;
}

void ildaFileTab::setDirFromUrl(const QUrl &url, const QString &fileName)
{
    listName = fileName.isEmpty() ? url.fileName() : fileName;
    if (url.scheme() != QLatin1String("content")) {
        const QString folder = PlayFiles::folderOf(localPathFromUrl(url));
        PlayFiles::splitListFolder(folder, localDir, playFolder);
    } else {
        // Document URLs of a mobile file provider: the folder follows "%3A" and
        // the volume's first "%2F".
        QString t = url.toString();
        t.chop(url.fileName().size());
        QString play = t.mid(t.lastIndexOf(QLatin1String("%3A")) + 3);
        const int slash = play.indexOf(QLatin1String("%2F"));
        if (slash >= 0)
            play = play.mid(slash + 3);
        playFolder = play;
        localDir = t.left(t.size() - play.size());
    }
    QDir::setCurrent(PlayFiles::configDir());
    QSaveFile ini(settingsIniPath());
    if (!ini.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        qCDebug(lcGroups) << "{ildaFileTab::setDirFromUrl} cannot write" << ini.fileName();
        return;
    }
    if (!PlayFiles::commitText(ini, localDir + QLatin1Char('\n') + playFolder + QLatin1Char('\n') + listName
                                        + QLatin1Char('\n')))
        qCDebug(lcGroups) << "{ildaFileTab::setDirFromUrl} cannot write" << ini.fileName() << ini.errorString();
}

void ildaFileTab::get_path_item(const QString &path)
{
    qCDebug(lcGroups) << "ildaFileTab::get_path_item, will open file:" << path;
    QFile file;
    if (path.isEmpty() || !openRegularTextFile(path, file)) {
        qCDebug(lcGroups) << "ildaFileTab::get_path_item,failure. itemPath" << path;
        return;
    }
    QTextStream in(&file);
    for (const PlayFiles::ListEntry &entry : PlayFiles::parseTabList(in)) {
        ildaFileSets *tab = newTab(entry.name);
        tab->set_group_check(entry.check);
        tabs.append(tab);
    }
}

int ildaFileTab::saveListFile(const QString &path, bool *ok)
{
    if (ok)
        *ok = false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        qCDebug(lcGroups) << "open itemPath 失败:" << path << ", 可能原因，文件只读。";
        m_listError = file.errorString();
        return 0;
    }
    QString list;
    QTextStream out(&list);
    QTextStream errors(&saveErrorText);
    int total = 0;
    for (int i = 0; i < tabs.size(); ++i) {
        ildaFileSets *tab = tabs.at(i);
        out << (tab->get_group_check() ? "" : "#") << playFolder << tab->settingsFileName() << '\n';
        int g = tab->saveSetting();
        if (!TextCodec::canStore(playFolder + tab->settingsFileName())) {
            // The list is GBK too: such a line would name no group after a restart.
            errors << QStringLiteral("Group \"%1\": its name or the play folder %2 holds characters the tab list "
                                     "(GBK) cannot store; the group will be missing after a restart. Rename it "
                                     "and save again.")
                          .arg(GroupImageFormat::groupName(tab->settingsFileName()), playFolder)
                   << "\r\n";
            ++g;
        }
        if (g != 0)
            errors << tab->saveProblemText() << "\r\n";
        total += g;
    }
    out << "#end\n";
    out.flush();
    if (!PlayFiles::commitText(file, list)) {
        qCDebug(lcGroups) << "open itemPath 失败:" << path << ", 可能原因，文件只读。" << file.errorString();
        m_listError = file.errorString();
        return total;
    }
    if (ok)
        *ok = true;
    return total;
}

void ildaFileTab::removeListedSettings(const QStringList &oldFiles)
{
    QSet<QString> kept;
    for (const ildaFileSets *tab : qAsConst(tabs))
        kept.insert(QDir::cleanPath(QFileInfo(localDir + playFolder + tab->settingsFileName()).absoluteFilePath()));
    for (const QString &old : oldFiles)
        if (!kept.contains(old) && QFile::exists(old) && !QFile::remove(old))
            qCDebug(lcGroups) << "{ildaFileTab::save_list} cannot delete" << old;
}

QStringList ildaFileTab::listedSettingsFiles(const QString &listPath) const
{
    QStringList paths;
    QFile file;
    if (!openRegularTextFile(listPath, file))
        return paths;
    QTextStream in(&file);
    // Only group settings files inside the play folder qualify (the same guard
    // as for writing them): a damaged or foreign list must not make a save
    // delete anything else.
    const QString play = localDir + playFolder;
    for (const PlayFiles::ListEntry &entry : PlayFiles::parseTabList(in)) {
        const QString named = play + PlayFiles::settingsNameFor(entry.name, playFolder);
        const QString path = QDir::cleanPath(QFileInfo(named).absoluteFilePath());
        if (PlayFiles::isSettingsFileIn(named, play))
            paths << path;
        else
            qCDebug(lcGroups) << "{ildaFileTab::save_list} not a settings file of this folder, kept:" << path;
    }
    return paths;
}

void ildaFileTab::readGroupImage(const QString &path)
{
    if (!QFileInfo(path).isFile()) {
        qCDebug(lcGroups) << "{ildaFileTab::readGroupImage} open file failure:" << path;
        return;
    }
    GroupImageTables tables = readGroupImageFile(path);
    for (const QString &problem : tables.problems)
        qCDebug(lcGroups) << "{ildaFileTab::readGroupImage}" << path << problem;
    ++m_imagesOpened;

    exportGroupCount = tables.groupCount;
    for (size_t gi = 0; gi < tables.groups.size(); ++gi) {
        GroupImageTables::Group &g = tables.groups[gi];
        // A single-group image keeps no group name; the image's own stands in.
        const QString name = tables.singleGroup ? QFileInfo(path).completeBaseName() : g.name;
        auto *tab = new ildaFileSets(name, g.fileCount, g.fileTableAddress, this);
        tab->setPrompt(m_prompt);
        QQmlEngine::setObjectOwnership(tab, QQmlEngine::CppOwnership);
        for (size_t fi = 0; fi < g.files.size(); ++fi) {
            GroupImageTables::File &f = g.files[fi];
            FileItem item(
                PlayFiles::SettingsRow{localDir + f.name, f.name, f.playSpeed, f.colorType, f.repeater, true});
            item.frame_count = f.frameCount;
            item.frame_table_address = f.frameTableAddress;
            if (!QFileInfo(item.path).isFile() && !f.frames.empty())
                item.storedFrames = storeImageFrames(f.frames, int(gi), int(fi));
            std::vector<IldFrame>().swap(f.frames);
            tab->appendItem(item);
        }
        tabs.append(tab);
    }
}

QString ildaFileTab::storeImageFrames(const std::vector<IldFrame> &frames, int group, int file)
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
    if (!set.saveIld(path)) {
        qCDebug(lcGroups) << "{ildaFileTab::readGroupImage} cannot write the stored frames to" << path;
        return QString();
    }
    qCDebug(lcGroups) << "{ildaFileTab::readGroupImage} source missing, playing the frames stored in the image:"
                      << path;
    return path;
}

void ildaFileTab::open_list(QUrl dir, QString selectedNameFilter)
{
    currentFilePath = localPathFromUrl(dir);
    qCDebug(lcGroups) << "dir.toLocalFile" << dir.toLocalFile() << "Name" << currentFilePath << "FileName:"
                      << dir.fileName() << selectedNameFilter;
    beginResetModel();
    tabs.clear();
    if (selectedNameFilter.contains(QLatin1String("*.list"))) {
        setDirFromUrl(dir);
        get_path_item(currentFilePath);
        qCDebug(lcGroups) << "——————ildaFileTab::frush——————";
        endResetModel();
        qCDebug(lcGroups) << "open list group";
    } else if (selectedNameFilter.contains(QLatin1String("*.ilg"))
               || selectedNameFilter.contains(QLatin1String("*.txg"))) {
        readGroupImage(currentFilePath);
        qCDebug(lcGroups) << "——————ildaFileTab::frush——————";
        endResetModel();
        qCDebug(lcGroups) << "open ilda group";
    } else {
        endResetModel();
    }
}

bool ildaFileTab::save_current_list()
{
    if (!currentFilePath.endsWith(QLatin1String(".list")))
        return false;
    save_list(QUrl::fromLocalFile(currentFilePath), QStringLiteral("list files (*.list )"));
    return true;
}

void ildaFileTab::save_list(QUrl dir, QString selectedNameFilter)
{
    currentFilePath = localPathFromUrl(dir);
    m_checksum = 0;
    m_INIT_START_ADDRESS = 0;
    qCDebug(lcGroups) << "Name" << currentFilePath << "FileName:" << dir.fileName() << selectedNameFilter;
    const QString ext = PlayFiles::saveExtension(
        currentFilePath, selectedNameFilter, {QStringLiteral(".list"), QStringLiteral(".txg"), QStringLiteral(".ilg")});
    if (!ext.isEmpty() && !currentFilePath.endsWith(ext))
        currentFilePath += ext;

    if (ext == QLatin1String(".list")) {
        // Record the name actually written, so that the next start finds it.
        setDirFromUrl(dir, PlayFiles::fileNameOf(currentFilePath));
        // The old list's settings files go only after the new list is safely
        // written, and only those the new list no longer names.
        const QStringList oldFiles = listedSettingsFiles(currentFilePath);
        bool written = false;
        const int n = saveListFile(currentFilePath, &written);
        if (written)
            removeListedSettings(oldFiles);
        reportListSave(currentFilePath, written, n);
        qCDebug(lcGroups) << "ildaFileTab :: save list group." << "error:" << n;
    } else if (ext == QLatin1String(".txg")) {
        m_INIT_START_ADDRESS = GroupImageBuilder::TextStart;
        saveTextGroupImage(currentFilePath);
        qCDebug(lcGroups) << "ildaFileTab :: save text group";
    } else if (ext == QLatin1String(".ilg")) {
        m_INIT_START_ADDRESS = GroupImageBuilder::ImageStart;
        m_crc_mode = true;
        saveGroupImage(currentFilePath);
        qCDebug(lcGroups) << "ildaFileTab :: save CRC ilda group";
    }
}

bool ildaFileTab::exportTabs(int variant, const QString &path)
{
    std::vector<ExportGroup> groups;
    std::vector<ildaFileSets *> checked;
    for (ildaFileSets *tab : qAsConst(tabs)) {
        if (!tab->get_group_check())
            continue;
        groups.push_back(tab->exportGroup());
        checked.push_back(tab);
    }
    GroupImageBuilder builder;
    if (m_creationTime >= 0)
        builder.setCreationTime(m_creationTime);
    const WorkProgress::Task task(QStringLiteral("导出"));
    builder.setProgress(task.callback());
    const GroupImageBuilder::Outcome outcome =
        builder.save(GroupImageBuilder::Variant(variant), groups, path);
    ildaFileSets::reportExport(*m_prompt, builder, outcome, path);
    if (outcome == GroupImageBuilder::Written) {
        exportGroupCount = quint8(builder.exportedGroupCount());
        end_address_acc = quint32(builder.dataEnd());
        if (variant == GroupImageBuilder::GroupImage)
            m_checksum = builder.checksum();
        for (size_t i = 0; i < checked.size(); ++i)
            checked[i]->applyPlacement(builder.placement()[i]);
    }
    for (ildaFileSets *tab : checked)
        tab->clearAddress();
    return outcome == GroupImageBuilder::Written;
}

bool ildaFileTab::saveGroupImage(const QString &path)
{
    return exportTabs(GroupImageBuilder::GroupImage, path);
}

bool ildaFileTab::saveTextGroupImage(const QString &path)
{
    return exportTabs(GroupImageBuilder::TextGroupImage, path);
}

void ildaFileTab::set_localdir(QUrl dir)
{
    localDir = localPathFromUrl(dir);
    setDirFromUrl(dir);
    beginResetModel();
    tabs.clear();
    set_dir();
    // The same list path as at start-up, so both roads load the same list.
    currentFilePath = localDir + playFolder + listName;
    get_path_item(currentFilePath);
    qCDebug(lcGroups) << "——————ildaFileTab::frush——————";
    endResetModel();
}
