#include "commands.h"
#include "foldersettings.h"
#include "groupimagebuilder.h"
#include "groupimageformat.h"
#include "groupimagereader.h"
#include "palette.h"
#include "playfiles.h"
#include "regularfile.h"
#include "tablist.h"
#include "toolprogress.h"
#include "toolutil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

void addCheckedRows(const QVector<PlayFiles::SettingsRow> &rows, ExportGroup &group)
{
    for (const PlayFiles::SettingsRow &row : rows)
        if (row.check)
            group.files.push_back(row);
}

void reportLeftOut(const GroupImageBuilder &builder, const std::vector<ExportGroup> &groups, bool multi)
{
    for (const GroupImageBuilder::LeftOut &l : builder.leftOut())
        err() << "ildatool group: " << l.path << " yields no frames, left out (" << l.read.reason() << ")\n";
    const auto &places = builder.placement();
    if (multi)
        for (size_t g = 0; g < places.size() && g < groups.size(); ++g)
            if (!places[g].exported)
                err() << "ildatool group: group " << groups[g].name << " has no files to export; left out\n";
    err().flush();
}

} // namespace

int runGroup(const QStringList &args)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("OUT"),
                                 QStringLiteral("Output: .ilg or .txg with --list; .ilg, .txg or .ild with --csv."));
    const QCommandLineOption list(QStringLiteral("list"), QStringLiteral("Tab list: export its checked groups."),
                                  QStringLiteral("PLAY.list"));
    const QCommandLineOption csv(QStringLiteral("csv"), QStringLiteral("Group settings file: export this one group."),
                                 QStringLiteral("GROUP.csv"));
    const QCommandLineOption palette(QStringLiteral("palette"),
                                     QStringLiteral("Indexed colour table: 0 Default_, 1 IildStd."),
                                     QStringLiteral("0|1"), QStringLiteral("0"));
    const QCommandLineOption time(QStringLiteral("time"),
                                  QStringLiteral("Creation time in seconds since 1970 (default: SOURCE_DATE_EPOCH, "
                                                 "else now)."),
                                  QStringLiteral("SECONDS"));
    parser.addOptions({list, csv, palette, time});
    int code = 0;
    if (!parseCommand(parser, QStringLiteral("group"),
                      QStringLiteral("Exports play groups as the application does: with --list the checked groups "
                                     "of a tab list as a group image (.ilg) or text group image (.txg); with --csv "
                                     "one group as a single-group image (.ilg), single-group text image (.txg) or "
                                     "combined ILDA file (.ild)."),
                      args, 1, code))
        return code;

    auto usageError = [](const QString &message) {
        err() << "ildatool group: " << message << "\nTry 'ildatool group --help'.\n";
        err().flush();
        return int(ExitUsage);
    };
    if (parser.isSet(list) == parser.isSet(csv))
        return usageError(QStringLiteral("give exactly one of --list and --csv"));
    const QString paletteText = parser.value(palette);
    if (paletteText != QLatin1String("0") && paletteText != QLatin1String("1"))
        return usageError(QStringLiteral("--palette takes 0 or 1"));
    OwnedViewSettings view;
    view->colors.offset = paletteText == QLatin1String("1") ? 150 : 0;

    GroupImageBuilder builder;
    builder.setColors(view->colors, view->palette);
    if (parser.isSet(time)) {
        bool ok = false;
        const qint64 seconds = parser.value(time).toLongLong(&ok);
        if (!ok)
            return usageError(QStringLiteral("--time takes whole seconds"));
        builder.setCreationTime(seconds);
    }

    const QString outPath = parser.positionalArguments().at(0);
    const QString ext = QFileInfo(outPath).suffix();
    const bool multi = parser.isSet(list);
    GroupImageBuilder::Variant variant = GroupImageBuilder::GroupImage;
    bool combined = false;
    if (ext == QLatin1String("ilg"))
        variant = multi ? GroupImageBuilder::GroupImage : GroupImageBuilder::SingleGroupImage;
    else if (ext == QLatin1String("txg"))
        variant = multi ? GroupImageBuilder::TextGroupImage : GroupImageBuilder::SingleGroupText;
    else if (ext == QLatin1String("ild") && !multi)
        combined = true;
    else
        return usageError(multi ? QStringLiteral("OUT must end in .ilg or .txg")
                                : QStringLiteral("OUT must end in .ilg, .txg or .ild"));

    // The list or settings file lies in the play folder; its parent is the
    // root of relative paths, as when the application opens it.
    const QString input = QFileInfo(multi ? parser.value(list) : parser.value(csv)).absoluteFilePath();
    FolderSettings folders;
    folders.home = QDir::currentPath();
    PlayFiles::splitListFolder(PlayFiles::folderOf(input), folders.localDir, folders.playFolder);

    std::vector<ExportGroup> groups;
    if (multi) {
        QFile file;
        if (!openRegularTextFile(input, file)) {
            err() << "ildatool group: cannot open " << input << ": "
                  << (file.fileName().isEmpty() ? QStringLiteral("not a regular file") : file.errorString()) << "\n";
            err().flush();
            return ExitBadInput;
        }
        file.close();
        // The same groups, rows and paths as the application loads.
        bool isList = false;
        QString why;
        const QVector<TabList::Group> listedGroups = TabList::load(input, folders, &isList, &why);
        if (!isList) {
            err() << "ildatool group: " << input << " is not a play list: " << why << "\n";
            err().flush();
            return ExitBadInput;
        }
        for (const TabList::Group &listed : listedGroups) {
            if (!listed.check)
                continue;
            ExportGroup group;
            group.name = GroupImageFormat::groupName(listed.settingsName);
            if (!listed.found) {
                // The application starts such a group empty; so does the export.
                err() << "ildatool group: cannot open " << listed.settingsPath << "; the group stays empty\n";
                err().flush();
            }
            addCheckedRows(listed.rows, group);
            groups.push_back(group);
        }
    } else {
        ExportGroup group;
        group.name =
            GroupImageFormat::groupName(PlayFiles::settingsNameFor(PlayFiles::fileNameOf(input), folders.playFolder));
        QVector<PlayFiles::SettingsRow> rows;
        if (!TabList::readGroupSettings(input, folders, rows)) {
            err() << "ildatool group: cannot open " << input << "\n";
            err().flush();
            return ExitBadInput;
        }
        addCheckedRows(rows, group);
        groups.push_back(group);
    }

    ToolProgress progress(QStringLiteral("group"));
    progress.setStage(QStringLiteral("exporting"));
    builder.setProgress(progress.callback());
    const GroupImageBuilder::Outcome outcome =
        combined ? builder.saveCombinedIlda(groups.front(), outPath) : builder.save(variant, groups, outPath);
    reportLeftOut(builder, groups, multi);
    if (outcome != GroupImageBuilder::Written) {
        err() << "ildatool group: " << builder.errorString() << "\n";
        err() << "ildatool group: nothing written; " << outPath << " is unchanged\n";
        err().flush();
        return ExitBadInput;
    }
    if (!combined) {
        const GroupLayout &layout = builder.layout();
        out() << outPath << ": " << layout.groupCount() << " group(s), " << layout.totalFiles() << " file(s), "
              << layout.totalFrames() << " frame(s), " << layout.totalVertices() << " point(s), "
              << builder.imageLength() << " bytes";
        if (variant == GroupImageBuilder::GroupImage)
            out() << ", checksum 0x" << QString::number(builder.checksum(), 16);
        out() << "\n";
        out().flush();
    }
    return ExitOk;
}

