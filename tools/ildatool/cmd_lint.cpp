#include "commands.h"
#include "ildalint.h"
#include "regularfile.h"
#include "toolutil.h"

#include <QFile>

namespace {

const char *const Description =
    "Checks an ILDA file for problems a projector chokes on and prints one line per finding\n"
    "(\"error frame 2 point 17 [last-point]: ...\"; frames and points count from 0).\n"
    "\n"
    "Errors (exit 1):\n"
    "  last-point       the last point of a frame lacks the last-point bit (0x80), or an earlier\n"
    "                   point carries it\n"
    "  point-limit      a frame has more points than --max-points (the projector's packet limit)\n"
    "                   or than a section can count (65535)\n"
    "  empty-frame      a frame section of 0 records before the end of the file, where players\n"
    "                   that follow the standard stop reading\n"
    "  truncated        a section counts more records than the file holds\n"
    "  bad-header       bytes that are not an ILDA section header\n"
    "Warnings (exit 0 when there are only warnings):\n"
    "  closing-header   the file does not end with a section of 0 records\n"
    "  numbering        frame numbers not 0, 1, 2, ... or total frames not the frame count\n"
    "  step-length      lit steps longer than --max-step units\n"
    "  blank-dwell      blanked moves without dwell: the last lit point not repeated before the\n"
    "                   beam goes off, or fewer than two points where it comes on again (a\n"
    "                   blanked copy, or the first lit point in place)\n"
    "  first-point-lit  the stored first point of a frame is lit\n"
    "  palette-index    lit points of indexed frames (formats 0, 1) whose colour index lies past\n"
    "                   the palette: the file's own palette section, else the table of --palette\n"
    "\n"
    "Exit codes: 0 no errors, 1 errors found or the file unreadable, 2 usage error.";

} // namespace

int runLint(const QStringList &args)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("FILE.ild"), QStringLiteral("ILDA file to check."));
    const QCommandLineOption jsonOpt(QStringLiteral("json"),
                                     QStringLiteral("Print the findings as one JSON object: {\"file\", \"errors\", "
                                                    "\"warnings\", \"findings\": [{\"severity\", \"rule\", "
                                                    "\"frame\", \"point\", \"message\"}]}, -1 for no frame or point."));
    const QCommandLineOption stepOpt(
        QStringLiteral("max-step"),
        QStringLiteral("Longest lit step in ILDA units (default %1).").arg(LintOptions::DefaultMaxStep),
        QStringLiteral("S"), QString::number(LintOptions::DefaultMaxStep));
    const QCommandLineOption pointsOpt(QStringLiteral("max-points"),
                                       QStringLiteral("Most points per frame (default %1, the projector's packet "
                                                      "limit).")
                                           .arg(LintOptions::DefaultMaxPoints),
                                       QStringLiteral("N"), QString::number(LintOptions::DefaultMaxPoints));
    const QCommandLineOption paletteOpt(QStringLiteral("palette"),
                                        QStringLiteral("Colour table of indexed frames in files without a palette: "
                                                       "0 the 64-colour default table (default), 1 \"IildStd\" "
                                                       "(256 colours)."),
                                        QStringLiteral("0|1"), QStringLiteral("0"));
    for (const QCommandLineOption *o : {&jsonOpt, &stepOpt, &pointsOpt, &paletteOpt})
        parser.addOption(*o);
    int code = 0;
    if (!parseCommand(parser, QStringLiteral("lint"), QString::fromLatin1(Description), args, 1, code))
        return code;

    LintOptions options;
    int palette = 0;
    const QString command = QStringLiteral("lint");
    if (!intOption(command, parser, stepOpt, 1, 65535 * 2, options.maxStep) ||
        !intOption(command, parser, pointsOpt, 1, LintOptions::HardMaxPoints, options.maxPoints) ||
        !intOption(command, parser, paletteOpt, 0, 1, palette))
        return ExitUsage;
    options.paletteSize = palette == 0 ? 64 : 256;

    const QString path = parser.positionalArguments().at(0);
    QByteArray bytes;
    IldReadResult read;
    if (!readRegularFile(path, bytes, read)) {
        err() << "ildatool lint: cannot open " << path << ": " << read.reason() << "\n";
        err().flush();
        return ExitBadInput;
    }
    const std::vector<LintFinding> findings =
        IldaLint::checkIldaBytes(reinterpret_cast<const uchar *>(bytes.constData()), bytes.size(), options);

    int errors = 0;
    for (const LintFinding &f : findings)
        errors += f.severity == LintFinding::Error;
    const int warnings = int(findings.size()) - errors;

    QTextStream &o = out();
    if (parser.isSet(jsonOpt)) {
        o << "{\"file\": " << jsonString(path) << ", \"errors\": " << errors << ", \"warnings\": " << warnings
          << ",\n \"findings\": [";
        bool first = true;
        for (const LintFinding &f : findings) {
            o << (first ? "" : ",") << "\n  {\"severity\": " << jsonString(f.severityName())
              << ", \"rule\": " << jsonString(f.rule) << ", \"frame\": " << f.frame << ", \"point\": " << f.point
              << ", \"message\": " << jsonString(f.message) << '}';
            first = false;
        }
        o << "]}\n";
    } else {
        for (const LintFinding &f : findings)
            o << path << ": " << IldaLint::describe(f) << '\n';
        o << path << ": " << errors << " error(s), " << warnings << " warning(s)\n";
    }
    o.flush();
    return errors > 0 ? ExitBadInput : ExitOk;
}
