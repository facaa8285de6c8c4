#include "ildafiletab.h"

#include "groupexport.h"
#include "groupimagebuilder.h"
#include "groupimageformat.h"
#include "groupslog.h"
#include "ildafilesets.h"
#include "palette.h"
#include "playfiles.h"
#include "rowmove.h"
#include "tablist.h"
#include "textcodec.h"
#include "urlpath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QQmlEngine>
#include <QSaveFile>
#include <QSet>
#include <QTextStream>

#include <cerrno>

namespace {

enum class OpenKind { PlayList, GroupImage, Unknown };

// What a file chosen to open is: its content first (the group image's
// header, the text image's first line), then its name, and the dialog's
// filter last, which people leave at its first entry whatever they pick.
OpenKind openKind(const QString &path, const QString &filter)
{
    QFile file(path);
    QByteArray head;
    if (QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly))
        head = file.read(16);
    if (head.startsWith(QByteArray("tovrim\0\0", 8)) || head.startsWith("cal complete"))
        return OpenKind::GroupImage;
    const QString suffix = QFileInfo(path).suffix();
    if (suffix == QLatin1String("list"))
        return OpenKind::PlayList;
    if (suffix == QLatin1String("ilg") || suffix == QLatin1String("txg"))
        return OpenKind::GroupImage;
    if (filter.contains(QLatin1String("*.list")))
        return OpenKind::PlayList;
    if (filter.contains(QLatin1String("*.ilg")) || filter.contains(QLatin1String("*.txg")))
        return OpenKind::GroupImage;
    return OpenKind::Unknown;
}

} // namespace

ildaFileTab::ildaFileTab(QObject *parent)
    : QAbstractListModel(parent), m_folders(FolderSettings::load(PlayFiles::configDir()))
{
    currentFilePath = m_folders.listPath();
    QString why;
    if (!loadList(currentFilePath, &why) && QFileInfo::exists(m_folders.resolve(currentFilePath))) {
        // The window opens without groups rather than with whatever the file
        // would make of them; a save must not overwrite it either.
        m_pendingNotices << QStringLiteral("%1\nThe last play list could not be read (%2). The window opens "
                                           "without groups; open a play list with \"打开\".")
                                .arg(currentFilePath, why);
        currentFilePath.clear();
    }
    rememberSaved();
}

void ildaFileTab::setPrompt(UserPrompt *prompt)
{
    m_prompt = prompt ? prompt : &UserPrompt::unattended();
    for (ildaFileSets *tab : qAsConst(tabs))
        tab->setPrompt(m_prompt);
    // What went wrong before anyone could be told.
    if (prompt) {
        for (const QString &text : qAsConst(m_pendingNotices))
            m_prompt->showNotice(UserPrompt::Warning, QStringLiteral("file error"), text);
        m_pendingNotices.clear();
    }
}

void ildaFileTab::setWorkProgress(WorkProgress *progress)
{
    m_progress = progress;
    for (ildaFileSets *tab : qAsConst(tabs))
        tab->setWorkProgress(progress);
}

QString ildaFileTab::settingsIniPath()
{
    return FolderSettings::iniPathIn(PlayFiles::configDir());
}

ildaFileSets *ildaFileTab::adopt(ildaFileSets *tab)
{
    // Owned here rather than by the QML engine, which would otherwise collect a
    // model handed out by get_tab.
    tab->setParent(this);
    tab->setPrompt(m_prompt);
    tab->setWorkProgress(m_progress);
    tab->setViewSettings(m_view);
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
    case NameRole:
        return QString(tab->settingsFileName()).remove(QStringLiteral(".csv"));
    case ObjRole:
        return true;
    case CheckRole:
        return tab->isGroupChecked();
    default:
        return QVariant();
    }
}

