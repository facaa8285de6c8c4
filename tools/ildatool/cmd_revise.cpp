#include "commands.h"
#include "ildastreamwriter.h"
#include "ildframeset.h"
#include "revise.h"
#include "toolprogress.h"
#include "toolutil.h"

#include <climits>

int runRevise(const QStringList &args)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("IN.ild"), QStringLiteral("ILDA file to revise."));
    parser.addPositionalArgument(QStringLiteral("OUT.ild"), QStringLiteral("Revised frames, all checked."));
    const QCommandLineOption between(QStringLiteral("between"),
                                     QStringLiteral("Highlight every B-th change of position (0 counts as 1)."),
                                     QStringLiteral("B"));
    const QCommandLineOption add(QStringLiteral("add"),
                                 QStringLiteral("Highlight copies per point; 0 thins the frames instead."),
                                 QStringLiteral("A"));
    const QCommandLineOption blank(QStringLiteral("blank"),
                                   QStringLiteral("Dwell copies where the beam switches off or on."),
                                   QStringLiteral("P"));
    const QCommandLineOption total(QStringLiteral("total"),
                                   QStringLiteral("Target point count when thinning (0 counts as 1)."),
                                   QStringLiteral("T"));
    parser.addOptions({between, add, blank, total});
    int code = 0;
    if (!parseCommand(parser, QStringLiteral("revise"),
                      QStringLiteral("Runs the revise operation on every frame of IN and saves the revised frames."),
                      args, 2, code))
        return code;

    ReviseParams params;
    const struct
    {
        const QCommandLineOption &option;
        quint32 &value;
    } numbers[] = {
        {between, params.between}, {add, params.addPoint}, {blank, params.blankPoint}, {total, params.totalPoint}};
    for (const auto &n : numbers) {
        if (!parser.isSet(n.option)) {
            err() << "ildatool revise: --" << n.option.names().constFirst() << " needs an unsigned number\n"
                  << "Try 'ildatool revise --help'.\n";
            err().flush();
            return ExitUsage;
        }
        qint64 value = 0;
        if (!intOption(QStringLiteral("revise"), parser, n.option, 0, qint64(UINT_MAX), value))
            return ExitUsage;
        n.value = quint32(value);
    }

    const QString outPath = parser.positionalArguments().at(1);
    IldFrameSet in;
    OwnedViewSettings view;
    ToolProgress progress(QStringLiteral("revise"));
    progress.setStage(QStringLiteral("reading"));
    if (!loadIldaFile(parser.positionalArguments().at(0), in, *view.get(), progress.callback()))
        return ExitBadInput;
    auto failed = [&outPath](const QString &why) {
        reportNotWritten(QStringLiteral("revise"), outPath, why);
        return int(ExitBadInput);
    };
    const QString refusal = IldaStreamWriter::frameCountRefusal(qint64(in.frames.size()));
    if (!refusal.isEmpty())
        return failed(refusal);
    // One revised frame at a time: large --add values make files of many
    // gigabytes that need not be held in memory.
    IldaStreamWriter writer(outPath);
    if (!writer.open())
        return failed(writer.errorString());
    const quint16 frameTotal = quint16(in.frames.size());
    progress.setStage(QStringLiteral("revising"));
    for (size_t i = 0; i < in.frames.size(); ++i) {
        progress.report(qint64(i), qint64(in.frames.size()));
        IldFrame revised = reviseFrame(in.frames[i], params);
        revised.check = true;
        if (!writer.writeFrame(revised, quint16(i), frameTotal, view->colors))
            return failed(writer.errorString());
    }
    if (!writer.commit())
        return failed(writer.errorString());
    return ExitOk;
}
