#include "ildafilesets.h"

#include "foldersettings.h"
#include "groupexport.h"
#include "groupimageformat.h"
#include "groupslog.h"
#include "ildframeset.h"
#include "playfiles.h"
#include "regularfile.h"
#include "rowmove.h"
#include "snapshotcommand.h"
#include "tablist.h"
#include "textcodec.h"
#include "urlpath.h"
#include "userprompt.h"
#include "workprogress.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

#include <algorithm>
#include <cerrno>

namespace {

// The fields a group keeps and exports; export addresses are working data.
bool sameItems(const QVector<FileItem> &a, const QVector<FileItem> &b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const FileItem &x, const FileItem &y) {
        return x.path == y.path && x.name == y.name && x.colorType == y.colorType && x.playSpeed == y.playSpeed &&
               x.repeater == y.repeater && x.check == y.check;
    });
}

// A file the settings save may replace: none there yet, or one of ours. A
// table of someone else's that a list happens to name is left alone, and so
// is a folder, device or pipe of that name.
bool isOwnSettingsFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return true;
    if (!info.isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return true; // the write will say why it fails
    return PlayFiles::looksLikeSettings(file.read(TabList::SettingsSniffBytes));
}

} // namespace

// Records one undoable edit: the rows as they were when it began and as they
// are when it ends (whatever way the function returns).
class ildaFileSets::Edit
{
public:
    Edit(ildaFileSets *model, const QString &text, int mergeKey = -1)
        : m_model(model), m_text(text), m_before(model->files), m_mergeKey(mergeKey), m_outer(model->m_editDepth++ == 0)
    {}
    ~Edit()
    {
        --m_model->m_editDepth;
        if (m_outer) // an edit made of smaller ones is one step
            m_model->record(m_text, std::move(m_before), m_mergeKey);
    }
    Edit(const Edit &) = delete;
    Edit &operator=(const Edit &) = delete;

private:
    ildaFileSets *m_model;
    QString m_text;
    QVector<FileItem> m_before;
    int m_mergeKey;
    bool m_outer;
};

void ildaFileSets::record(const QString &text, QVector<FileItem> before, int mergeKey)
{
    if (sameItems(before, files))
        return;
    m_undo.push(new SnapshotCommand<QVector<FileItem>>(
        text, std::move(before), files, [this](const QVector<FileItem> &rows) { restore(rows); }, mergeKey));
}

void ildaFileSets::restore(const QVector<FileItem> &rows)
{
    beginResetModel();
    files = rows;
    endResetModel();
}

bool ildaFileSets::askDeleteFile()
{
    const int n = int(std::count_if(files.begin(), files.end(), [](const FileItem &item) { return item.check; }));
    if (n == 0)
        return false;
    const UserPrompt::Button answer = m_prompt->showMessage(UserPrompt::Question, QStringLiteral("删除"),
                                                            QStringLiteral("删除选中的 %1 个文件？").arg(n),
                                                            UserPrompt::Yes | UserPrompt::No, UserPrompt::No);
    if (answer != UserPrompt::Yes)
        return false;
    deleteFile();
    return true;
}

ildaFileSets::ildaFileSets(const QString &name, const FolderSettings &folders, QObject *parent)
    : QAbstractListModel(parent), m_folders(&folders)
{
    settingsName = PlayFiles::settingsNameFor(name, folders.playFolder);
    updatePaths();
    QVector<PlayFiles::SettingsRow> rows;
    TabList::readGroupSettings(settingsPath, folders, rows);
    appendRows(rows);
    connectUndo();
}

ildaFileSets::ildaFileSets(const QString &settingsFileName, const QVector<PlayFiles::SettingsRow> &rows,
                           const FolderSettings &folders, QObject *parent)
    : QAbstractListModel(parent), m_folders(&folders)
{
    settingsName = settingsFileName;
    updatePaths();
    appendRows(rows);
    connectUndo();
}

