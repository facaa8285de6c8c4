#pragma once

#include "fileitem.h"
#include "groupimagebuilder.h"
#include "playfiles.h"
#include "userprompt.h"
#include "viewsettings.h"

#include <QAbstractListModel>
#include <QUndoStack>

class WorkProgress;
#include <QUrl>
#include <QVariant>
#include <QVector>

struct FolderSettings;

// The files of one play group (one tab) with their play parameters, kept in
// the group's settings file "<name>.csv" in the play folder.
class ildaFileSets : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(bool canUndo READ canUndo NOTIFY canUndoChanged)
    Q_PROPERTY(bool canRedo READ canRedo NOTIFY canRedoChanged)
public:
    enum Roles {
        PathRole = 1,
        NameRole,
        CurItemRole,
        CheckRole,
        PlaySpeedRole,
        ColorTypeRole,
        RepeaterRole,
        ShowRole,
        ProblemRole
    };

    // The group of that name, read from its settings file in the play folder
    // of folders when there is one. folders must outlive the group.
    ildaFileSets(const QString &name, const FolderSettings &folders, QObject *parent = nullptr);
    // A group whose settings file was read already (a tab list).
    ildaFileSets(const QString &settingsFileName, const QVector<PlayFiles::SettingsRow> &rows,
                 const FolderSettings &folders, QObject *parent = nullptr);
    // A group read back from a group image; rows are appended by the reader.
    ildaFileSets(const QString &name, quint8 fileCount, quint32 fileTableAddress, const FolderSettings &folders,
                 QObject *parent = nullptr);

    Q_INVOKABLE bool moveRows_view_data(int source, int dest, int count);
    // One file. The URL is taken whole: a name may hold a comma.
    void add(QUrl md);
    // From the pages: one URL, or the files a dialog chose (its fileUrls, a
    // list), one row each, in order. One invokable, so that QML never has to
    // pick between overloads.
    Q_INVOKABLE void add(const QVariant &urls);
    Q_INVOKABLE void deleteFile();
    Q_INVOKABLE void setcuritem(int index, QVariant j);
    Q_INVOKABLE QString get_current_dir();
    Q_INVOKABLE void setCheck(int index, bool check);
    Q_INVOKABLE void setPlaySpeed(int index, uchar value);
    Q_INVOKABLE void setColorType(int index, uchar value);
    Q_INVOKABLE void setRepeater(int index, uchar value);
    Q_INVOKABLE void set_group_check(bool check);
    Q_INVOKABLE bool get_group_check();
    Q_INVOKABLE void set_ref();
    Q_INVOKABLE void selectAll();
    Q_INVOKABLE void inverse();
    Q_INVOKABLE void order_select();
    Q_INVOKABLE void saveData(QUrl name, QString selectedNameFilter);
    // Asks (naming how many) before deleting the checked files.
    Q_INVOKABLE bool askDeleteFile();
    // Adding, deleting, reordering and the per-file settings can be undone.
    Q_INVOKABLE void undo() { m_undo.undo(); }
    Q_INVOKABLE void redo() { m_undo.redo(); }
    bool canUndo() const { return m_undo.canUndo(); }
    bool canRedo() const { return m_undo.canRedo(); }
    // Changed since read or last saved without problems (saveSetting).
    bool isModified() const { return !m_undo.isClean(); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;
    bool insertRows(int position, int count, const QModelIndex &parent = QModelIndex()) override;
    bool removeRows(int position, int count, const QModelIndex &parent = QModelIndex()) override;
    bool moveRows(const QModelIndex &sourceParent, int source, int count, const QModelIndex &destinationParent,
                  int dest) override;

    void frush();
    // Writes the settings file; returns the number of problems: rows whose path
    // cannot be stored faithfully, plus one when the file was not written at
    // all (refused or failed). saveProblemText() says what went wrong.
    int saveSetting();
    QString saveProblemText() const { return saveProblem; }
    void clearAddress();
    // Appends a row (the group image reader).
    void appendItem(const FileItem &item);

    // The group as it enters an export: its checked rows.
    ExportGroup exportGroup() const;
    // Copies where the last export placed this group's files.
    void applyPlacement(const GroupImageBuilder::GroupPlace &place);
    bool saveSingleGroupImage(const QString &path);
    bool saveSingleGroupText(const QString &path);
    bool saveIlda(const QString &path);
    // Who answers this group's boxes; null: nobody (questions come back unanswered).
    void setPrompt(UserPrompt *prompt);
    // Where this group's exports report progress; null: nowhere.
    void setWorkProgress(WorkProgress *progress) { m_progress = progress; }

    const QVector<FileItem> &items() const { return files; }
    QString settingsFileName() const { return settingsName; }
    QString settingsFilePath() const { return settingsPath; }
    QString currentFolder() const { return currentDir; }
    bool isGroupChecked() const { return groupCheck; }

signals:
    void canUndoChanged();
    void canRedoChanged();

public:
    // Builder working fields: filled by the last export or the image reader.
    quint32 file_table_offset = 0;
    quint32 file_table_address = 0;
    quint8 checkedFileCount = 0;

    // The app's colours and colour list for exports; until set, a list of
    // the built-in tables of its own.
    void setViewSettings(ViewSettings *settings) { m_view = settings ? settings : m_ownView.get(); }

private:
    class Edit;
    void record(const QString &text, QVector<FileItem> before, int mergeKey);
    void restore(const QVector<FileItem> &rows);
    void connectUndo();
    void updatePaths();
    void appendRows(const QVector<PlayFiles::SettingsRow> &rows);
    void appendPath(const QString &path);
    // Names the rows from row on whose files give no frames or are cut short.
    void noticeFileProblems(int row);
    bool exportWith(GroupImageBuilder::Variant variant, const QString &path);

    const FolderSettings *m_folders;
    QString saveProblem;
    QVector<FileItem> files;
    FileItem pending;
    QString settingsPath;
    bool groupCheck = true;
    QString currentDir;
    QString settingsName;
    QUndoStack m_undo;
    UserPrompt *m_prompt = &UserPrompt::unattended();
    WorkProgress *m_progress = nullptr;
    int m_editDepth = 0;
    OwnedViewSettings m_ownView;
    ViewSettings *m_view = m_ownView.get();
};
