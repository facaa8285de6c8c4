#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

class frameSetModel;
class ildaFileTab;

// Files handed to the program from outside: command-line arguments and drops
// from a file manager. ILDA files are appended to the editor's working list
// and the first one plays; a tab list or group image replaces the groups as
// the "打开" button of the main window does. Published to the pages as
// "fileOpener".
class FileOpener : public QObject
{
    Q_OBJECT
public:
    FileOpener(ildaFileTab *fileTab, frameSetModel *frameModel, QObject *parent = nullptr);

    // Drops: only local files are taken.
    Q_INVOKABLE void openUrls(const QList<QUrl> &urls);
    // Absolute (or current-folder relative) local paths.
    void openPaths(const QStringList &paths);
    // The local path of a dialog's URL, for the pages.
    Q_INVOKABLE QString localPath(const QUrl &url) const;

signals:
    // The ILDA files just added to the working list, in order.
    void ildaFilesOpened(const QStringList &paths);
    // The groups were replaced from a tab list or group image.
    void groupsOpened();

private:
    ildaFileTab *m_fileTab;
    frameSetModel *m_frameModel;
};
