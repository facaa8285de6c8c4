#include "groupimagereader.h"

#include "bytecursor.h"
#include "crcengine.h"
#include "dac.h"
#include "groupimageformat.h"
#include "grouplayout.h"
#include "regularfile.h"

#include "textcodec.h"

#include <QFile>

#include <algorithm>

namespace {

QString storedName(const uchar *p, int size)
{
    int n = 0;
    while (n < size && p[n] != 0)
        ++n;
    return TextCodec::fromGbk(QByteArray(reinterpret_cast<const char *>(p), n));
}

GroupImageTables::Group readGroup(ByteCursor &in)
{
    GroupImageTables::Group g;
    g.name = storedName(in.here(), GroupImageFormat::GroupNameSize);
    in.skip(GroupImageFormat::GroupNameSize);
    g.groupCount = in.u8();
    g.index = in.u8();
    g.fileCount = in.u8();
    g.fileTableAddress = in.u32();
    return g;
}

GroupImageTables::File readFile(ByteCursor &in)
{
    GroupImageTables::File f;
    f.name = storedName(in.here(), GroupImageFormat::FileNameSize);
    in.skip(GroupImageFormat::FileNameSize);
    f.index = in.u8();
    f.frameCount = in.u16();
    f.frameTableAddress = in.u32();
    f.playSpeed = in.u8();
    f.colorType = in.u8();
    f.repeater = in.u8();
    return f;
}

} // namespace

GroupImageTables readGroupImageTables(const uchar *data, qint64 size)
{
    GroupImageTables t;
    if (size < GroupImageFormat::HeaderSize) {
        t.problems
            << QStringLiteral("shorter than its %1-byte header (%2 bytes)").arg(GroupImageFormat::HeaderSize).arg(size);
        return t;
    }
    ByteCursor in(data, size);
    in.seek(GroupImageFormat::HeaderSize);

    // Group records until the one whose index is G - 1. Indices are 8-bit, so
    // a table that never reaches it is cut off after 256 records.
    while (true) {
        if (in.remaining() < GroupLayout::GroupRecordSize) {
            if (in.remaining() == 0 && t.groups.empty())
                t.problems << QStringLiteral("the image holds no groups");
            else if (in.remaining() > 0 || t.groups.empty())
                t.problems << QStringLiteral("group table cut short at byte %1").arg(in.pos());
            break;
        }
        GroupImageTables::Group g = readGroup(in);
        if (g.groupCount == 0) {
            t.problems << QStringLiteral("group record at byte %1 counts 0 groups")
                              .arg(in.pos() - GroupLayout::GroupRecordSize);
            break;
        }
        t.groupCount = g.groupCount;
        const bool last = g.index == g.groupCount - 1;
        t.groups.push_back(std::move(g));
        if (last)
            break;
        if (t.groups.size() >= 256) {
            t.problems << QStringLiteral("group table has no last record");
            break;
        }
    }

    // File records follow, group after group.
    for (GroupImageTables::Group &g : t.groups) {
        if (g.fileCount == 0)
            continue;
        bool cut = false;
        while (true) {
            if (in.remaining() < GroupLayout::FileRecordSize) {
                t.problems << QStringLiteral("file table cut short at byte %1").arg(in.pos());
                cut = true;
                break;
            }
            GroupImageTables::File f = readFile(in);
            const bool last = f.index == g.fileCount - 1;
            g.files.push_back(std::move(f));
            if (last)
                break;
            if (g.files.size() >= 256) {
                t.problems << QStringLiteral("file table of group %1 has no last record").arg(g.index);
                break;
            }
        }
        if (cut)
            break;
    }
    return t;
}

qint16 storedToIlda(quint16 value)
{
    // Coordinates below -32768 were wrapped into 16 bits when stored.
    const int v = Dac::fromDac(qint16(value));
    return qint16(qBound(-32767, v, 32767));
}