ildaFileSets::ildaFileSets(const QString &name, quint8 fileCount, quint32 fileTableAddress,
                           const FolderSettings &folders, QObject *parent)
    : QAbstractListModel(parent), m_folders(&folders)
{
    settingsName = PlayFiles::settingsNameFor(name, folders.playFolder);
    checkedFileCount = fileCount;
    file_table_address = fileTableAddress;
    groupCheck = true;
    updatePaths();
    connectUndo();
}

void ildaFileSets::setPrompt(UserPrompt *prompt)
{
    m_prompt = prompt ? prompt : &UserPrompt::unattended();
}

void ildaFileSets::connectUndo()
{
    connect(&m_undo, &QUndoStack::canUndoChanged, this, &ildaFileSets::canUndoChanged);
    connect(&m_undo, &QUndoStack::canRedoChanged, this, &ildaFileSets::canRedoChanged);
}

void ildaFileSets::updatePaths()
{
    currentDir = m_folders->playPath();
    settingsPath = currentDir + settingsName;
}

void ildaFileSets::appendRows(const QVector<PlayFiles::SettingsRow> &rows)
{
    for (const PlayFiles::SettingsRow &row : rows) {
        // The dialog proposes the folder of the last file read.
        currentDir = PlayFiles::folderOf(row.path);
        appendItem(FileItem(row));
    }
}

int ildaFileSets::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : files.size();
}

QVariant ildaFileSets::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= files.size())
        return QVariant();
    const FileItem &item = files.at(index.row());
    switch (role) {
    case PathRole:
        return m_folders->resolve(item.framePath());
    case NameRole:
        return item.name;
    case CurItemRole:
        return item.curItem;
    case CheckRole:
        return item.check;
    case PlaySpeedRole:
        return int(item.playSpeed);
    case ColorTypeRole:
        return int(item.colorType);
    case RepeaterRole:
        return int(item.repeater);
    case ShowRole:
        return item.show;
    case ProblemRole:
        if (!item.probed) {
            const IldReadResult read = IldFrameSet::countFramesIld(m_folders->resolve(item.framePath()));
            // A file cut short plays what it has, but the user should know it is not whole.
            const bool bad = read.frames == 0 || read.kind == IldReadResult::Truncated;
            item.problem = bad ? read.reason() : QString();
            item.probed = true;
        }
        return item.problem;
    default:
        return QVariant();
    }
}

QHash<int, QByteArray> ildaFileSets::roleNames() const
{
    return {{PathRole, "path"},         {NameRole, "name"},           {CurItemRole, "curItem"},
            {CheckRole, "check"},       {PlaySpeedRole, "playSpeed"}, {ColorTypeRole, "colorType"},
            {RepeaterRole, "repeater"}, {ShowRole, "show"},           {ProblemRole, "problem"}};
}

bool ildaFileSets::insertRows(int position, int count, const QModelIndex &parent)
{
    if (parent.isValid() || count < 1 || position != files.size())
        return false;
    beginInsertRows(QModelIndex(), position, position + count - 1);
    for (int i = 0; i < count; ++i)
        files.append(pending);
    endInsertRows();
    return true;
}

bool ildaFileSets::removeRows(int position, int count, const QModelIndex &parent)
{
    Q_UNUSED(count)
    if (parent.isValid() || position < 0 || position >= files.size())
        return false;
    beginRemoveRows(QModelIndex(), position, position);
    files.remove(position);
    endRemoveRows();
    return true;
}

bool ildaFileSets::moveRows(const QModelIndex &sourceParent, int source, int count,
                            const QModelIndex &destinationParent, int dest)
{
    if (sourceParent.isValid() || destinationParent.isValid() || !RowMove::valid(files.size(), source, count, dest))
        return false;
    if (!beginMoveRows(QModelIndex(), source, source + count - 1, QModelIndex(),
                       RowMove::announced(source, count, dest)))
        return false;
    RowMove::apply(files, source, count, dest);
    endMoveRows();
    return true;
}

