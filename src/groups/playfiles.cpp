#include "playfiles.h"

#include "groupslog.h"
#include "textcodec.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>
#include <QUrl>

#include <cerrno>

namespace PlayFiles {

namespace {

// The path the file system writes when path is opened: symbolic links
// followed; for a file not there yet, its folder's real path and its name.
// Empty for a link whose target is missing: writing would create a file
// wherever it points.
QString realPath(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    if (info.isSymLink())
        return QString();
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    if (folder.isEmpty() || info.fileName().isEmpty())
        return QDir::cleanPath(info.absoluteFilePath());
    return folder + QLatin1Char('/') + info.fileName();
}

} // namespace

QString fileNameOf(const QString &path)
{
    const int cut = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(cut + 1);
}

QString folderOf(const QString &path)
{
    const int cut = path.lastIndexOf(QLatin1Char('/'));
    return cut < 0 ? QString() : path.left(cut + 1);
}

bool isStoredAbsolute(const QString &path)
{
    return path.contains(QLatin1String(":/")) || QDir::isAbsolutePath(path);
}

QString folderUrl(const QString &folder)
{
    if (folder.startsWith(QLatin1String("file:")))
        return folder;
    const QString absolute = isStoredAbsolute(folder) ? folder : QDir(folder).absolutePath();
    return QUrl::fromLocalFile(absolute).toString();
}

QString saveExtension(const QString &path, const QString &filter, const QStringList &known)
{
    for (const QString &ext : known)
        if (path.endsWith(ext))
            return ext;
    for (const QString &ext : known)
        if (filter.contains(QLatin1Char('*') + ext))
            return ext;
    return QString();
}

QString settingsNameFor(const QString &name, const QString &folder)
{
    QString n = name;
    if (!folder.isEmpty())
        n.remove(folder);
    if (!n.endsWith(QLatin1String(".csv")))
        n += QLatin1String(".csv");
    return n;
}

bool isSettingsFileIn(const QString &path, const QString &playDir)
{
    const QString file = realPath(path);
    QString dir = realPath(playDir.isEmpty() ? QStringLiteral(".") : playDir);
    if (file.isEmpty() || dir.isEmpty())
        return false;
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return path.endsWith(QLatin1String(".csv")) && file.endsWith(QLatin1String(".csv")) && file.startsWith(dir);
}

bool looksLikeSettings(const QByteArray &bytes)
{
    for (const char c : bytes)
        if (uchar(c) < 0x20 && c != '\t' && c != '\r' && c != '\n')
            return false;
    for (const QByteArray &raw : bytes.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty())
            continue;
        if (line.startsWith("#Speed") || line.startsWith("#Rate") || line.startsWith("-Rate") ||
            line.startsWith("#End"))
            return true;
        // a row's first field: the play speed, with the markers parseSettings takes
        static const QRegularExpression row(QStringLiteral(R"(^[#F-]*(error id:"\d+")?[#F-]*\s*\d*\s*(,|$))"));
        return row.match(QString::fromLatin1(line)).hasMatch();
    }
    return true;
}

void splitListFolder(const QString &folder, QString &root, QString &play)
{
    QString r = folder;
    // Take characters off until, after at least one, the text ends with "/".
    do {
        r.chop(1);
    } while (!r.isEmpty() && !r.endsWith(QLatin1Char('/')));
    root = r;
    play = folder.mid(r.size());
}

QString configDir()
{
    const QString overridden = qEnvironmentVariable("BEAMDECK_CONFIG_DIR");
    if (!overridden.isEmpty()) {
        QDir().mkpath(overridden);
        return QDir(overridden).absolutePath();
    }
    // An installed program sits in a bin/ folder, which may well be writable
    // (a user's own prefix, or root): settings never go there.
    const QString appDir = QCoreApplication::applicationDirPath();
    const QFileInfo app(appDir);
    if (!appDir.isEmpty() && app.isWritable() && app.fileName() != QLatin1String("bin"))
        return appDir;
    const QString user = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(user);
    return user;
}

SettingsRow rowForPath(const QString &path)
{
    SettingsRow row;
    row.path = path;
    row.name = fileNameOf(path);
    return row;
}

QVector<SettingsRow> parseSettings(QTextStream &in, const QString &root)
{
    QVector<SettingsRow> rows;
    TextCodec::useGbk(in);
    while (!in.atEnd()) {
        const QString raw = in.readLine();
        if (raw.startsWith(QLatin1String("#End")))
            break;
        QStringList fields = raw.trimmed().split(QLatin1Char(','));
        QString first = fields.at(0);
        if (first.startsWith(QLatin1String("#Speed")) || first.startsWith(QLatin1String("#Rate")) ||
            first.startsWith(QLatin1String("-Rate")))
            continue;
        if (fields.size() < 4) {
            // Every row carries four fields; anything shorter names no file.
            if (!raw.trimmed().isEmpty())
                qCDebug(lcGroups) << "{PlayFiles::parseSettings} line without a path skipped:" << raw;
            continue;
        }
        // A path may itself hold commas: it is the rest of the line.
        QString path = fields.mid(3).join(QLatin1Char(','));
        if (!path.startsWith(root) && !isStoredAbsolute(path))
            path.prepend(root);
        SettingsRow row = rowForPath(path);
        if (first.startsWith(QLatin1Char('#')) || first.startsWith(QLatin1Char('-'))) {
            row.check = false;
            first.remove(QLatin1Char('F')).remove(QLatin1Char('#')).remove(QLatin1Char('-'));
        } else {
            first.remove(QLatin1Char('F'));
        }
        row.playSpeed = quint8(first.toInt());
        row.colorType = fields.at(1).toInt();
        row.repeater = quint8(fields.at(2).toInt());
        rows.append(row);
    }
    return rows;
}

