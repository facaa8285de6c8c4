#pragma once

#include <QString>
#include <QVector>

class QFileDevice;
class QIODevice;
class QSaveFile;
class QTextStream;
class QUrl;

// The text files of the play groups, read and written without any model:
// group settings files (".csv") and tab lists (".list"), and the path rules
// they share.
namespace PlayFiles {

// Text after the last "/" (or "\").
QString fileNameOf(const QString &path);
// Everything up to and including the last "/", or empty.
QString folderOf(const QString &path);
// Absolute as stored in a settings file: "/..." on this system, or a
// Windows-form "C:/..." (anything holding ":/").
bool isStoredAbsolute(const QString &path);
// A folder as a file URL for the dialogs ("file:///home/x/play"), made
// absolute against the current folder; a URL is returned unchanged.
QString folderUrl(const QString &folder);
// Extension a save writes: the one the typed name already ends with, when it
// is one of known, else the first of known whose pattern ("*.ilg") the
// selected filter holds, else empty. So "x.ild" typed under the ".ilg" filter
// stays an ILDA file instead of becoming "x.ild.ilg".
QString saveExtension(const QString &path, const QString &filter, const QStringList &known);
// Settings file name of a group: every playFolder removed from name, ".csv"
// appended unless present.
QString settingsNameFor(const QString &name, const QString &playFolder);

// True when path names a group settings file (".csv") inside the play folder
// playDir. The one guard before a settings file named by a tab list is
// written or deleted: "play/../../x" must not reach outside the show, nor
// may a symbolic link in the play folder that points elsewhere (the real
// paths are compared).
bool isSettingsFileIn(const QString &path, const QString &playDir);

// True when bytes (the start of a file) read as a group settings file: empty,
// or text whose first line is the header, "#End" or a row. Anything else
// (someone's own table, a binary file) is no file of ours to rewrite.
bool looksLikeSettings(const QByteArray &bytes);

// localDir and playFolder of a list file's folder ("C:/shows/play/" gives
// "C:/shows/" and "play/").
void splitListFolder(const QString &folder, QString &root, QString &play);

// Folder of "_file_dir.ini" and of the default play folder: the application
// directory, or the per-user configuration folder when the application
// directory cannot be written or is a bin/ folder (an installed program). The environment
// variable BEAMDECK_CONFIG_DIR overrides both, so tests and portable set-ups
// never write next to the binary.
QString configDir();

// One row of a group settings file: the file and how it plays.
struct SettingsRow
{
    QString path;
    QString name;
    quint8 playSpeed = 1;
    int colorType = 0;
    quint8 repeater = 1;
    bool check = true;
};

// The row of the file at path: named after the path's last part, with the
// play parameters a newly added file gets.
SettingsRow rowForPath(const QString &path);

// Rows of a group settings file, up to "#End"; relative paths are prefixed
// with root. A stream on a file or byte array is read as GBK.
QVector<SettingsRow> parseSettings(QTextStream &in, const QString &root);

struct SettingsText
{
    QString text;
    int errors = 0; // rows whose path cannot be stored so that it reads back
    QString firstErrorPath;
};
// Writes text in GBK and commits the file. A short write
// (full disk, quota) cancels it, so the previous file stays as it was. Open
// the file unbuffered: a buffered device reports a short write at no point.
// why, when given, receives the reason of a failure (see failureReason).
bool commitText(QSaveFile &file, const QString &text, QString *why = nullptr);

// Why a file could not be written, in plain words: "disk full", "not
// writable", "folder missing", then ": " and the system's text. Call it right
// after the failed call, while errno still tells.
QString failureReason(const QFileDevice &file);

// The file as written: header, one line per row, "#End" without a line feed.
// Rows under root are written relative to it, absolute rows elsewhere whole;
// only a relative path outside root gets the "error id" marker.
SettingsText formatSettings(const QVector<SettingsRow> &rows, const QString &root);

struct ListEntry
{
    QString name; // the line without "#"
    bool check = true;
};
// A group image counts its groups in one byte: a list naming more is no list
// of a show.
constexpr int MaxListGroups = 255;
// No list line comes near this: a group's settings name in the play folder.
constexpr int MaxListLineBytes = 1024;
// Lines of a tab list up to "#end", read as GBK like the settings. False,
// with no entries and the reason in why, for data that is no tab list:
// control bytes (a binary file), a line longer than MaxListLineBytes or more
// than MaxListGroups groups. Reading stops there, so a large file chosen by
// mistake costs nothing.
bool readTabList(QIODevice &in, QVector<ListEntry> &entries, QString *why = nullptr);

} // namespace PlayFiles