namespace {

IldFrame storedFrame(int index, int total)
{
    IldFrame f;
    f.format = 5;
    f.frameNumber = quint16(index);
    f.totalFrames = quint16(total);
    f.check = true;
    return f;
}

// Blanked points are stored black; the last point gets its bit back.
void finishFrame(IldFrame &f)
{
    f.pointCount = quint16(f.vertices.size());
    if (!f.vertices.empty())
        f.vertices.back().status |= IldVertex::LastPoint;
}

// Records each image holds at most once; tables pointing at the same data
// again and again must not make the reader decode it again and again.
struct ReadBudget
{
    quint64 frames;
    quint64 vertices;
};

bool readFrames(GroupImageTables::File &file, const uchar *data, qint64 size, QStringList &problems, ReadBudget &budget)
{
    ByteCursor in(data, size);
    for (int k = 0; k < file.frameCount; ++k) {
        if (budget.frames == 0) {
            problems << QStringLiteral("the tables name more frames than the image can hold");
            return false;
        }
        --budget.frames;
        const quint64 record = quint64(file.frameTableAddress) + quint64(k) * GroupLayout::FrameRecordSize;
        if (record + GroupLayout::FrameRecordSize > quint64(size)) {
            problems << QStringLiteral("frame record %1 of file %2 at byte %3 lies past the end")
                            .arg(k)
                            .arg(file.name)
                            .arg(record);
            return true;
        }
        in.seek(qint64(record));
        in.skip(2);
        const quint16 count = in.u16();
        const quint32 address = in.u32();
        IldFrame f = storedFrame(k, file.frameCount);
        const quint64 end = quint64(address) + quint64(count) * GroupLayout::VertexRecordSize;
        const quint64 present =
            end > quint64(size)
                ? (address < quint64(size) ? (quint64(size) - address) / GroupLayout::VertexRecordSize : 0)
                : count;
        if (present < count)
            problems << QStringLiteral("points of frame %1 of file %2 run past the end").arg(k).arg(file.name);
        if (present > budget.vertices) {
            problems << QStringLiteral("the tables name more points than the image can hold");
            return false;
        }
        budget.vertices -= present;
        f.vertices.resize(size_t(present));
        const uchar *p = data + address;
        for (IldVertex &v : f.vertices) {
            v.x = storedToIlda(quint16(p[0] << 8 | p[1]));
            v.y = storedToIlda(quint16(p[2] << 8 | p[3]));
            v.r = p[4];
            v.g = p[5];
            v.b = p[6];
            if (v.r == 0 && v.g == 0 && v.b == 0)
                v.status = IldVertex::Blanked;
            p += GroupLayout::VertexRecordSize;
        }
        finishFrame(f);
        file.frames.push_back(std::move(f));
    }
    return true;
}

// A single-group image starts with its file table; the first record's
// frame-table address tells how many records it has.
bool looksSingleGroup(const uchar *data, qint64 size)
{
    if (size >= 24 && (QByteArray(reinterpret_cast<const char *>(data), 8) == QByteArray("tovrim\0\0", 8) ||
                       QByteArray(reinterpret_cast<const char *>(data + 16), 8) == QByteArray("CRCFlash")))
        return false;
    if (size < GroupLayout::FileRecordSize)
        return false;
    ByteCursor in(data, size);
    in.seek(GroupImageFormat::FileNameSize);
    const int index = in.u8();
    in.skip(2);
    const quint32 frameTable = in.u32();
    return index == 0 && frameTable > 0 && frameTable % GroupLayout::FileRecordSize == 0 && frameTable <= quint64(size);
}

} // namespace

