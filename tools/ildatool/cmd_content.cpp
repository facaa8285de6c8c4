// Making frames: SVG import, text, and the laser path optimiser.

#include "commands.h"
#include "ildframeset.h"
#include "pathoptimizer.h"
#include "svgimport.h"
#include "textstrokes.h"
#include "toolprogress.h"
#include "toolutil.h"

#include <QColor>

#include <vector>

namespace {

// The optimiser's options, shared by import, text and optimize.
struct OptimizerCli
{
    QCommandLineOption keepOrder{QStringLiteral("keep-order"),
                                 QStringLiteral("Draw the strokes in document order and direction.")};
    QCommandLineOption dwellOff{QStringLiteral("dwell-off"),
                                QStringLiteral("Lit copies of a stroke's last point before a blanked move "
                                               "(default %1).")
                                    .arg(OptimizerOptions::DefaultDwellOff),
                                QStringLiteral("N"), QString::number(OptimizerOptions::DefaultDwellOff)};
    QCommandLineOption dwellOn{QStringLiteral("dwell-on"),
                               QStringLiteral("Blanked copies at the next stroke's start, at least 1 (default %1).")
                                   .arg(OptimizerOptions::DefaultDwellOn),
                               QStringLiteral("N"), QString::number(OptimizerOptions::DefaultDwellOn)};
    QCommandLineOption cornerAngle{QStringLiteral("corner-angle"),
                                   QStringLiteral("A turn of more than DEG degrees is a corner (default %1).")
                                       .arg(OptimizerOptions::DefaultCornerAngle),
                                   QStringLiteral("DEG"), QString::number(OptimizerOptions::DefaultCornerAngle)};
    QCommandLineOption cornerDwell{
        QStringLiteral("corner-dwell"),
        QStringLiteral("Copies of a corner point (default %1).").arg(OptimizerOptions::DefaultCornerDwell),
        QStringLiteral("N"), QString::number(OptimizerOptions::DefaultCornerDwell)};
    QCommandLineOption maxStep{QStringLiteral("max-step"),
                               QStringLiteral("Longest lit or blanked step in ILDA units; longer ones are "
                                              "subdivided (default %1).")
                                   .arg(OptimizerOptions::DefaultMaxStep),
                               QStringLiteral("UNITS"), QString::number(OptimizerOptions::DefaultMaxStep)};
    QCommandLineOption budget{QStringLiteral("budget"),
                              QStringLiteral("Most points per frame; the step grows evenly to fit "
                                             "(default %1, one packet).")
                                  .arg(OptimizerOptions::DefaultBudget),
                              QStringLiteral("N"), QString::number(OptimizerOptions::DefaultBudget)};

    void addTo(QCommandLineParser &parser) const
    {
        parser.addOptions({keepOrder, dwellOff, dwellOn, cornerAngle, cornerDwell, maxStep, budget});
    }