int runVerify(const QStringList &args)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("IMAGE"),
                                 QStringLiteral("Group image or single-group image (.ilg), or text image (.txg)."));
    int code = 0;
    if (!parseCommand(parser, QStringLiteral("verify"),
                      QStringLiteral("Checks a group image: header magic and kind, length field, checksum, every "
                                     "table address in bounds and contiguous. A single-group image (no header) "
                                     "is checked for its tables, addresses and length; a text image (.txg) for "
                                     "readable lines, counts that add up and every address where the layout puts "
                                     "it. An image that holds no groups fails. Exit 1 on any inconsistency."),
                      args, 1, code))
        return code;
    const QString path = parser.positionalArguments().at(0);
    // Read, not mapped: an image cut short meanwhile must not end the process.
    QFile file;
    IldReadResult opened = openRegularFile(path, file);
    std::unique_ptr<uchar[]> bytes;
    qint64 length = 0;
    if (!opened.ok() || !readWholeFile(file, bytes, length, opened)) {
        err() << "ildatool verify: cannot open " << path << ": "
              << (opened.kind == IldReadResult::Unreadable ? opened.detail : opened.reason()) << "\n";
        err().flush();
        return ExitBadInput;
    }
    // Text images are small; binary ones may pass the 2 GiB of a QByteArray.
    const QByteArray head =
        QByteArray::fromRawData(reinterpret_cast<const char *>(bytes.get()), int(qMin<qint64>(length, 16)));
    GroupImageCheck c;
    if (!head.startsWith("cal complete"))
        c = verifyGroupImage(bytes.get(), length);
    else if (length < (qint64(1) << 30))
        c = verifyTextGroupImage(QByteArray(reinterpret_cast<const char *>(bytes.get()), int(length)));
    else
        c.errors << QStringLiteral("a text image of %1 bytes is too large to check").arg(length);
    if (c.kind == GroupImageCheck::GroupImage)
        out() << path << ": " << c.size << " bytes, created " << c.creationTime << ", " << c.groups << " group(s), "
              << c.files << " file(s), " << c.frames << " frame(s), " << c.vertices << " point(s), data end "
              << c.dataEnd << ", checksum 0x" << QString::number(c.storedChecksum, 16) << " (computed 0x"
              << QString::number(c.computedChecksum, 16) << "), length field " << c.storedLength << "\n";
    else
        out() << path << ": " << c.kindName() << ", " << c.size << " bytes, " << c.groups << " group(s), " << c.files
              << " file(s), " << c.frames << " frame(s), " << c.vertices << " point(s), data end " << c.dataEnd << "\n";
    out().flush();
    for (const QString &e : c.errors)
        err() << "ildatool verify: " << e << "\n";
    err().flush();
    if (!c.ok())
        return ExitBadInput;
    out() << "OK\n";
    out().flush();
    return ExitOk;
}
