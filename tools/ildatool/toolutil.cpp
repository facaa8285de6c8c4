#include "toolutil.h"

#include "ildframeset.h"

#include <QFile>

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
    return s;
}

bool parseCommand(QCommandLineParser &parser, const QString &command, const QString &description,
                  const QStringList &args, int positionalCount, int &exitCode)
{
    parser.setApplicationDescription(description);
    const QCommandLineOption help(QStringList{ QStringLiteral("h"), QStringLiteral("help") },
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

bool loadIldaFile(const QString &path, IldFrameSet &set)
{
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly)) {
        err() << "ildatool: cannot open " << path << ": " << probe.errorString() << "\n";
        err().flush();
        return false;
    }
    const QByteArray magic = probe.read(5);
    probe.close();
    if (magic != QByteArray("ILDA\0", 5)) {
        err() << "ildatool: " << path << " is not an ILDA file (no \"ILDA\" section header at its start)\n";
        err().flush();
        return false;
    }
    set.fromFileIld(path, false);
    return true;
}

QString jsonString(const QString &s)
{
    QString r;
    r.reserve(s.size() + 2);
    r += QLatin1Char('"');
    for (QChar c : s) {
        switch (c.unicode()) {
        case '"': r += QLatin1String("\\\""); break;
        case '\\': r += QLatin1String("\\\\"); break;
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
