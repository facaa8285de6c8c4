#include "commands.h"
#include "groupimagereader.h"
#include "ildframeset.h"
#include "palette.h"
#include "toolprogress.h"
#include "toolutil.h"

namespace {

bool isGroupImagePath(const QString &path)
{
    return path.endsWith(QLatin1String(".ilg"), Qt::CaseInsensitive) ||
           path.endsWith(QLatin1String(".txg"), Qt::CaseInsensitive);
}

// Groups, files and frames of a group image, points in ILDA units with the
// status the image implies (black: blanked; the last point of a frame).
int dumpGroupImage(const QString &path)
{
    const GroupImageTables image = readGroupImageFile(path);
    for (const QString &problem : image.problems)
        err() << "ildatool dump: " << path << ": " << problem << "\n";
    err().flush();
    if (image.groups.empty()) {
        // As verify says: an image of no groups plays nothing.
        if (image.problems.isEmpty())
            err() << "ildatool dump: " << path << ": the image holds no groups\n";
        err().flush();
        return ExitBadInput;
    }

    QTextStream &o = out();
    o << "{\"groups\": [";
    bool firstGroup = true;
    for (const GroupImageTables::Group &g : image.groups) {
        o << (firstGroup ? "" : ",") << "\n {\"name\": " << jsonString(g.name) << ", \"files\": [";
        firstGroup = false;
        bool firstFile = true;
        for (const GroupImageTables::File &f : g.files) {
            o << (firstFile ? "" : ",") << "\n  {\"name\": " << jsonString(f.name) << ", \"playSpeed\": " << f.playSpeed
              << ", \"colorType\": " << f.colorType << ", \"repeater\": " << f.repeater << ", \"frames\": [";
            firstFile = false;
            bool firstFrame = true;
            for (const IldFrame &frame : f.frames) {
                o << (firstFrame ? "" : ",") << "\n   {\"vertices\": [";
                firstFrame = false;
                bool firstVertex = true;
                for (const IldVertex &v : frame.vertices) {
                    o << (firstVertex ? "" : ", ") << '[' << v.x << ", " << v.y << ", " << v.r << ", " << v.g << ", "
                      << v.b << ", " << v.status << ']';
                    firstVertex = false;
                }
                o << "]}";
            }
            o << "]}";
        }
        o << "]}";
    }
    o << "]}\n";
    o.flush();
    return image.problems.isEmpty() ? ExitOk : ExitBadInput;
}

} // namespace

int runDump(const QStringList &args)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("ILDA file (.ild), or group image (.ilg) or text group image (.txg)."));
    int code = 0;
    if (!parseCommand(
            parser, QStringLiteral("dump"),
            QStringLiteral("Reads an ILDA file as the application does and prints it as JSON.\n"
                           "A group image (.ilg, .txg) prints as {\"groups\": [{\"name\", \"files\": "
                           "[{\"name\", \"playSpeed\", \"colorType\", \"repeater\", \"frames\": "
                           "[{\"vertices\": [[x, y, r, g, b, status]]}]}]}]}, coordinates back in ILDA units; "
                           "a black point counts as blanked (status 64), the last point of a frame carries "
                           "128. A single-group image has one group with an empty name."),
            args, 1, code))
        return code;
    if (isGroupImagePath(parser.positionalArguments().at(0)))
        return dumpGroupImage(parser.positionalArguments().at(0));

    IldFrameSet set;
    OwnedViewSettings view;
    {
        ToolProgress progress(QStringLiteral("dump"));
        progress.setStage(QStringLiteral("reading"));
        if (!loadIldaFile(parser.positionalArguments().at(0), set, *view.get(), progress.callback()))
            return ExitBadInput;
    }

    QTextStream &o = out();
    o << "{\"paletteSize\": " << view->palette->size() << ", \"maxPointCount\": " << set.maxPointCount
      << ",\n \"frames\": [";
    bool firstFrame = true;
    for (const IldFrame &f : set.frames) {
        o << (firstFrame ? "" : ",") << "\n  {\"format\": " << f.format << ", \"name\": " << jsonString(f.name)
          << ", \"company\": " << jsonString(f.company) << ", \"pointCount\": " << f.pointCount
          << ", \"frameNumber\": " << f.frameNumber << ", \"totalFrames\": " << f.totalFrames
          << ", \"projector\": " << f.projector << ", \"reserved\": " << f.reserved << ",\n   \"vertices\": [";
        firstFrame = false;
        bool firstVertex = true;
        for (const IldVertex &v : f.vertices) {
            o << (firstVertex ? "" : ", ") << '[' << v.x << ", " << v.y << ", " << v.z << ", " << v.r << ", " << v.g
              << ", " << v.b << ", " << v.status << ", " << v.colorIndex << ']';
            firstVertex = false;
        }
        o << "]}";
    }
    o << "]}\n";
    o.flush();
    return ExitOk;
}