bool ildaFileSets::moveRows_view_data(int source, int dest, int count)
{
    const Edit edit(this, QStringLiteral("move"));
    return moveRows(QModelIndex(), source, count, QModelIndex(), dest);
}

void ildaFileSets::appendItem(const FileItem &item)
{
    pending = item;
    insertRows(files.size(), 1);
}

void ildaFileSets::appendPath(const QString &path)
{
    const Edit edit(this, QStringLiteral("add"));
    appendItem(FileItem(PlayFiles::rowForPath(path)));
    currentDir = PlayFiles::folderOf(path); // the dialog opens where files were last added from
}

void ildaFileSets::add(QUrl md)
{
    const int firstNew = files.size();
    appendPath(localPathFromUrl(md));
    noticeFileProblems(firstNew);
}

void ildaFileSets::add(const QVariant &urls)
{
    // One notice for all the files added at once.
    const int firstNew = files.size();
    const Edit edit(this, QStringLiteral("add")); // one step for the whole choice
    for (const QString &path : localPathsFromUrls(urls))
        appendPath(path);
    noticeFileProblems(firstNew);
}

void ildaFileSets::noticeFileProblems(int row)
{
    // One notice per file, worded as the player and the editor word theirs,
    // so that the notice board shows a file once however many read it.
    for (int i = row; i < files.size(); ++i) {
        const QString problem = data(index(i), ProblemRole).toString();
        if (problem.isEmpty())
            continue;
        const QString path = data(index(i), PathRole).toString();
        qCDebug(lcGroups) << "{ildaFileSets::add} file with a problem:" << path << problem;
        m_prompt->showNotice(UserPrompt::Warning, QStringLiteral("file error"), path + QLatin1Char('\n') + problem);
    }
}

void ildaFileSets::deleteFile()
{
    const Edit edit(this, QStringLiteral("delete"));
    for (int i = 0; i < files.size();) {
        if (files.at(i).check)
            removeRows(i, 1);
        else
            ++i;
    }
}

void ildaFileSets::setcuritem(int index, QVariant j)
{
    if (index >= 0 && index < files.size())
        files[index].curItem = j;
}

QString ildaFileSets::get_current_dir()
{
    return PlayFiles::folderUrl(m_folders->resolve(currentDir));
}

void ildaFileSets::setCheck(int index, bool check)
{
    const Edit edit(this, QStringLiteral("check"));
    if (index >= 0 && index < files.size())
        files[index].check = check;
}

void ildaFileSets::setPlaySpeed(int index, uchar value)
{
    const Edit edit(this, QStringLiteral("speed"), index * 4 + 0);
    if (index >= 0 && index < files.size())
        files[index].playSpeed = value;
}

void ildaFileSets::setColorType(int index, uchar value)
{
    const Edit edit(this, QStringLiteral("colour type"));
    if (index >= 0 && index < files.size())
        files[index].colorType = value;
}

void ildaFileSets::setRepeater(int index, uchar value)
{
    const Edit edit(this, QStringLiteral("repeat"), index * 4 + 1);
    if (index >= 0 && index < files.size())
        files[index].repeater = value;
}

void ildaFileSets::set_group_check(bool check)
{
    groupCheck = check;
}

bool ildaFileSets::get_group_check()
{
    return groupCheck;
}

void ildaFileSets::frush()
{
    beginResetModel();
    qCDebug(lcGroups) << "——————frush——————";
    endResetModel();
}

void ildaFileSets::set_ref()
{
    beginResetModel();
    for (FileItem &item : files)
        item.show = !item.show;
    qCDebug(lcGroups) << "——————frush——————";
    endResetModel();
}

void ildaFileSets::selectAll()
{
    const Edit edit(this, QStringLiteral("check"));
    beginResetModel();
    for (FileItem &item : files)
        item.check = true;
    qCDebug(lcGroups) << "——————frush——————";
    endResetModel();
}

void ildaFileSets::inverse()
{
    const Edit edit(this, QStringLiteral("check"));
    beginResetModel();
    for (FileItem &item : files)
        item.check = !item.check;
    qCDebug(lcGroups) << "——————frush——————";
    endResetModel();
}

