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
            if (in.remaining() > 0 || t.groups.empty())
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
            const int count = labelled(line.split(QLatin1Char(',')), QStringLiteral("vertex num:"), &ok);
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

GroupImageCheck verifyGroupImage(const uchar *data, qint64 size)
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
        const quint64 frameTable = expectFile;
        if (frameTable > quint64(size)) {
            c.errors << QStringLiteral("file table runs past the end of the file");
            return c;
        }
        std::vector<int> frameCounts;
        quint64 expectFrame = frameTable;
        for (int g = 0; g < groupCount; ++g) {
            for (int f = 0; f < fileCounts[size_t(g)]; ++f) {
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
            return c;
        }
        quint64 expectVertex = xyrgb;
        for (int frames : frameCounts) {
            for (int k = 0; k < frames; ++k) {
                const quint64 at = quint64(in.pos());
                const int index = in.u16();
                const int vertices = in.u16();
                const quint32 address = in.u32();
                if (index != k)
                    c.errors << QStringLiteral("frame record at byte %1 has index %2, expected %3")
                                    .arg(at)
                                    .arg(index)
                                    .arg(k);
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
        dataEnd = expectVertex;
        if (dataEnd > quint64(size)) {
            c.errors << QStringLiteral("point data end at %1, past the end of the file (%2)").arg(dataEnd).arg(size);
            c.dataEnd = dataEnd;
            return c;
        }
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