    bool read(const QCommandLineParser &parser, const QString &command, OptimizerOptions &o) const
    {
        o.reorder = !parser.isSet(keepOrder);
        const struct
        {
            const QCommandLineOption &option;
            int &value;
            int low, high;
        } ints[] = {{dwellOff, o.dwellOff, 0, 1000},
                    {dwellOn, o.dwellOn, 0, 1000},
                    {cornerDwell, o.cornerDwell, 0, 1000},
                    {budget, o.budget, 1, IldFrame::MaxPoints}};
        for (const auto &n : ints)
            if (!intOption(command, parser, n.option, n.low, n.high, n.value))
                return false;
        return realOption(command, parser, cornerAngle, 0, 180, o.cornerAngle) &&
               realOption(command, parser, maxStep, 1, 65534, o.maxStep);
    }
};

const QCommandLineOption marginOption(QStringLiteral("margin"),
                                      QStringLiteral("Border left free, a fraction of the half width 0-0.9 "
                                                     "(default 0: the larger side spans the whole square)."),
                                      QStringLiteral("m"), QStringLiteral("0"));
const QCommandLineOption toleranceOption(QStringLiteral("tolerance"),
                                         QStringLiteral("Curve flattening tolerance, percent of the frame width "
                                                        "(default 0.05)."),
                                         QStringLiteral("PERCENT"), QStringLiteral("0.05"));

bool readShapeOptions(const QCommandLineParser &parser, const QString &command, double &margin, double &tolerance)
{
    if (!realOption(command, parser, marginOption, 0, 0.9, margin) ||
        !realOption(command, parser, toleranceOption, 0, 10, tolerance, true))
        return false;
    tolerance = tolerance / 100.0 * FrameWidth;
    return true;
}

bool checkOutName(const QString &command, const QString &path)
{
    if (path.endsWith(QLatin1String(".ild")))
        return true;
    err() << "ildatool " << command << ": OUT must end in .ild\n";
    err().flush();
    return false;
}

// Builds one frame and says on standard error how the budget was kept. A
// frame over its budget is refused (false): a projector would drop it.
bool makeFrame(const QString &command, const std::vector<Stroke> &strokes, const OptimizerOptions &o,
               const QString &label, IldFrame &frame)
{
    FrameBuild b = buildFrame(strokes, o);
    frame = std::move(b.frame);
    if (!b.fits) {
        err() << "ildatool " << command << ": " << label << ": " << b.message
              << "; raise --budget or simplify the drawing\n";
        err().flush();
        return false;
    }
    if (strokes.empty())
        err() << "ildatool " << command << ": " << label << ": " << b.message << "\n";
    else if (b.pointsNeeded > o.budget)
        err() << "ildatool " << command << ": " << label << ": " << b.pointsNeeded << " points fitted into " << o.budget
              << " with a step of " << qRound(b.step) << " units\n";
    err().flush();
    return true;
}

int notWritten(const QString &command, const QString &path)
{
    err() << "ildatool " << command << ": nothing written; " << path << " is unchanged\n";
    err().flush();
    return ExitBadInput;
}

int save(const QString &command, IldFrameSet &set, const QString &path)
{
    OwnedViewSettings view; // frames made here are true colour
    QString why;
    if (set.saveIld(path, view->colors, &why))
        return ExitOk;
    reportNotWritten(command, path, why);
    return ExitBadInput;
}

} // namespace

int runImport(const QStringList &args)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("IN.svg"), QStringLiteral("SVG files, one frame each, in order."),
                                 QStringLiteral("IN.svg..."));
    parser.addPositionalArgument(QStringLiteral("OUT.ild"), QStringLiteral("Frames in format 5."));
    OptimizerCli cli;
    parser.addOptions({marginOption, toleranceOption});
    cli.addTo(parser);
    int code = 0;
    if (!parseCommand(parser, QStringLiteral("import"),
                      QStringLiteral("Turns SVG files into frames: the viewBox fitted into the ILDA square, stroked "
                                     "paths in their stroke colour, filled shapes as outlines in their fill colour, "
                                     "then the laser path optimiser."),
                      args, -1, code))
        return code;
    const QStringList pos = parser.positionalArguments();
    if (pos.size() < 2) {
        err() << "ildatool import: expected at least one SVG file and OUT.ild\nTry 'ildatool import --help'.\n";
        err().flush();
        return ExitUsage;
    }
    OptimizerOptions o;
    double margin = 0, tolerance = 0;
    if (!readShapeOptions(parser, QStringLiteral("import"), margin, tolerance) ||
        !cli.read(parser, QStringLiteral("import"), o) || !checkOutName(QStringLiteral("import"), pos.last()))
        return ExitUsage;

    IldFrameSet set;
    ToolProgress progress(QStringLiteral("import"));
    progress.setStage(QStringLiteral("importing"));
    for (int i = 0; i + 1 < pos.size(); ++i) {
        progress.report(i, pos.size() - 1);
        const SvgDrawing d = readSvg(pos.at(i), margin);
        if (!d.ok) {
            err() << "ildatool import: " << pos.at(i) << ": " << d.error << "\n";
            err().flush();
            return ExitBadInput;
        }
        IldFrame f;
        if (!makeFrame(QStringLiteral("import"), svgStrokes(d, tolerance), o, pos.at(i), f))
            return notWritten(QStringLiteral("import"), pos.last());
        f.name = importedFrameName(pos.at(i));
        set.frames.push_back(std::move(f));
    }
    return save(QStringLiteral("import"), set, pos.last());
}

