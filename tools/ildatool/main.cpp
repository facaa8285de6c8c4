// ildatool: the core of beamdeck for scripts and firmware build pipelines.

#include "appsetup.h"
#include "commands.h"
#include "toolutil.h"

#include <QGuiApplication>
#include <QLoggingCategory>

#include <cstring>
#include <memory>

namespace {

struct Command
{
    const char *name;
    const char *summary;
    int (*run)(const QStringList &args);
    bool needsGui;
};

const Command commands[] = {
    {"dump", "print an ILDA file or a group image as JSON", runDump, false},
    {"convert", "load a file, check every frame, save it as .ild or C table", runConvert, false},
    {"revise", "thin frames or add dwell and highlight points", runRevise, false},
    {"projector", "run a simulated projector on a loopback address", runProjector, false},
    {"discover", "search for projectors and list them", runDiscover, false},
    {"stream", "send the frames of an ILDA file as frame packets", runStream, false},
    {"group", "export play groups as a group image, text image or ILDA file", runGroup, false},
    {"verify", "check a group image: header, length, checksum, table addresses", runVerify, false},
    {"demo", "write a small demo show: ILDA patterns, group settings, tab list", runDemo, false},
    {"render", "paint one frame into a PNG as the frame view does", runRender, true},
    {"lint", "check an ILDA file for problems a projector chokes on", runLint, false},
    {"import", "SVG files to frames, one frame per file", runImport, true},
    {"text", "outline or single-stroke text as a frame", runText, true},
    {"optimize", "stroke order and direction, dwell, step subdivision, point budget", runOptimize, false},
};

void usage(QTextStream &s)
{
    s << "Usage: ildatool COMMAND [options] [arguments]\n\nCommands:\n";
    for (const Command &c : commands)
        s << "  " << QString::fromLatin1(c.name).leftJustified(10) << c.summary << "\n";
    s << "\nEvery command has --help. Set BEAMDECK_VERBOSE=1 for the library's log lines.\n";
    s.flush();
}

} // namespace

int main(int argc, char *argv[])
{
    // The library's debug lines are off unless asked for, here or with
    // QT_LOGGING_RULES="beamdeck.*.debug=true".
    if (qEnvironmentVariableIntValue("BEAMDECK_VERBOSE") != 0)
        QLoggingCategory::setFilterRules(QStringLiteral("beamdeck.*.debug=true"));

    const Command *cmd = nullptr;
    if (argc >= 2)
        for (const Command &c : commands)
            if (std::strcmp(argv[1], c.name) == 0)
                cmd = &c;
    if (!cmd) {
        if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
            usage(out());
            return ExitOk;
        }
        if (argc >= 2)
            err() << "ildatool: unknown command '" << QString::fromLocal8Bit(argv[1]) << "'\n\n";
        usage(err());
        return ExitUsage;
    }

    std::unique_ptr<QCoreApplication> app;
    if (cmd->needsGui) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app.reset(new QGuiApplication(argc, argv));
    } else {
        app.reset(new QCoreApplication(argc, argv));
    }
    configureApplication();
    QStringList args = app->arguments().mid(2);
    return cmd->run(args);
}