QHash<int, QByteArray> ildaFileTab::roleNames() const
{
    return {{NameRole, "name"}, {ObjRole, "obj"}, {CheckRole, "check"}};
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

bool ildaFileTab::moveRows(const QModelIndex &sourceParent, int source, int count, const QModelIndex &destinationParent,
                           int dest)
{
    if (sourceParent.isValid() || destinationParent.isValid() || !RowMove::valid(tabs.size(), source, count, dest))
        return false;
    if (!beginMoveRows(QModelIndex(), source, source + count - 1, QModelIndex(),
                       RowMove::announced(source, count, dest)))
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
    return path + QStringLiteral(" - crc:0x%1 size:%2MB")
                      .arg(checksum, 0, 16)
                      .arg(double(length) / 1024.0 / 1024.0, 0, 'f', 2);
}

QString ildaFileTab::get_current_dir()
{
    return m_folders.localDir;
}

QString ildaFileTab::get_current_dir_url()
{
    return PlayFiles::folderUrl(m_folders.resolve(m_folders.playPath()));
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
    pending = adopt(new ildaFileSets(tabName, m_folders));
    insertRows(tabs.size(), 1);
    pending = nullptr;
    qCDebug(lcGroups) << "add_tab,index:" << tabs.size();
}

void ildaFileTab::setViewSettings(ViewSettings *settings)
{
    m_view = settings ? settings : m_ownView.get();
    for (ildaFileSets *tab : qAsConst(tabs))
        tab->setViewSettings(m_view);
}

void ildaFileTab::set_palette_table(int index)
{
    const quint8 offset = index != 0 ? 150 : 0;
    if (offset == m_view->colors.offset)
        return;
    m_view->colors.offset = offset;
    emit palette_table_Change(get_palette_table());
}

int ildaFileTab::get_palette_table() const
{
    return m_view->colors.offset != 0 ? 1 : 0;
}

void ildaFileTab::set_center_HV_line(bool index)
{
    if (index == m_view->centerLines)
        return;
    m_view->centerLines = index;
    emit center_HV_line_Change(index);
}

void ildaFileTab::frush()
{
    beginResetModel();
    qCDebug(lcGroups) << "——————ildaFileTab::frush——————";
    endResetModel();
}

void ildaFileTab::setDirFromUrl(const QUrl &url, const QString &fileName)
{
    m_folders.setFromListUrl(url, fileName);
    m_folders.save();
}

bool ildaFileTab::loadList(const QString &path, QString *why)
{
    bool opened = false;
    appendGroups(TabList::load(path, m_folders, &opened, why));
    return opened;
}

void ildaFileTab::appendGroups(const QVector<TabList::Group> &groups)
{
    for (const TabList::Group &group : groups) {
        ildaFileSets *tab = adopt(new ildaFileSets(group.settingsName, group.rows, m_folders));
        tab->set_group_check(group.check);
        tabs.append(tab);
    }
}

int ildaFileTab::saveListFile(const QString &path, bool *ok)
{
    if (ok)
        *ok = false;
    QSaveFile file(m_folders.resolve(path));
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        qCDebug(lcGroups) << "open itemPath 失败:" << path << ", 可能原因，文件只读。";
        m_listError = PlayFiles::failureReason(file);
        return 0;
    }
    const QString &playFolder = m_folders.playFolder;
    QVector<TabList::Line> lines;
    QTextStream errors(&saveErrorText);
    int total = 0;
    for (int i = 0; i < tabs.size(); ++i) {
        ildaFileSets *tab = tabs.at(i);
        lines.append({tab->settingsFileName(), tab->get_group_check()});
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
    if (!PlayFiles::commitText(file, TabList::format(lines, playFolder), &m_listError)) {
        qCDebug(lcGroups) << "open itemPath 失败:" << path << ", 可能原因，文件只读。" << m_listError;
        return total;
    }
    if (ok)
        *ok = true;
    rememberSaved();
    return total;
}

void ildaFileTab::removeListedSettings(const QStringList &oldFiles)
{
    QSet<QString> kept;
    for (const ildaFileSets *tab : qAsConst(tabs))
        kept.insert(QDir::cleanPath(m_folders.resolve(m_folders.playPath() + tab->settingsFileName())));
    for (const QString &old : oldFiles)
        if (!kept.contains(old) && QFile::exists(old) && !QFile::remove(old))
            qCDebug(lcGroups) << "{ildaFileTab::save_list} cannot delete" << old;
}

void ildaFileTab::open_list(QUrl dir, QString selectedNameFilter)
{
    const QString path = localPathFromUrl(dir);
    qCDebug(lcGroups) << "dir.toLocalFile" << dir.toLocalFile() << "Name" << path << "FileName:" << dir.fileName()
                      << selectedNameFilter;
    switch (openKind(m_folders.resolve(path), selectedNameFilter)) {
    case OpenKind::PlayList:
        openPlayList(dir, path);
        break;
    case OpenKind::GroupImage:
        openGroupImage(path);
        break;
    case OpenKind::Unknown:
        refuseOpen(path, QStringLiteral("it is neither a play list (.list) nor a group image (.ilg, .txg)"));
        break;
    }
}

void ildaFileTab::refuseOpen(const QString &path, const QString &why)
{
    qCDebug(lcGroups) << "{ildaFileTab::open_list} not opened:" << path << why;
    m_prompt->showNotice(UserPrompt::Warning, QStringLiteral("file error"),
                         QStringLiteral("%1\nNot opened: %2. The groups shown are unchanged.").arg(path, why));
}

void ildaFileTab::openPlayList(const QUrl &url, const QString &path)
{
    // Read with the folders the list implies; they become the program's, and
    // "_file_dir.ini" records them, only once the list has been read.
    FolderSettings folders = m_folders;
    folders.setFromListUrl(url);
    bool opened = false;
    QString why;
    const QVector<TabList::Group> groups = TabList::load(path, folders, &opened, &why);
    if (!opened) {
        refuseOpen(path, QStringLiteral("not a play list: ") + why);
        return;
    }
    beginResetModel();
    tabs.clear();
    m_folders = folders;
    m_folders.save();
    currentFilePath = path;
    appendGroups(groups);
    rememberSaved();
    qCDebug(lcGroups) << "——————ildaFileTab::frush——————";
    endResetModel();
    qCDebug(lcGroups) << "open list group";
}

void ildaFileTab::openGroupImage(const QString &path)
{
    const GroupImageReadBack::Result image = m_readBack.read(path, m_folders, m_view->colors);
    if (!image.opened) {
        refuseOpen(path, image.problems.join(QLatin1String("; ")));
        return;
    }
    beginResetModel();
    tabs.clear();
    currentFilePath = path;
    exportGroupCount = image.groupCount;
    for (const GroupImageReadBack::Group &g : image.groups) {
        ildaFileSets *tab = adopt(new ildaFileSets(g.name, g.fileCount, g.fileTableAddress, m_folders));
        for (const FileItem &item : g.items)
            tab->appendItem(item);
        tabs.append(tab);
    }
    rememberSaved();
    qCDebug(lcGroups) << "——————ildaFileTab::frush——————";
    endResetModel();
    qCDebug(lcGroups) << "open ilda group";
    if (!image.problems.isEmpty())
        m_prompt->showNotice(UserPrompt::Warning, QStringLiteral("file error"),
                             QStringLiteral("%1\nThe group image was read only in part: %2")
                                 .arg(path, image.problems.join(QLatin1String("; "))));
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
    const QString previousPath = currentFilePath;
    currentFilePath = localPathFromUrl(dir);
    m_checksum = 0;
    qCDebug(lcGroups) << "Name" << currentFilePath << "FileName:" << dir.fileName() << selectedNameFilter;
    const QString ext = PlayFiles::saveExtension(
        currentFilePath, selectedNameFilter, {QStringLiteral(".list"), QStringLiteral(".txg"), QStringLiteral(".ilg")});
    if (!ext.isEmpty() && !currentFilePath.endsWith(ext))
        currentFilePath += ext;

    if (ext == QLatin1String(".list")) {
        // The groups' settings files go beside the new list, so its folders
        // apply while it is written; "_file_dir.ini" records them (with the
        // name actually written) only once it is.
        const FolderSettings previousFolders = m_folders;
        m_folders.setFromListUrl(dir, PlayFiles::fileNameOf(currentFilePath));
        // The old list's settings files go only after the new list is safely
        // written, and only those the new list no longer names.
        const QStringList oldFiles = TabList::settingsFiles(currentFilePath, m_folders);
        const QString path = currentFilePath;
        bool written = false;
        const int n = saveListFile(path, &written);
        if (written) {
            m_folders.save();
            removeListedSettings(oldFiles);
        } else {
            m_folders = previousFolders;
            currentFilePath = previousPath;
        }
        reportListSave(path, written, n);
        qCDebug(lcGroups) << "ildaFileTab :: save list group."
                          << "error:" << n;
    } else if (ext == QLatin1String(".txg")) {
        saveTextGroupImage(currentFilePath);
        qCDebug(lcGroups) << "ildaFileTab :: save text group";
    } else if (ext == QLatin1String(".ilg")) {
        saveGroupImage(currentFilePath);
        qCDebug(lcGroups) << "ildaFileTab :: save CRC ilda group";
    }
}

bool ildaFileTab::exportTabs(int variant, const QString &path)
{
    const GroupExport::Outcome outcome =
        GroupExport::exportTabs(GroupImageBuilder::Variant(variant), tabs, m_folders.resolve(path), m_creationTime,
                                *m_prompt, *m_view, m_progress);
    if (outcome.written) {
        exportGroupCount = outcome.groupCount;
        end_address_acc = outcome.dataEnd;
        if (variant == GroupImageBuilder::GroupImage)
            m_checksum = outcome.checksum;
    }
    return outcome.written;
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
    setDirFromUrl(dir);
    beginResetModel();
    tabs.clear();
    m_folders = FolderSettings::load(m_folders.home);
    // The same list path as at start-up, so both roads load the same list.
    currentFilePath = m_folders.listPath();
    QString why;
    if (!loadList(currentFilePath, &why) && QFileInfo::exists(m_folders.resolve(currentFilePath))) {
        refuseOpen(currentFilePath, QStringLiteral("not a play list: ") + why);
        currentFilePath.clear();
    }
    rememberSaved();
    qCDebug(lcGroups) << "——————ildaFileTab::frush——————";
    endResetModel();
}

void ildaFileTab::rememberSaved()
{
    m_savedTabs.clear();
    for (const ildaFileSets *tab : qAsConst(tabs))
        m_savedTabs.append({tab, tab->isGroupChecked()});
}

bool ildaFileTab::is_modified() const
{
    if (tabs.size() != m_savedTabs.size())
        return true;
    for (int i = 0; i < tabs.size(); ++i)
        if (tabs.at(i) != m_savedTabs.at(i).first || tabs.at(i)->isGroupChecked() != m_savedTabs.at(i).second ||
            tabs.at(i)->isModified())
            return true;
    return false;
}

QString ildaFileTab::ask_save_changes()
{
    if (!is_modified())
        return QStringLiteral("close");
    switch (m_prompt->askSaveChanges(QStringLiteral("组或组列表有未保存的修改。"))) {
    case UserPrompt::Save:
        // Saved as Ctrl+S saves: into the open list, else under a name.
        if (!save_current_list())
            return QStringLiteral("name");
        return is_modified() ? QStringLiteral("keep") : QStringLiteral("close");
    case UserPrompt::Discard:
        return QStringLiteral("close");
    default:
        return QStringLiteral("keep");
    }
}