GroupImageTables readGroupImage(const uchar *data, qint64 size)
{
    GroupImageTables t;
    if (looksSingleGroup(data, size)) {
        t.singleGroup = true;
        ByteCursor in(data, size);
        in.seek(GroupImageFormat::FileNameSize + 3);
        const quint32 files = in.u32() / GroupLayout::FileRecordSize;
        GroupImageTables::Group g;
        g.groupCount = 1;
        g.fileCount = quint8(std::min<quint32>(files, 255));
        in.seek(0);
        for (quint32 i = 0; i < files; ++i)
            g.files.push_back(readFile(in));
        t.groupCount = 1;
        t.groups.push_back(std::move(g));
    } else {
        t = readGroupImageTables(data, size);
    }
    ReadBudget budget{quint64(size) / GroupLayout::FrameRecordSize, quint64(size) / GroupLayout::VertexRecordSize};
    for (GroupImageTables::Group &g : t.groups)
        for (GroupImageTables::File &f : g.files)
            if (!readFrames(f, data, size, t.problems, budget))
                return t;
    return t;
}

namespace {

// "label:value" among the comma-separated items of a text line.
int labelled(const QStringList &items, const QString &label, bool *ok)
{
    for (const QString &item : items)
        if (item.startsWith(label))
            return item.mid(label.size()).toInt(ok);
    *ok = false;
    return 0;
}

// An address item "label0xHEX" and the decimal item after it; they must agree.
quint32 statedAddress(const QStringList &items, const QString &label, bool *ok)
{
    *ok = false;
    for (int i = 0; i + 1 < items.size(); ++i) {
        if (!items.at(i).startsWith(label + QLatin1String("0x")))
            continue;
        bool okHex = false, okDec = false;
        const quint32 hex = items.at(i).mid(label.size() + 2).toUInt(&okHex, 16);
        const quint32 dec = items.at(i + 1).toUInt(&okDec);
        *ok = okHex && okDec && hex == dec;
        return hex;
    }
    return 0;
}

} // namespace

