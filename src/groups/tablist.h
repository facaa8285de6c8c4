#pragma once

#include "playfiles.h"

#include <QString>
#include <QStringList>
#include <QVector>

struct FolderSettings;

// Tab lists (".list"): one line per play group naming its settings file in
// the play folder, "#" in front of an unchecked group, "#end" at the end.
// Read here for the tab manager and for ildatool alike.
namespace TabList {

// One group of a list, with the rows of its settings file.
struct Group
{
    QString settingsName; // "show1.csv"
    QString settingsPath; // play folder + settingsName, as stored (see FolderSettings::resolve)
    bool check = true;
    bool found = false; // the settings file was read; a group without one starts empty
    QVector<PlayFiles::SettingsRow> rows;
};

// Reads the settings file of a group (relative rows are prefixed with the
// root localDir). False, and no rows, when it cannot be opened or is no
// settings file.
bool readGroupSettings(const QString &settingsPath, const FolderSettings &folders,
                       QVector<PlayFiles::SettingsRow> &rows);

// How much of a settings file tells whether it is one (looksLikeSettings).
constexpr int SettingsSniffBytes = 4096;

// The entries of the list at listPath. False, with the reason in plain
// words, when it cannot be read or is no tab list (see PlayFiles::readTabList).
bool readEntries(const QString &listPath, const FolderSettings &folders, QVector<PlayFiles::ListEntry> &entries,
                 QString *why = nullptr);

// The groups of the list at listPath, each with its rows. opened, when
// given, tells whether the list itself could be read; why, why not.
QVector<Group> load(const QString &listPath, const FolderSettings &folders, bool *opened = nullptr,
                    QString *why = nullptr);

// The settings files a list names, resolved and cleaned, only those inside
// the play folder: what a new list may replace.
QStringList settingsFiles(const QString &listPath, const FolderSettings &folders);

struct Line
{
    QString settingsName;
    bool check = true;
};
// The text of a list: one line per group, then "#end".
QString format(const QVector<Line> &lines, const QString &playFolder);

} // namespace TabList
