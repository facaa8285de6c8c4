#include "commands.h"
#include "ctable.h"
#include "ildframeset.h"
#include "palette.h"
#include "regularfile.h"
#include "toolprogress.h"
#include "toolutil.h"

#include <QFile>
#include <QSaveFile>

namespace {

bool isCTable(const QString &path)
{
    return path.endsWith(QLatin1String(".c"));
}

bool loadCTable(const QString &path, IldFrameSet &set, const ProgressCallback &progress)
{
    QFile file;
    const IldReadResult opened = openRegularFile(path, file);
    if (!opened.ok()) {
        err() << "ildatool: cannot open " << path << ": "
              << (opened.kind == IldReadResult::Unreadable ? opened.detail : opened.reason()) << "\n";
        err().flush();
        return false;
    }
    importCTable(file.readAll(), set, progress);
    return true;
}

bool saveCTable(const QString &path, const IldFrameSet &set, int type, const ColorContext &colors)
{
    if (set.checkedCount() == 0) {
        reportNotWritten(QStringLiteral("convert"), path, QStringLiteral("no frames to save"));
        return false;
    }
    const QByteArray text = exportCTable(set, type, colors);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        reportNotWritten(QStringLiteral("convert"), path, file.errorString());
        return false;
    }
    return true;
}

} // namespace

int runConvert(const QStringList &args)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("IN"), QStringLiteral("Input file (.ild or .c table)."));
    parser.addPositionalArgument(QStringLiteral("OUT"), QStringLiteral("Output file (.ild or .c table)."));
    const QCommandLineOption type(QStringLiteral("type"),
                                  QStringLiteral("C table export type: 0 colour values, 1 the same, 2 colour values "
                                                 "with each frame's scale and centring baked in, 3 colour codes."),
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

    int exportType = 0;
    int table = 0;
    const QString command = QStringLiteral("convert");
    if (!intOption(command, parser, type, 0, 3, exportType) || !intOption(command, parser, palette, 0, 1, table))
        return ExitUsage;
    const QString in = parser.positionalArguments().at(0);
    const QString outPath = parser.positionalArguments().at(1);
    const bool toC = isCTable(outPath);
    if (!toC && !outPath.endsWith(QLatin1String(".ild"))) {
        err() << "ildatool convert: OUT must end in .ild or .c\n";
        err().flush();
        return ExitUsage;
    }
    OwnedViewSettings view;
    view->colors.offset = table ? Palette::IildStd : Palette::DefaultTable;

    IldFrameSet set;
    {
        ToolProgress progress(QStringLiteral("convert"));
        progress.setStage(QStringLiteral("reading"));
        if (!(isCTable(in) ? loadCTable(in, set, progress.callback())
                           : loadIldaFile(in, set, *view.get(), progress.callback())))
            return ExitBadInput;
    }
    for (IldFrame &f : set.frames)
        f.check = true;
    if (toC)
        return saveCTable(outPath, set, exportType, view->colors) ? ExitOk : ExitBadInput;
    QString why;
    if (!set.saveIld(outPath, view->colors, &why)) {
        reportNotWritten(command, outPath, why);
        return ExitBadInput;
    }
    return ExitOk;
}
