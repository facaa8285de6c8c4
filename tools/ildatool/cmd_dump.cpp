#include "commands.h"
#include "ildframeset.h"
#include "palette.h"
#include "toolutil.h"

int runDump(const QStringList &args)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("FILE.ild"), QStringLiteral("ILDA file to read."));
    int code = 0;
    if (!parseCommand(parser, QStringLiteral("dump"),
                      QStringLiteral("Reads an ILDA file as the application does and prints it as JSON."), args, 1,
                      code))
        return code;

    IldFrameSet set;
    if (!loadIldaFile(parser.positionalArguments().at(0), set))
        return ExitBadInput;

    QTextStream &o = out();
    o << "{\"paletteSize\": " << globalPalette().size() << ", \"maxPointCount\": " << set.maxPointCount
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
            o << (firstVertex ? "" : ", ") << '[' << v.x << ", " << v.y << ", " << v.z << ", " << v.r << ", "
              << v.g << ", " << v.b << ", " << v.status << ", " << v.colorIndex << ']';
            firstVertex = false;
        }
        o << "]}";
    }
    o << "]}\n";
    o.flush();
    return ExitOk;
}