GroupImageTables readTextGroupImage(const QByteArray &bytes)
{
    GroupImageTables t;
    const QStringList lines = TextCodec::fromGbk(bytes).split(QLatin1Char('\n'));
    enum Section { Start, Groups, Files, Frames, Points, Done } section = Start;
    std::vector<GroupImageTables::File *> files;
    std::vector<int> pointCounts; // per frame line, in order
    std::vector<IldFrame *> framePtrs;
    size_t fileAt = 0;  // file receiving frame lines
    size_t frameAt = 0; // frame receiving point lines
    auto problem = [&t](int line, const QString &what) {
        if (t.problems.size() < 20)
            t.problems << QStringLiteral("line %1: %2").arg(line + 1).arg(what);
    };

    for (int n = 0; n < lines.size() && section != Done; ++n) {
        QString line = lines.at(n);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty())
            continue;
        if (section == Start) {
            if (line == QLatin1String("cal complete"))
                continue;
            if (line.startsWith(QLatin1String("tovrim"))) {
                t.creationTime = line.section(QLatin1Char(','), 1, 1).toLongLong();
                section = Groups;
                continue;
            }
            if (line.startsWith(QLatin1String("init_address_file_table:"))) {
                t.singleGroup = true;
                t.groupCount = 1;
                GroupImageTables::Group g;
                g.groupCount = 1;
                t.groups.push_back(g);
                section = Files;
                continue;
            }
            problem(n, QStringLiteral("not a text group image"));
            return t;
        }
        if (line.startsWith(QLatin1String("----start_address_file_table:"))) {
            section = Files;
            continue;
        }
        if (line.startsWith(QLatin1String("----start_address_frame_table:")) ||
            line.startsWith(QLatin1String("init_address_frame_table:"))) {
            section = Frames;
            continue;
        }
        if (line.startsWith(QLatin1String("----start_address_XYRGB_data:")) ||
            line.startsWith(QLatin1String("init_address_XYRGB_data:"))) {
            section = Points;
            continue;
        }
        if (line == QLatin1String("out complete")) {
            section = Done;
            break;
        }
        if (line.startsWith(QLatin1String("new "))) // address lines: the order says it all
            continue;

        bool ok = true;
        bool addressOk = true;
        auto address = [&](const QStringList &items, const QString &label) {
            const quint32 a = statedAddress(items, label, &addressOk);
            if (!addressOk && t.addressProblems.size() < 20)
                t.addressProblems << QStringLiteral("line %1: unreadable address").arg(n + 1);
            return a;
        };
        switch (section) {
        case Groups: {
            const QStringList items = line.mid(GroupImageFormat::GroupNameSize).split(QLatin1Char(','));
            GroupImageTables::Group g;
            g.name = line.left(GroupImageFormat::GroupNameSize).trimmed();
            g.groupCount = quint8(labelled(items, QStringLiteral("tab/group:"), &ok));
            g.index = quint8(items.value(2).toInt());
            g.fileCount = ok ? quint8(labelled(items, QStringLiteral("file num:"), &ok)) : 0;
            if (!ok) {
                problem(n, QStringLiteral("bad group line"));
                return t;
            }
            g.fileTableAddress = address(items, QStringLiteral("file address:"));
            t.groupCount = g.groupCount;
            t.groups.push_back(g);
            break;
        }
        case Files: {
            const QStringList items = line.mid(GroupImageFormat::FileNameSize).split(QLatin1Char(','));
            GroupImageTables::File f;
            f.name = line.left(GroupImageFormat::FileNameSize).trimmed();
            f.index = quint8(labelled(items, QStringLiteral("file:"), &ok));
            if (ok)
                f.frameCount = quint16(labelled(items, QStringLiteral("frame:"), &ok));
            if (ok)
                f.playSpeed = quint8(labelled(items, QStringLiteral("speed:"), &ok));
            if (ok)
                f.colorType = quint8(labelled(items, QStringLiteral("color:"), &ok));
            if (ok)
                f.repeater = quint8(labelled(items, QStringLiteral("repeater:"), &ok));
            if (!ok) {
                problem(n, QStringLiteral("bad file line"));
                return t;
            }
            f.frameTableAddress = address(items, QStringLiteral("frame address:"));
            // File lines fill the groups in order, each up to its file count.
            size_t g = 0;
            if (!t.singleGroup) {
                while (g < t.groups.size() && int(t.groups[g].files.size()) >= t.groups[g].fileCount)
                    ++g;
                if (g == t.groups.size()) {
                    problem(n, QStringLiteral("more file lines than the groups count"));
                    return t;
                }
            } else {
                t.groups[0].fileCount = quint8(t.groups[0].files.size() + 1);
            }
            t.groups[g].files.push_back(f);
            break;
        }
        case Frames: {
            const QStringList items = line.split(QLatin1Char(','));
            const int count = labelled(items, QStringLiteral("vertex num:"), &ok);
            if (!ok || !line.startsWith(QLatin1String("frame:"))) {
                problem(n, QStringLiteral("bad frame line"));
                return t;
            }
            if (files.empty())
                for (GroupImageTables::Group &g : t.groups)
                    for (GroupImageTables::File &f : g.files)
                        files.push_back(&f);
            while (fileAt < files.size() && int(files[fileAt]->frames.size()) >= files[fileAt]->frameCount)
                ++fileAt;
            if (fileAt == files.size()) {
                problem(n, QStringLiteral("more frame lines than the files count"));
                return t;
            }
            GroupImageTables::File *file = files[fileAt];
            file->frames.push_back(storedFrame(int(file->frames.size()), file->frameCount));
            file->statedVertexCounts.push_back(quint32(count));
            file->vertexAddresses.push_back(address(items, QStringLiteral("vertex address:")));
            pointCounts.push_back(count);
            break;
        }
        case Points: {
            // Frame lines are all read by now, so the frames stay put.
            if (framePtrs.empty())
                for (GroupImageTables::File *file : files)
                    for (IldFrame &fr : file->frames)
                        framePtrs.push_back(&fr);
            while (frameAt < framePtrs.size() && int(framePtrs[frameAt]->vertices.size()) >= pointCounts[frameAt])
                ++frameAt;
            IldFrame *f = frameAt < framePtrs.size() ? framePtrs[frameAt] : nullptr;
            const QStringList items = line.split(QLatin1Char(','));
            if (!f || items.size() < 5) {
                problem(n, f ? QStringLiteral("bad point line")
                             : QStringLiteral("more point lines than the frames count"));
                return t;
            }
            IldVertex v;
            bool okX = false, okY = false;
            v.x = storedToIlda(quint16(items[0].toUInt(&okX, 16)));
            v.y = storedToIlda(quint16(items[1].toUInt(&okY, 16)));
            if (items[2] == QLatin1String("0x00")) {
                v.status = IldVertex::Blanked;
            } else {
                bool okR = false, okG = false, okB = false;
                v.r = quint8(items[2].toUInt(&okR, 16));
                v.g = quint8(items[3].toUInt(&okG, 16));
                v.b = quint8(items[4].toUInt(&okB, 16));
                okX = okX && okR && okG && okB;
            }
            if (!okX || !okY) {
                problem(n, QStringLiteral("bad point line"));
                return t;
            }
            f->vertices.push_back(v);
            break;
        }
        default:
            break;
        }
    }
    if (section != Done)
        t.problems << QStringLiteral("text image ends before \"out complete\"");
    for (GroupImageTables::Group &g : t.groups)
        for (GroupImageTables::File &f : g.files) {
            if (int(f.frames.size()) != f.frameCount)
                t.problems << QStringLiteral("file %1 counts %2 frames, %3 listed")
                                  .arg(f.name)
                                  .arg(f.frameCount)
                                  .arg(f.frames.size());
            for (IldFrame &fr : f.frames)
                finishFrame(fr);
        }
    return t;
}

