#include "groupimagereader.h"

#include "bytecursor.h"
#include "crcengine.h"
#include "groupimageformat.h"
#include "grouplayout.h"

#include "textcodec.h"

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
        t.problems << QStringLiteral("shorter than its %1-byte header (%2 bytes)").arg(GroupImageFormat::HeaderSize).arg(size);
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
            t.problems << QStringLiteral("group record at byte %1 counts 0 groups").arg(in.pos() - GroupLayout::GroupRecordSize);
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
                c.errors << QStringLiteral("group record %1 (byte %2) counts %3 groups, the first said %4").arg(g).arg(at).arg(count).arg(groupCount);
            if (index != g)
                c.errors << QStringLiteral("group record %1 (byte %2) has index %3").arg(g).arg(at).arg(index);
            if (files == 0)
                c.errors << QStringLiteral("group record %1 (byte %2) has no files").arg(g).arg(at);
            if (address != expectFile)
                c.errors << QStringLiteral("group record %1 points to %2, its file records begin at %3").arg(g).arg(address).arg(expectFile);
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
                    c.errors << QStringLiteral("file record at byte %1 has index %2, expected %3").arg(at).arg(index).arg(f);
                if (frames == 0)
                    c.errors << QStringLiteral("file record at byte %1 has no frames").arg(at);
                if (address != expectFrame)
                    c.errors << QStringLiteral("file record at byte %1 points to %2, its frame records begin at %3").arg(at).arg(address).arg(expectFrame);
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
                    c.errors << QStringLiteral("frame record at byte %1 has index %2, expected %3").arg(at).arg(index).arg(k);
                if (address != expectVertex)
                    c.errors << QStringLiteral("frame record at byte %1 points to %2, its points begin at %3").arg(at).arg(address).arg(expectVertex);
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
