#pragma once

#include <QString>

class QUrl;

// Where the play groups live, as kept in "_file_dir.ini": the local root of
// relative paths, the play folder under it and the current tab list's name.
// The texts are kept as stored, so that settings and list files are written
// exactly as before; files are opened through resolve(), which takes a
// relative path from the folder of "_file_dir.ini" (home).
struct FolderSettings
{
    QString home;     // folder of "_file_dir.ini", absolute
    QString localDir; // root of relative paths; ends with "/" when set from a URL
    QString playFolder = QStringLiteral("play/");
    QString listName;

    // "_file_dir.ini" in home.
    QString iniPath() const { return iniPathIn(home); }
    static QString iniPathIn(const QString &home);
    // The settings of home: the three lines of its "_file_dir.ini" (a missing
    // file is created empty, so all three are empty), or, when the file
    // cannot be opened, home + "/", "play/" and "play.list". The play folder
    // is created when missing.
    static FolderSettings load(const QString &home);
    // Writes the three lines; false (logged) when the file cannot be written.
    bool save() const;
    // Root, play folder and list name of a list file's URL ("C:/shows/play/set.list"
    // gives "C:/shows/", "play/", "set.list"); fileName, when given, is the
    // list name recorded instead of the URL's.
    void setFromListUrl(const QUrl &url, const QString &fileName = QString());

    // The play folder, where tab lists and group settings files lie.
    QString playPath() const { return localDir + playFolder; }
    // The current tab list.
    QString listPath() const { return playPath() + listName; }
    // A path as the file system takes it: relative ones (on this system, so
    // also a Windows-form "C:/x") from home; an empty one is home itself.
    QString resolve(const QString &path) const;
};