QString GroupImageCheck::kindName() const
{
    switch (kind) {
    case GroupImage:
        return QStringLiteral("group image");
    case SingleGroupImage:
        return QStringLiteral("single-group image");
    case TextGroupImage:
        return QStringLiteral("text group image");
    case SingleGroupText:
        return QStringLiteral("single-group text image");
    }
    return QString();
}

GroupImageCheck verifyTextGroupImage(const QByteArray &bytes)
{
    const GroupImageTables t = readTextGroupImage(bytes);
    GroupImageCheck c;
    c.kind = t.singleGroup ? GroupImageCheck::SingleGroupText : GroupImageCheck::TextGroupImage;
    c.size = bytes.size();
    c.creationTime = t.creationTime;
    c.errors = t.problems + t.addressProblems;
    c.groups = int(t.groups.size());
    std::vector<GroupLayout::GroupCounts> counts;
    for (const GroupImageTables::Group &g : t.groups) {
        if (!t.singleGroup && (size_t(g.groupCount) != t.groups.size() || size_t(g.index) != counts.size()))
            c.errors
                << QStringLiteral("group %1 is numbered %2 of %3").arg(counts.size()).arg(g.index).arg(g.groupCount);
        if (g.files.empty() || g.files.size() != size_t(g.fileCount))
            c.errors << QStringLiteral("group %1 counts %2 files, %3 listed")
                            .arg(counts.size())
                            .arg(g.fileCount)
                            .arg(g.files.size());
        GroupLayout::GroupCounts files;
        for (const GroupImageTables::File &f : g.files) {
            if (size_t(f.index) != files.size())
                c.errors
                    << QStringLiteral("file %1 has index %2, expected %3").arg(f.name).arg(f.index).arg(files.size());
            if (f.frames.empty())
                c.errors << QStringLiteral("file %1 has no frames").arg(f.name);
            for (size_t k = 0; k < f.frames.size() && k < f.statedVertexCounts.size(); ++k)
                if (f.frames[k].vertices.size() != f.statedVertexCounts[k])
                    c.errors << QStringLiteral("frame %1 of file %2 counts %3 points, %4 listed")
                                    .arg(k)
                                    .arg(f.name)
                                    .arg(f.statedVertexCounts[k])
                                    .arg(f.frames[k].vertices.size());
            files.push_back(f.statedVertexCounts);
            c.frames += f.frames.size();
            for (const IldFrame &frame : f.frames)
                c.vertices += frame.vertices.size();
        }
        c.files += files.size();
        counts.push_back(std::move(files));
    }
    if (c.groups == 0)
        c.errors << QStringLiteral("the image holds no groups");
    if (!c.ok())
        return c;
    const GroupLayout L(t.singleGroup ? 0 : GroupImageFormat::TextHeaderSize, !t.singleGroup, counts);
    c.dataEnd = L.end();
    auto mismatch = [&c](const QString &what, quint64 stated, quint64 expected) {
        if (stated != expected && c.errors.size() < 50)
            c.errors << QStringLiteral("%1 points to %2, the layout puts it at %3").arg(what).arg(stated).arg(expected);
    };
    for (int g = 0; g < L.groupCount(); ++g) {
        const GroupImageTables::Group &group = t.groups[size_t(g)];
        if (!t.singleGroup)
            mismatch(QStringLiteral("group %1").arg(g), group.fileTableAddress, L.fileRecordAddress(g));
        for (int f = 0; f < L.fileCount(g); ++f) {
            const GroupImageTables::File &file = group.files[size_t(f)];
            mismatch(QStringLiteral("file %1").arg(file.name), file.frameTableAddress, L.frameRecordAddress(g, f));
            for (int k = 0; k < L.frameCount(g, f); ++k)
                mismatch(QStringLiteral("frame %1 of file %2").arg(k).arg(file.name), file.vertexAddresses[size_t(k)],
                         L.vertexAddress(g, f, k));
        }
    }
    return c;
}

