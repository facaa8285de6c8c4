#include "toolutil.h"

#include "ildframeset.h"
#include "palette.h"
#include "toolprogress.h"

#include <QFileInfo>

#include <climits>
#include <cmath>

// Everything the tool prints is UTF-8, JSON included, whatever the locale.
QTextStream &out()
{
    static QTextStream s(stdout);
    static const bool utf8 = (s.setCodec("UTF-8"), true);
    Q_UNUSED(utf8)
    return s;
}

QTextStream &err()
{
    static QTextStream s(stderr);
    static const bool utf8 = (s.setCodec("UTF-8"), true);
    Q_UNUSED(utf8)
    ToolProgress::clearActiveLine(); // a message starts at the left margin
    return s;
}

bool parseCommand(QCommandLineParser &parser, const QString &command, const QString &description,
                  const QStringList &args, int positionalCount, int &exitCode)
{
    parser.setApplicationDescription(description);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    parser.addOption(help);
    QStringList argv = args;
    argv.prepend(QStringLiteral("ildatool ") + command);
    if (!parser.parse(argv)) {
        err() << "ildatool " << command << ": " << parser.errorText() << "\n"
              << "Try 'ildatool " << command << " --help'.\n";
        err().flush();
        exitCode = ExitUsage;
        return false;
    }
    if (parser.isSet(help)) {
        out() << parser.helpText();
        out().flush();
        exitCode = ExitOk;
        return false;
    }
    if (positionalCount >= 0 && parser.positionalArguments().size() != positionalCount) {
        err() << "ildatool " << command << ": expected " << positionalCount << " file argument(s), got "
              << parser.positionalArguments().size() << "\n"
              << "Try 'ildatool " << command << " --help'.\n";
        err().flush();
        exitCode = ExitUsage;
        return false;
    }
    return true;
}

bool loadIldaFile(const QString &path, IldFrameSet &set, ViewSettings &view, const ProgressCallback &progress)
{
    const IldReadResult r = set.fromFileIld(path, false, progress, view.palette->size());
    view.palette->appendColors(r.palette);
    switch (r.kind) {
    case IldReadResult::Ok:
        return true;
    case IldReadResult::Unreadable:
        err() << "ildatool: cannot open " << path << ": " << r.detail << "\n";
        break;
    case IldReadResult::NotRegularFile:
    case IldReadResult::Cancelled:
        err() << "ildatool: cannot open " << path << ": " << r.reason() << "\n";
        break;
    case IldReadResult::Empty:
        // A file of palettes only is ILDA data; a file of no bytes is not.
        if (QFileInfo(path).size() > 0)
            return true;
        err() << "ildatool: " << path << " is not an ILDA file (it is empty)\n";
        break;
    case IldReadResult::NotIlda:
        if (r.offset == 0) {
            err() << "ildatool: " << path << " is not an ILDA file (no \"ILDA\" section header at its start)\n";
            break;
        }
        Q_FALLTHROUGH();
    case IldReadResult::Truncated:
        // The frames before the damage are kept, as in the application.
        err() << "ildatool: warning: " << path << ": " << r.reason() << "\n";
        err().flush();
        return true;
    }
    err().flush();
    return false;
}

bool badOption(const QString &command, const QCommandLineParser &parser, const QCommandLineOption &option,
               const QString &range)
{
    err() << "ildatool " << command << ": --" << option.names().constFirst() << " must be " << range << ", got '"
          << parser.value(option) << "'\n";
    err().flush();
    return false;
}

bool intOption(const QString &command, const QCommandLineParser &parser, const QCommandLineOption &option, qint64 low,
               qint64 high, qint64 &value)
{
    bool ok = false;
    value = parser.value(option).toLongLong(&ok);
    if (!ok || value < low || value > high)
        return badOption(command, parser, option,
                         high == INT_MAX || high == LLONG_MAX ? QStringLiteral("a whole number from %1").arg(low)
                                                              : QStringLiteral("%1-%2").arg(low).arg(high));
    return true;
}

bool intOption(const QString &command, const QCommandLineParser &parser, const QCommandLineOption &option, int low,
               int high, int &value)
{
    qint64 v = 0;
    if (!intOption(command, parser, option, qint64(low), qint64(high), v))
        return false;
    value = int(v);
    return true;
}

bool realOption(const QString &command, const QCommandLineParser &parser, const QCommandLineOption &option, double low,
                double high, double &value, bool aboveLow)
{
    bool ok = false;
    value = parser.value(option).toDouble(&ok);
    // NaN fails every comparison, so finiteness is asked for outright.
    if (!ok || !std::isfinite(value) || (aboveLow ? value <= low : value < low) || value > high)
        return badOption(command, parser, option,
                         aboveLow ? QStringLiteral("above %1 and at most %2").arg(low).arg(high)
                                  : QStringLiteral("%1-%2").arg(low).arg(high));
    return true;
}

void reportNotWritten(const QString &command, const QString &path, const QString &why)
{
    err() << "ildatool " << command << ": could not write " << path << ": " << why << "; " << path << " is unchanged\n";
    err().flush();
}

QString jsonString(const QString &s)
{
    QString r;
    r.reserve(s.size() + 2);
    r += QLatin1Char('"');
    for (QChar c : s) {
        switch (c.unicode()) {
        case '"':
            r += QLatin1String("\\\"");
            break;
        case '\\':
            r += QLatin1String("\\\\");
            break;
        default:
            if (c.unicode() < 0x20)
                r += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                r += c;
        }
    }
    r += QLatin1Char('"');
    return r;
}
