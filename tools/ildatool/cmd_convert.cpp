#include "commands.h"
#include "ildframeset.h"
#include "toolutil.h"

int runConvert(const QStringList &args)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("IN"), QStringLiteral("Input file (.ild)."));
    parser.addPositionalArgument(QStringLiteral("OUT"), QStringLiteral("Output file (.ild)."));
    const QCommandLineOption type(QStringLiteral("type"), QStringLiteral("C table export type 0-3."),
                                  QStringLiteral("0-3"), QStringLiteral("0"));
    const QCommandLineOption palette(QStringLiteral("palette"),
                                     QStringLiteral("Indexed colour table: 0 Default_, 1 IildStd."),
                                     QStringLiteral("0|1"), QStringLiteral("0"));
    parser.addOption(type);
    parser.addOption(palette);
    int code = 0;
    if (!parseCommand(parser, QStringLiteral("convert"),
                      QStringLiteral("Loads IN, checks every frame and saves OUT as the application does."), args, 2,
                      code))
        return code;

    const QString in = parser.positionalArguments().at(0);
    const QString outPath = parser.positionalArguments().at(1);
    if (!outPath.endsWith(QLatin1String(".ild"))) {
        err() << "ildatool convert: OUT must end in .ild\n";
        err().flush();
        return ExitUsage;
    }
    IldFrameSet set;
    if (!loadIldaFile(in, set))
        return ExitBadInput;
    for (IldFrame &f : set.frames)
        f.check = true;
    if (!set.saveIld(outPath)) {
        err() << "ildatool convert: could not write " << outPath << "\n";
        err().flush();
        return ExitBadInput;
    }
    return ExitOk;
}