GroupImageTables readGroupImageFile(const QString &path)
{
    QByteArray bytes;
    IldReadResult read;
    if (!readRegularFile(path, bytes, read)) {
        GroupImageTables t;
        t.problems << QStringLiteral("cannot open %1: %2").arg(path, read.reason());
        return t;
    }
    if (bytes.startsWith("cal complete"))
        return readTextGroupImage(bytes);
    return readGroupImage(reinterpret_cast<const uchar *>(bytes.constData()), bytes.size());
}

namespace {

bool hasImageHeader(const uchar *data, qint64 size)
{
    return size >= 24 && (QByteArray(reinterpret_cast<const char *>(data), 8) == QByteArray("tovrim\0\0", 8) ||
                          QByteArray(reinterpret_cast<const char *>(data + 16), 8) == QByteArray("CRCFlash"));
}

// The file, frame and point tables from the cursor on, for groups of the
// given file counts. Returns the end of the point data, 0 when a table runs
// past the end of the file.
quint64 checkFileTables(ByteCursor &in, qint64 size, const std::vector<int> &fileCounts, GroupImageCheck &c)
{
    using namespace GroupImageFormat;
    const quint64 frameTable = quint64(in.pos()) + quint64(GroupLayout::FileRecordSize) * c.files;
    if (frameTable > quint64(size)) {
        c.errors << QStringLiteral("file table runs past the end of the file");
        return 0;
    }
    std::vector<int> frameCounts;
    quint64 expectFrame = frameTable;
    for (int files : fileCounts) {
        for (int f = 0; f < files; ++f) {
            const quint64 at = quint64(in.pos());
            in.skip(FileNameSize);
            const int index = in.u8();
            const int frames = in.u16();
            const quint32 address = in.u32();
            in.skip(3);
            if (index != f)
                c.errors
                    << QStringLiteral("file record at byte %1 has index %2, expected %3").arg(at).arg(index).arg(f);
            if (frames == 0)
                c.errors << QStringLiteral("file record at byte %1 has no frames").arg(at);
            if (address != expectFrame)
                c.errors << QStringLiteral("file record at byte %1 points to %2, its frame records begin at %3")
                                .arg(at)
                                .arg(address)
                                .arg(expectFrame);
            frameCounts.push_back(frames);
            expectFrame += quint64(GroupLayout::FrameRecordSize) * frames;
            c.frames += frames;
        }
    }
    const quint64 xyrgb = expectFrame;
    if (xyrgb > quint64(size)) {
        c.errors << QStringLiteral("frame table runs past the end of the file");
        return 0;
    }
    quint64 expectVertex = xyrgb;
    for (int frames : frameCounts) {
        for (int k = 0; k < frames; ++k) {
            const quint64 at = quint64(in.pos());
            const int index = in.u16();
            const int vertices = in.u16();
            const quint32 address = in.u32();
            if (index != k)
                c.errors
                    << QStringLiteral("frame record at byte %1 has index %2, expected %3").arg(at).arg(index).arg(k);
            if (address != expectVertex)
                c.errors << QStringLiteral("frame record at byte %1 points to %2, its points begin at %3")
                                .arg(at)
                                .arg(address)
                                .arg(expectVertex);
            expectVertex += quint64(GroupLayout::VertexRecordSize) * vertices;
            c.vertices += vertices;
        }
        if (c.errors.size() > 50)
            break;
    }
    c.dataEnd = expectVertex;
    if (expectVertex > quint64(size)) {
        c.errors << QStringLiteral("point data end at %1, past the end of the file (%2)").arg(expectVertex).arg(size);
        return 0;
    }
    return expectVertex;
}

GroupImageCheck verifyFullImage(const uchar *data, qint64 size);

// No header, no group table, no padding: the first file record's frame-table
// address is the size of the file table.
GroupImageCheck verifySingleGroupImage(const uchar *data, qint64 size)
{
    GroupImageCheck c;
    c.kind = GroupImageCheck::SingleGroupImage;
    c.size = size;
    auto notAnImage = [&c](const QString &why) {
        c.errors << QStringLiteral("neither a group image (no \"tovrim\" and \"CRCFlash\" header) nor a single-group "
                                   "image (%1)")
                        .arg(why);
        return c;
    };
    if (size < GroupLayout::FileRecordSize)
        return notAnImage(size == 0 ? QStringLiteral("the file is empty")
                                    : QStringLiteral("shorter than one file record"));
    ByteCursor in(data, size);
    in.seek(GroupImageFormat::FileNameSize + 3);
    const quint32 fileTableSize = in.u32();
    if (fileTableSize == 0 || fileTableSize % GroupLayout::FileRecordSize != 0 || fileTableSize > quint64(size))
        return notAnImage(
            QStringLiteral("its first file record points to %1, not to the end of a file table").arg(fileTableSize));
    const int files = int(fileTableSize / GroupLayout::FileRecordSize);
    if (files > 255)
        c.errors << QStringLiteral("%1 file records; a group holds at most 255").arg(files);
    c.groups = 1;
    c.files = quint64(files);
    in.seek(0);
    const quint64 end = checkFileTables(in, size, {files}, c);
    if (end > 0 && end != quint64(size))
        c.errors << QStringLiteral("point data end at %1, the file has %2 bytes").arg(end).arg(size);
    return c;
}

} // namespace

