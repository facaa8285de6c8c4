#pragma once

#include "ildreadresult.h"

#include <memory>

class QByteArray;
class QFile;
class QString;

// Opens path for reading only when it is a regular file: a pipe would block,
// a device never ends and a folder has no bytes. The check is made on the
// opened descriptor, so the file cannot be swapped in between. On failure the
// result says why (Unreadable or NotRegularFile) and file stays closed.
IldReadResult openRegularFile(const QString &path, QFile &file);

// Reads the whole of an open regular file into memory in bounded pieces (no
// mapping: a file cut short meanwhile must not fault). A file that shrinks
// gives the bytes that were still there, one that grows the size seen at the
// start. Returns false when memory runs short or reading fails, with the
// reason in result.
bool readWholeFile(QFile &file, std::unique_ptr<uchar[]> &bytes, qint64 &length, IldReadResult &result);

// The whole of the regular file at path (group images, files to lint); false
// with the reason in result for anything else.
bool readRegularFile(const QString &path, QByteArray &bytes, IldReadResult &result);
// The same for files that are only ever small (drawings, fonts): one larger
// than maxSize bytes (when maxSize >= 0) is refused as Unreadable, saying
// so, before anything is read.
bool readRegularFile(const QString &path, QByteArray &bytes, IldReadResult &result, qint64 maxSize);

// Opens one of the program's own text files (settings, lists) for reading.
// A pipe or device named there is refused instead of blocking or never ending.
bool openRegularTextFile(const QString &path, QFile &file);
