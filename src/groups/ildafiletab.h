#pragma once

#include "foldersettings.h"
#include "groupimagereadback.h"
#include "tablist.h"
#include "userprompt.h"
#include "viewsettings.h"

#include <QAbstractListModel>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVector>

class WorkProgress;
class ildaFileSets;

// The play groups ("tabs"), their folder settings "_file_dir.ini", tab lists
// and group image exports. Published to the pages as "FileTab".
class ildaFileTab : public QAbstractListModel
{
    Q_OBJECT
    // The palette table in use (0 "默认64", 1 "标准256"), for the pages' boxes.
    Q_PROPERTY(int palette_table READ get_palette_table NOTIFY palette_table_Change)
public:
    enum FileDialogMode { E_open, E_save, E_save_group };
    Q_ENUM(FileDialogMode)
    enum Roles { NameRole = 1, ObjRole, CheckRole };

    explicit ildaFileTab(QObject *parent = nullptr);

    Q_INVOKABLE bool moveRows_view_data(int source, int dest, int count);
    Q_INVOKABLE void clear();
    Q_INVOKABLE QString get_current_file_path();
    Q_INVOKABLE QString get_current_file_info();
    Q_INVOKABLE QString get_current_dir();
    // The play folder as a file URL, where the list dialogs open.
    Q_INVOKABLE QString get_current_dir_url();
    Q_INVOKABLE QObject *get_tab(int index);
    Q_INVOKABLE QString get_tab_name(int index);
    Q_INVOKABLE void move_tab(int index, int desc_index);
    Q_INVOKABLE void delete_tab(int index);
    Q_INVOKABLE void add_tab(QString tabName);
    Q_INVOKABLE void set_palette_table(int index);
    Q_INVOKABLE int get_palette_table() const;
    Q_INVOKABLE void set_center_HV_line(bool index);
    Q_INVOKABLE void open_list(QUrl dir, QString selectedNameFilter);
    Q_INVOKABLE void save_list(QUrl dir, QString selectedNameFilter);
    // Saves an open play list where it is (Ctrl+S); false when no list is open.
    Q_INVOKABLE bool save_current_list();
    Q_INVOKABLE void set_localdir(QUrl dir);
    // Groups or tabs changed since the tab list was opened or saved.
    Q_INVOKABLE bool is_modified() const;
    // Before the main window closes: "close" (nothing unsaved, saved to the
    // open list, or dropped), "keep" (cancelled, or the save failed) or
    // "name" (to be saved as a list under a name first).
    Q_INVOKABLE QString ask_save_changes();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;
    bool insertRows(int position, int count, const QModelIndex &parent = QModelIndex()) override;
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;
    bool moveRows(const QModelIndex &sourceParent, int source, int count, const QModelIndex &destinationParent,
                  int dest) override;

    void frush();
    // Writes the tab list and every tab's settings file; returns the number
    // of rows outside localDir. ok tells whether the list itself was written.
    int saveListFile(const QString &path, bool *ok = nullptr);
    bool saveGroupImage(const QString &path);
    bool saveTextGroupImage(const QString &path);

    // Where "_file_dir.ini" lives (see PlayFiles::configDir).
    static QString settingsIniPath();
    // The text of get_current_file_info.
    static QString fileInfoText(const QString &path, quint32 checksum, quint32 length);

signals:
    // The painted views repaint on these: a still picture changes with them.
    void palette_table_Change(int index);
    void center_HV_line_Change(bool on);

public:
    const QVector<ildaFileSets *> &tabList() const { return tabs; }
    // The app's colours, colour list and centre-cross switch, which the
    // palette and cross settings change and the exports use; until set, a
    // list of the built-in tables of its own.
    void setViewSettings(ViewSettings *settings);
    ViewSettings *viewSettings() const { return m_view; }
    QString listFileName() const { return m_folders.listName; }
    // The folder settings the tabs share; relative paths resolve from its home.
    const FolderSettings &folderSettings() const { return m_folders; }
    quint32 checksum() const { return m_checksum; }
    quint32 endAddress() const { return end_address_acc; }
    quint8 groupCount() const { return exportGroupCount; }
    // Who answers the boxes of the tab manager and of every tab; null: nobody.
    // Notices from before (the last list unreadable at start-up) go to the
    // first prompt set.
    void setPrompt(UserPrompt *prompt);
    UserPrompt &prompt() const { return *m_prompt; }
    // Where exports of the tab manager and of every tab report progress; null: nowhere.
    void setWorkProgress(WorkProgress *progress);
    // Fixes the creation time of the next images (tests); negative: clock.
    void setCreationTime(qint64 seconds) { m_creationTime = seconds; }

private:
    ildaFileSets *adopt(ildaFileSets *tab);
    // The tabs of the list at path, appended without row notifications
    // (the callers reset the model). False, with why, when the list could not
    // be read or is no play list.
    bool loadList(const QString &path, QString *why = nullptr);
    void appendGroups(const QVector<TabList::Group> &groups);
    void openPlayList(const QUrl &url, const QString &path);
    void openGroupImage(const QString &path);
    // A notice that path was not opened and why; the tabs stay as they are.
    void refuseOpen(const QString &path, const QString &why);
    // Takes new folder settings from a list file's URL and records them.
    void setDirFromUrl(const QUrl &url, const QString &fileName = QString());
    bool exportTabs(int variant, const QString &path);
    // The "save error" box after a list save, in plain words: what was not
    // saved and what to do about it. Nothing is shown when all went well.
    void reportListSave(const QString &path, bool written, int problems);
    // Deletes the settings files of the old list that no current tab uses.
    void removeListedSettings(const QStringList &oldFiles);
    // The tabs as they now stand are those of the list on disk.
    void rememberSaved();

    OwnedViewSettings m_ownView;
    ViewSettings *m_view = m_ownView.get();
    FolderSettings m_folders;
    QVector<ildaFileSets *> tabs;
    QVector<QPair<const ildaFileSets *, bool>> m_savedTabs; // and their group checks
    QString currentFilePath;
    ildaFileSets *pending = nullptr;
    quint8 exportGroupCount = 0;
    quint32 m_checksum = 0;
    quint32 end_address_acc = 0;
    QString saveErrorText;
    QString m_listError;          // why the last list file could not be written
    QStringList m_pendingNotices; // told to the first prompt set
    qint64 m_creationTime = -1;
    UserPrompt *m_prompt = &UserPrompt::unattended();
    WorkProgress *m_progress = nullptr;
    // Keeps the frames of opened images whose source files are missing until
    // exit: tabs taken out of the list live on.
    GroupImageReadBack m_readBack;
};