GroupImageCheck verifyGroupImage(const uchar *data, qint64 size)
{
    using namespace GroupImageFormat;
    if (!hasImageHeader(data, size))
        return verifySingleGroupImage(data, size);
    const GroupImageCheck c = verifyFullImage(data, size);
    if (c.ok())
        return c;
    // A single-group image whose first file is named "tovrim" looks like a header.
    const GroupImageCheck single = verifySingleGroupImage(data, size);
    return single.ok() ? single : c;
}

namespace {

GroupImageCheck verifyFullImage(const uchar *data, qint64 size)
{
    using namespace GroupImageFormat;
    GroupImageCheck c;
    c.size = size;
    if (size < HeaderSize) {
        c.errors << QStringLiteral("file is %1 bytes long, shorter than the %2-byte header").arg(size).arg(HeaderSize);
        return c;
    }
    ByteCursor in(data, size);
    if (QByteArray(reinterpret_cast<const char *>(data), 8) != QByteArray("tovrim\0\0", 8))
        c.errors << QStringLiteral("bad magic (expected \"tovrim\" and two zero bytes)");
    in.seek(8);
    c.creationTime = qint64(quint64(in.u32()) << 32 | in.u32());
    if (QByteArray(reinterpret_cast<const char *>(data + 16), 8) != QByteArray("CRCFlash"))
        c.errors << QStringLiteral("bad kind (expected \"CRCFlash\")");
    for (int i = LengthOffset + 4; i < HeaderSize; ++i)
        if (data[i] != 0) {
            c.errors << QStringLiteral("header byte %1 is not zero").arg(i);
            break;
        }
    c.storedChecksum = getLittleEndian32(data + ChecksumOffset);
    c.storedLength = getLittleEndian32(data + LengthOffset);
    if (qint64(c.storedLength) != size)
        c.errors << QStringLiteral("length field says %1 bytes, file has %2").arg(c.storedLength).arg(size);
    c.computedChecksum = CrcEngine::imageChecksum(data + HeaderSize, size - HeaderSize);
    if (c.computedChecksum != c.storedChecksum)
        c.errors << QStringLiteral("checksum mismatch: stored 0x%1, computed 0x%2")
                        .arg(c.storedChecksum, 8, 16, QLatin1Char('0'))
                        .arg(c.computedChecksum, 8, 16, QLatin1Char('0'));

    quint64 dataEnd = HeaderSize;
    if (size == HeaderSize)
        c.errors << QStringLiteral("the image holds no groups");
    if (size > HeaderSize) {
        // The group count lies inside the first group record; a body shorter
        // than one record has none to read.
        if (size - HeaderSize < GroupLayout::GroupRecordSize) {
            c.errors << QStringLiteral("first group record runs past the end of the file");
            return c;
        }
        in.seek(HeaderSize);
        const int groupCount = data[HeaderSize + GroupNameSize];
        const quint64 fileTable = HeaderSize + quint64(GroupLayout::GroupRecordSize) * groupCount;
        if (groupCount == 0) {
            c.errors << QStringLiteral("group count is 0 but the image holds data behind its header");
            return c;
        }
        if (fileTable > quint64(size)) {
            c.errors << QStringLiteral("group table of %1 records runs past the end of the file").arg(groupCount);
            return c;
        }
        c.groups = groupCount;
        std::vector<int> fileCounts;
        quint64 expectFile = fileTable;
        for (int g = 0; g < groupCount; ++g) {
            const quint64 at = quint64(in.pos());
            in.skip(GroupNameSize);
            const int count = in.u8();
            const int index = in.u8();
            const int files = in.u8();
            const quint32 address = in.u32();
            if (count != groupCount)
                c.errors << QStringLiteral("group record %1 (byte %2) counts %3 groups, the first said %4")
                                .arg(g)
                                .arg(at)
                                .arg(count)
                                .arg(groupCount);
            if (index != g)
                c.errors << QStringLiteral("group record %1 (byte %2) has index %3").arg(g).arg(at).arg(index);
            if (files == 0)
                c.errors << QStringLiteral("group record %1 (byte %2) has no files").arg(g).arg(at);
            if (address != expectFile)
                c.errors << QStringLiteral("group record %1 points to %2, its file records begin at %3")
                                .arg(g)
                                .arg(address)
                                .arg(expectFile);
            fileCounts.push_back(files);
            expectFile += quint64(GroupLayout::FileRecordSize) * files;
            c.files += files;
        }
        dataEnd = checkFileTables(in, size, fileCounts, c);
        if (dataEnd == 0)
            return c;
    }
    c.dataEnd = dataEnd;
    const quint64 padding = GroupLayout::paddingFor(dataEnd, HeaderSize);
    if (dataEnd + padding != quint64(size))
        c.errors << QStringLiteral("data end at %1; with padding the file should be %2 bytes, it is %3")
                        .arg(dataEnd)
                        .arg(dataEnd + padding)
                        .arg(size);
    else
        for (quint64 i = dataEnd; i < quint64(size); ++i)
            if (data[i] != 0) {
                c.errors << QStringLiteral("padding byte %1 is not zero").arg(i);
                break;
            }
    return c;
}

} // namespace
