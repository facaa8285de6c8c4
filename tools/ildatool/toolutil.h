#pragma once

#include "progress.h"
#include "viewsettings.h"

#include <QCommandLineParser>
#include <QString>
#include <QTextStream>

class IldFrameSet;

enum ExitCode { ExitOk = 0, ExitBadInput = 1, ExitUsage = 2 };

QTextStream &out();
QTextStream &err();

// Parses args for command; on --help prints the help and sets exitCode to 0,
// on a usage error prints it and sets exitCode to 2. Returns true to go on.
bool parseCommand(QCommandLineParser &parser, const QString &command, const QString &description,
                  const QStringList &args, int positionalCount, int &exitCode);

// Reports "--option must be RANGE" as a usage error of command; returns false.
bool badOption(const QString &command, const QCommandLineParser &parser, const QCommandLineOption &option,
               const QString &range);
// Every numeric option goes through these: a value that is not a number, is
// out of range or does not fit (NaN, infinities, 1e999, 99999999999) is a usage
// error, reported as badOption does.
// A whole number from low to high.
bool intOption(const QString &command, const QCommandLineParser &parser, const QCommandLineOption &option, int low,
               int high, int &value);
bool intOption(const QString &command, const QCommandLineParser &parser, const QCommandLineOption &option, qint64 low,
               qint64 high, qint64 &value);
// A finite number from low (or, with aboveLow, above low) to high.
bool realOption(const QString &command, const QCommandLineParser &parser, const QCommandLineOption &option, double low,
                double high, double &value, bool aboveLow = false);

// Why saving frames to path failed, as one line: "could not write PATH: WHY;
// PATH is unchanged".
void reportNotWritten(const QString &command, const QString &path, const QString &why);

// A JSON string literal (quoted, escaped) of s.
QString jsonString(const QString &s);

// Reads an ILDA file as the application does. Returns false (with a message on
// standard error) when the file cannot be opened or holds no ILDA data.
// The palettes the file brings join view's colour list.
bool loadIldaFile(const QString &path, IldFrameSet &set, ViewSettings &view, const ProgressCallback &progress = {});