void ildaFileSets::order_select()
{
    const Edit edit(this, QStringLiteral("order"));
    beginResetModel();
    std::stable_partition(files.begin(), files.end(), [](const FileItem &item) { return item.check; });
    qCDebug(lcGroups) << "——————frush——————";
    endResetModel();
}

int ildaFileSets::saveSetting()
{
    updatePaths();
    saveProblem.clear();
    const QString group = GroupImageFormat::groupName(settingsName);
    if (!PlayFiles::isSettingsFileIn(m_folders->resolve(settingsPath), m_folders->resolve(currentDir))) {
        qCDebug(lcGroups) << "{ildaFileSets::saveSetting} settings file outside the play folder, not written:"
                          << settingsPath;
        saveProblem = QStringLiteral("Group \"%1\" was not saved: its settings file would lie outside the play "
                                     "folder %2. Give the group a plain name (no \"/\" or \"..\") and save again.")
                          .arg(group, currentDir);
        return 1;
    }
    const QString target = m_folders->resolve(settingsPath);
    if (!isOwnSettingsFile(target)) {
        qCDebug(lcGroups) << "{ildaFileSets::saveSetting} not a group settings file, not written:" << settingsPath;
        saveProblem = QStringLiteral("Group \"%1\" was not saved: %2 is no group settings file of this program "
                                     "and was left as it was. Rename the group or move that file away, then save "
                                     "again.")
                          .arg(group, settingsPath);
        return 1;
    }
    QSaveFile file(target);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        qCDebug(lcGroups) << "{ildaFileSets::saveSetting} open file failure---------------" << settingsPath;
        saveProblem = QStringLiteral("Group \"%1\" was not saved: %2 could not be written (%3). Make sure the "
                                     "folder exists and can be written to, then save again.")
                          .arg(group, settingsPath, PlayFiles::failureReason(file));
        return 1;
    }
    QVector<PlayFiles::SettingsRow> rows;
    rows.reserve(files.size());
    for (const FileItem &item : files) {
        PlayFiles::SettingsRow row = item;
        // A relative path outside the root names a file of the settings
        // folder; stored absolute it still names that file after a restart.
        if (!row.path.startsWith(m_folders->localDir) && !PlayFiles::isStoredAbsolute(row.path))
            row.path = QDir::cleanPath(m_folders->resolve(row.path));
        rows.append(row);
    }
    const PlayFiles::SettingsText text = PlayFiles::formatSettings(rows, m_folders->localDir);
    if (text.errors > 0) {
        saveProblem = QStringLiteral("Group \"%1\": %2 file(s) could not be stored so that they come back "
                                     "(first: %3). Add them again with \"增开\" and save again.")
                          .arg(group)
                          .arg(text.errors)
                          .arg(text.firstErrorPath);
    }
    // The file is GBK: a path with a character GBK lacks would come back
    // as "?" and name no file. Written all the same, but said.
    int lost = 0;
    QString firstLost;
    for (const PlayFiles::SettingsRow &row : qAsConst(rows))
        if (!TextCodec::canStore(row.path) && lost++ == 0)
            firstLost = row.path;
    if (lost > 0)
        saveProblem +=
            (saveProblem.isEmpty() ? QString() : QStringLiteral("\r\n")) +
            QStringLiteral("Group \"%1\": %2 file path(s) hold characters the settings file (GBK) cannot "
                           "store (first: %3); they will not be found after a restart. Rename those files or "
                           "folders, add them again and save again.")
                .arg(group)
                .arg(lost)
                .arg(firstLost);
    QString why;
    if (!PlayFiles::commitText(file, text.text, &why)) {
        qCDebug(lcGroups) << "{ildaFileSets::saveSetting} open file failure---------------" << settingsPath << why;
        saveProblem = QStringLiteral("Group \"%1\" was not saved: %2 could not be written (%3). Make sure "
                                     "there is room on the disk and the folder can be written to, then save again.")
                          .arg(group, settingsPath, why);
        return text.errors + lost + 1;
    }
    if (text.errors + lost == 0)
        m_undo.setClean(); // the file holds the group as shown
    return text.errors + lost;
}