int runText(const QStringList &args)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("TEXT"), QStringLiteral("One line of text."));
    parser.addPositionalArgument(QStringLiteral("OUT.ild"), QStringLiteral("One frame in format 5."));
    const QCommandLineOption font(QStringLiteral("font"),
                                  QStringLiteral("Font family for outlines (default %1); with --stroke a Hershey "
                                                 "font such as rowmans, futural, scripts (default %2).")
                                      .arg(TextOptions::defaultOutlineFamily(), TextOptions::defaultStrokeFont()),
                                  QStringLiteral("FAMILY"));
    const QCommandLineOption stroke(QStringLiteral("stroke"),
                                    QStringLiteral("Single-stroke letters drawn once (characters the Hershey font "
                                                   "lacks fall back to outlines)."));
    const QCommandLineOption color(QStringLiteral("color"), QStringLiteral("Colour of the letters (default white)."),
                                   QStringLiteral("#RRGGBB"), QStringLiteral("#ffffff"));
    OptimizerCli cli;
    parser.addOptions({font, stroke, color, marginOption, toleranceOption});
    cli.addTo(parser);
    int code = 0;
    if (!parseCommand(parser, QStringLiteral("text"),
                      QStringLiteral("Draws a line of text as one frame, fitted into the ILDA square."), args, 2, code))
        return code;
    TextOptions t;
    OptimizerOptions o;
    if (!readShapeOptions(parser, QStringLiteral("text"), t.margin, t.tolerance) ||
        !cli.read(parser, QStringLiteral("text"), o) ||
        !checkOutName(QStringLiteral("text"), parser.positionalArguments().at(1)))
        return ExitUsage;
    const QColor c(parser.value(color));
    if (!c.isValid()) {
        badOption(QStringLiteral("text"), parser, color, QStringLiteral("a colour such as #ff8000"));
        return ExitUsage;
    }
    t.color = c.rgb();
    t.family = parser.value(font);
    t.stroke = parser.isSet(stroke);

    const QString text = parser.positionalArguments().at(0);
    const TextDrawing d = textStrokes(text, t);
    if (!d.ok) {
        err() << "ildatool text: " << d.error << "\n";
        err().flush();
        return ExitBadInput;
    }
    IldFrameSet set;
    IldFrame f;
    if (!makeFrame(QStringLiteral("text"), d.strokes, o, QStringLiteral("text"), f))
        return notWritten(QStringLiteral("text"), parser.positionalArguments().at(1));
    QString name;
    for (const QChar ch : text)
        if (ch.unicode() > 32 && ch.unicode() < 127)
            name += ch;
    f.name = name.isEmpty() ? QStringLiteral("text") : name.left(8);
    set.frames.push_back(std::move(f));
    return save(QStringLiteral("text"), set, parser.positionalArguments().at(1));
}

int runOptimize(const QStringList &args)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("IN.ild"), QStringLiteral("ILDA file."));
    parser.addPositionalArgument(QStringLiteral("OUT.ild"), QStringLiteral("Optimised frames in format 5."));
    OptimizerCli cli;
    cli.addTo(parser);
    int code = 0;
    if (!parseCommand(parser, QStringLiteral("optimize"),
                      QStringLiteral("Redraws every frame of IN: its lit runs reordered to shorten blanked travel, "
                                     "old dwell points replaced, steps subdivided, the point budget kept."),
                      args, 2, code))
        return code;
    OptimizerOptions o;
    if (!cli.read(parser, QStringLiteral("optimize"), o) ||
        !checkOutName(QStringLiteral("optimize"), parser.positionalArguments().at(1)))
        return ExitUsage;
    IldFrameSet in;
    OwnedViewSettings view;
    ToolProgress progress(QStringLiteral("optimize"));
    progress.setStage(QStringLiteral("reading"));
    if (!loadIldaFile(parser.positionalArguments().at(0), in, *view.get(), progress.callback()))
        return ExitBadInput;
    IldFrameSet set;
    progress.setStage(QStringLiteral("optimizing"));
    for (size_t i = 0; i < in.frames.size(); ++i) {
        progress.report(qint64(i), qint64(in.frames.size()));
        const IldFrame &src = in.frames[i];
        IldFrame f;
        if (!makeFrame(QStringLiteral("optimize"), strokesFromFrame(src, view->colors), o,
                       QStringLiteral("frame %1").arg(i), f))
            return notWritten(QStringLiteral("optimize"), parser.positionalArguments().at(1));
        f.name = src.name;
        f.company = src.company;
        f.projector = src.projector;
        set.frames.push_back(std::move(f));
    }
    return save(QStringLiteral("optimize"), set, parser.positionalArguments().at(1));
}