bool commitText(QSaveFile &file, const QString &text, QString *why)
{
    const QByteArray bytes = TextCodec::toGbk(text);
    errno = 0;
    if (file.write(bytes) != bytes.size()) {
        // Before the cancel: closing the file forgets why it failed.
        if (why)
            *why = failureReason(file);
        file.cancelWriting();
        file.commit();
        return false;
    }
    errno = 0;
    if (!file.commit()) {
        if (why)
            *why = failureReason(file);
        return false;
    }
    return true;
}

QString failureReason(const QFileDevice &file)
{
    const int err = errno;
    QString words;
    if (file.error() == QFileDevice::ResourceError || err == ENOSPC || err == EFBIG || err == EDQUOT)
        words = QStringLiteral("disk full");
    else if (err == EACCES || err == EPERM || err == EROFS)
        words = QStringLiteral("not writable");
    else if (err == ENOENT || err == ENOTDIR)
        words = QStringLiteral("folder missing");
    // A device without an error says "Unknown error", which tells nobody anything.
    const QString detail = file.error() == QFileDevice::NoError ? QString() : file.errorString();
    if (words.isEmpty())
        return detail.isEmpty() ? QStringLiteral("write failed") : detail;
    return detail.isEmpty() ? words : words + QStringLiteral(": ") + detail;
}

SettingsText formatSettings(const QVector<SettingsRow> &rows, const QString &root)
{
    SettingsText out;
    out.text = QStringLiteral("#Speed,Color,Repeater,Path\n");
    for (int i = 0; i < rows.size(); ++i) {
        const SettingsRow &row = rows.at(i);
        QString path = row.path;
        if (path.startsWith(root)) {
            if (!row.check)
                out.text += QLatin1Char('#');
            // A rest that would read back as absolute ("/shows//a.ild" under
            // "/shows/") is written whole, so the row names the same file.
            if (!isStoredAbsolute(path.mid(root.size())))
                path.remove(0, root.size());
        } else if (isStoredAbsolute(path)) {
            // A file beside or above the show (a list saved elsewhere) keeps
            // its full path, which reads back unchanged.
            if (!row.check)
                out.text += QLatin1Char('#');
        } else {
            out.text += QStringLiteral("#error id:\"%1\"").arg(i);
            if (out.errors == 0)
                out.firstErrorPath = row.path;
            ++out.errors;
        }
        out.text += QStringLiteral("%1,%2,%3,").arg(row.playSpeed).arg(row.colorType).arg(row.repeater) + path +
                    QLatin1Char('\n');
    }
    out.text += QLatin1String("#End");
    return out;
}

bool readTabList(QIODevice &in, QVector<ListEntry> &entries, QString *why)
{
    entries.clear();
    auto refuse = [&](const QString &reason) {
        entries.clear();
        if (why)
            *why = reason;
        return false;
    };
    const QString tooLong = QStringLiteral("line %1 is longer than %2 bytes, longer than any line of a play list");
    for (int lineNo = 1; !in.atEnd(); ++lineNo) {
        QByteArray line = in.readLine(MaxListLineBytes + 8);
        if (!line.endsWith('\n') && !in.atEnd())
            return refuse(tooLong.arg(lineNo).arg(MaxListLineBytes));
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        if (line.size() > MaxListLineBytes)
            return refuse(tooLong.arg(lineNo).arg(MaxListLineBytes));
        for (const char c : qAsConst(line))
            if ((uchar(c) < 0x20 && c != '\t' && c != '\r') || uchar(c) == 0x7f)
                return refuse(QStringLiteral("line %1 holds binary data, not the text of a play list").arg(lineNo));
        if (line.startsWith("#end"))
            break;
        const QString text = TextCodec::fromGbk(line);
        ListEntry e;
        e.check = !text.startsWith(QLatin1Char('#'));
        e.name = QString(text).remove(QLatin1Char('#'));
        if (e.name.trimmed().isEmpty())
            continue; // a blank line names no group
        if (entries.size() == MaxListGroups)
            return refuse(QStringLiteral("it names more than %1 groups, more than a show can hold").arg(MaxListGroups));
        entries.append(e);
    }
    return true;
}

} // namespace PlayFiles