void ildaFileSets::clearAddress()
{
    for (FileItem &item : files)
        if (item.check)
            item.frameAddresses.clear();
}

ExportGroup ildaFileSets::exportGroup() const
{
    ExportGroup group;
    group.name = GroupImageFormat::groupName(settingsName);
    for (const FileItem &item : files) {
        if (!item.check)
            continue;
        ExportFile f = item;
        f.path = m_folders->resolve(item.framePath());
        group.files.push_back(f);
    }
    return group;
}

void ildaFileSets::applyPlacement(const GroupImageBuilder::GroupPlace &place)
{
    checkedFileCount = place.fileCount;
    file_table_offset = place.fileTableOffset;
    file_table_address = place.fileTableAddress;
    size_t n = 0;
    for (FileItem &item : files) {
        if (!item.check)
            continue;
        if (n < place.files.size() && place.files[n].exported) {
            const GroupImageBuilder::FilePlace &fp = place.files[n];
            item.frame_count = fp.frameCount;
            item.frame_table_offset = fp.frameTableOffset;
            item.frame_table_address = fp.frameTableAddress;
        }
        ++n;
    }
}

bool ildaFileSets::exportWith(GroupImageBuilder::Variant variant, const QString &path)
{
    GroupImageBuilder builder;
    const WorkProgress::Task task(m_progress, QStringLiteral("导出"));
    builder.setProgress(task.callback());
    builder.setColors(m_view->colors, m_view->palette);
    const std::vector<ExportGroup> groups{exportGroup()};
    const GroupImageBuilder::Outcome outcome = builder.save(variant, groups, m_folders->resolve(path));
    GroupExport::report(*m_prompt, builder, outcome, path);
    if (outcome == GroupImageBuilder::Written)
        applyPlacement(builder.placement().front());
    clearAddress();
    return outcome == GroupImageBuilder::Written;
}

bool ildaFileSets::saveSingleGroupImage(const QString &path)
{
    return exportWith(GroupImageBuilder::SingleGroupImage, path);
}

bool ildaFileSets::saveSingleGroupText(const QString &path)
{
    return exportWith(GroupImageBuilder::SingleGroupText, path);
}

bool ildaFileSets::saveIlda(const QString &path)
{
    GroupImageBuilder builder;
    const WorkProgress::Task task(m_progress, QStringLiteral("导出"));
    builder.setProgress(task.callback());
    builder.setColors(m_view->colors, m_view->palette);
    const GroupImageBuilder::Outcome outcome = builder.saveCombinedIlda(exportGroup(), m_folders->resolve(path));
    GroupExport::report(*m_prompt, builder, outcome, path);
    return outcome == GroupImageBuilder::Written;
}

void ildaFileSets::saveData(QUrl name, QString selectedNameFilter)
{
    QString path = localPathFromUrl(name);
    qCDebug(lcGroups) << "file url:" << name << "Name" << path << "FileName:" << name.fileName() << selectedNameFilter;
    const QString ext = PlayFiles::saveExtension(
        path, selectedNameFilter, {QStringLiteral(".txg"), QStringLiteral(".ilg"), QStringLiteral(".ild")});
    if (!ext.isEmpty() && !path.endsWith(ext))
        path += ext;
    if (ext == QLatin1String(".txg")) {
        saveSingleGroupText(path);
        qCDebug(lcGroups) << "ildaFileSets :: save text group";
    } else if (ext == QLatin1String(".ilg")) {
        saveSingleGroupImage(path);
        qCDebug(lcGroups) << "ildaFileSets :: save ilda group";
    } else if (ext == QLatin1String(".ild")) {
        saveIlda(path);
        qCDebug(lcGroups) << "ildaFileSets :: save ilda";
    }
}
