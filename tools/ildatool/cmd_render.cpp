#include "commands.h"
#include "framerenderer.h"
#include "groupimagereader.h"
#include "ildframeset.h"
#include "palette.h"
#include "toolutil.h"

#include <QImage>
#include <QPainter>
#include <QSaveFile>

#include <algorithm>
#include <climits>
#include <utility>

namespace {

// The frame view's default point limit; the thumbnail uses the same here.
constexpr int WarningPoints = 600;
constexpr int MaxSide = 16384;

bool positiveOption(const QCommandLineParser &parser, const QCommandLineOption &option, int max, int &value)
{
    return intOption(QStringLiteral("render"), parser, option, 1, max, value);
}

} // namespace

int runRender(const QStringList &args)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("IN"),
                                 QStringLiteral("ILDA file (.ild), or group image (.ilg) or text group image (.txg)."));
    parser.addPositionalArgument(QStringLiteral("OUT"), QStringLiteral("PNG image to write."));
    const QCommandLineOption frameOpt(QStringLiteral("frame"), QStringLiteral("Frame to paint, from 0 (default 0)."),
                                      QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption widthOpt(QStringLiteral("width"), QStringLiteral("Image width in pixels (default 600)."),
                                      QStringLiteral("W"), QStringLiteral("600"));
    const QCommandLineOption heightOpt(QStringLiteral("height"),
                                       QStringLiteral("Image height in pixels (default 600)."), QStringLiteral("H"),
                                       QStringLiteral("600"));
    const QCommandLineOption sizeOpt(
        QStringLiteral("size"), QStringLiteral("Picture size in percent, as the view's size slider (default 100)."),
        QStringLiteral("PERCENT"), QStringLiteral("100"));
    const QCommandLineOption beamOpt(QStringLiteral("beam"),
                                     QStringLiteral("Beam view: light fans from the projector."));
    const QCommandLineOption blankingOpt(QStringLiteral("blanking"), QStringLiteral("Show blanked moves in gray."));
    const QCommandLineOption centerOpt(QStringLiteral("center-lines"), QStringLiteral("Draw the centre cross."));
    const QCommandLineOption thumbOpt(QStringLiteral("thumbnail"),
                                      QStringLiteral("Paint as the editor's thumbnails do: dwell markers and the "
                                                     "\"End\" label, no beam view or blanked moves."));
    const QCommandLineOption groupOpt(QStringLiteral("group"),
                                      QStringLiteral("Group image only: group to paint from, from 0 (default 0)."),
                                      QStringLiteral("G"), QStringLiteral("0"));
    const QCommandLineOption fileOpt(QStringLiteral("file"),
                                     QStringLiteral("Group image only: file of the group, from 0 (default 0)."),
                                     QStringLiteral("F"), QStringLiteral("0"));
    for (const QCommandLineOption *o : {&groupOpt, &fileOpt, &frameOpt, &widthOpt, &heightOpt, &sizeOpt, &beamOpt,
                                        &blankingOpt, &centerOpt, &thumbOpt})
        parser.addOption(*o);
    int code = 0;
    if (!parseCommand(parser, QStringLiteral("render"),
                      QStringLiteral("Paints one frame of IN into the PNG image OUT exactly as the frame view (or, "
                                     "with --thumbnail, the thumbnail) paints it, on black. The over-limit warning "
                                     "(yellow cross) shows above 600 points."),
                      args, 2, code))
        return code;

    int width = 0, height = 0, size = 0;
    if (!positiveOption(parser, widthOpt, MaxSide, width) || !positiveOption(parser, heightOpt, MaxSide, height) ||
        !positiveOption(parser, sizeOpt, 10000, size))
        return ExitUsage;
    int frameIndex = 0, groupIndex = 0, fileIndex = 0;
    for (auto [option, value] :
         {std::pair(&frameOpt, &frameIndex), std::pair(&groupOpt, &groupIndex), std::pair(&fileOpt, &fileIndex)})
        if (!intOption(QStringLiteral("render"), parser, *option, 0, INT_MAX, *value))
            return ExitUsage;
    const bool thumbnail = parser.isSet(thumbOpt);
    if (thumbnail && (parser.isSet(beamOpt) || parser.isSet(blankingOpt))) {
        err() << "ildatool render: --thumbnail paints neither the beam view nor blanked moves\n";
        err().flush();
        return ExitUsage;
    }

    const QString in = parser.positionalArguments().at(0);
    const QString outPath = parser.positionalArguments().at(1);
    const bool fromImage = in.endsWith(QLatin1String(".ilg"), Qt::CaseInsensitive) ||
                           in.endsWith(QLatin1String(".txg"), Qt::CaseInsensitive);
    if (!fromImage && (parser.isSet(groupOpt) || parser.isSet(fileOpt))) {
        err() << "ildatool render: --group and --file choose a file of a group image (.ilg, .txg)\n";
        err().flush();
        return ExitUsage;
    }
    IldFrameSet set;
    OwnedViewSettings view;
    if (fromImage) {
        // The image's own points, as format-5 frames.
        GroupImageTables tables = readGroupImageFile(in);
        for (const QString &problem : tables.problems)
            err() << "ildatool render: " << in << ": " << problem << "\n";
        err().flush();
        if (size_t(groupIndex) >= tables.groups.size()) {
            err() << "ildatool render: " << in << " has " << tables.groups.size() << " group(s); there is no group "
                  << groupIndex << "\n";
            err().flush();
            return ExitBadInput;
        }
        std::vector<GroupImageTables::File> &files = tables.groups[size_t(groupIndex)].files;
        if (size_t(fileIndex) >= files.size()) {
            err() << "ildatool render: group " << groupIndex << " of " << in << " has " << files.size()
                  << " file(s); there is no file " << fileIndex << "\n";
            err().flush();
            return ExitBadInput;
        }
        set.frames = std::move(files[size_t(fileIndex)].frames);
        for (const IldFrame &f : set.frames)
            set.maxPointCount = std::max(set.maxPointCount, f.pointCount);
    } else if (!loadIldaFile(in, set, *view.get())) {
        return ExitBadInput;
    }
    if (size_t(frameIndex) >= set.frames.size()) {
        err() << "ildatool render: " << in << (fromImage ? " (that file)" : "") << " has " << set.frames.size()
              << " frame(s); there is no frame " << frameIndex << "\n";
        err().flush();
        return ExitBadInput;
    }

    PaintOptions options = thumbnail ? PaintOptions::thumbnail() : PaintOptions::frameView();
    options.centerLines = parser.isSet(centerOpt);
    IldFrame &frame = set.frames[size_t(frameIndex)];
    frame.scaleX = frame.scaleY = float(size) / 100.0f;

    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Qt4CompatiblePainting);
        if (thumbnail) {
            options.warn = int(frame.pointCount) > WarningPoints;
        } else {
            options.beamView = parser.isSet(beamOpt);
            options.showBlanking = parser.isSet(blankingOpt);
            options.warn = int(set.maxPointCount) > WarningPoints;
        }
        FrameRenderer renderer;
        renderer.paint(&painter, frame, view->colors, options);
    }

    QSaveFile file(outPath);
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit()) {
        err() << "ildatool render: could not write " << outPath << ": " << file.errorString() << "\n";
        err().flush();
        return ExitBadInput;
    }
    return ExitOk;
}
