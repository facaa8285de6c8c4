#include "groupimagebuilder.h"

#include "colorresolve.h"
#include "crcengine.h"
#include "groupimageformat.h"
#include "groupslog.h"
#include "ildastreamwriter.h"
#include "ildframeset.h"
#include "palette.h"
#include "textcodec.h"

#include <QDateTime>
#include <QSaveFile>
#include <QTextCodec>

#include <cstring>

using namespace GroupImageFormat;

namespace {

// Buffers output and hands it to the device in large pieces. With a CRC start
// set, every byte from there on goes through the image checksum in whole
// 4-byte groups, so a tail of up to three bytes waits in the buffer.
class ChunkWriter
{
public:
    static constexpr int FlushSize = 1 << 20;

    ChunkWriter(QIODevice *device, qint64 crcFrom) : m_device(device), m_crcFrom(crcFrom)
    {
        // One allocation for the whole export: room for a full buffer plus the
        // largest frame (65535 points).
        m_buf.reserve(FlushSize + GroupLayout::VertexRecordSize * 65536);
    }

    QByteArray &buffer() { return m_buf; }
    uchar *grow(int n)
    {
        const int at = m_buf.size();
        m_buf.resize(at + n);
        return reinterpret_cast<uchar *>(m_buf.data()) + at;
    }
    bool flushIfLarge() { return m_buf.size() < FlushSize || flush(false); }
    bool flush(bool final)
    {
        qint64 n = m_buf.size();
        if (m_crcFrom >= 0 && !final) {
            const qint64 end = m_flushed + n;
            if (end > m_crcFrom)
                n -= (end - m_crcFrom) % 4;
        }
        const uchar *p = reinterpret_cast<const uchar *>(m_buf.constData());
        if (m_crcFrom >= 0) {
            const qint64 s = std::max<qint64>(m_crcFrom - m_flushed, 0);
            if (s < n)
                m_crc.addReversedWords(p + s, n - s);
        }
        if (n > 0 && m_device->write(m_buf.constData(), n) != n)
            return false;
        m_flushed += n;
        m_buf.remove(0, int(n));
        return true;
    }
    quint64 position() const { return quint64(m_flushed) + quint64(m_buf.size()); }
    quint32 checksum() const { return m_crc.value(); }

private:
    QIODevice *m_device;
    qint64 m_crcFrom;
    qint64 m_flushed = 0;
    QByteArray m_buf;
    CrcEngine m_crc = CrcEngine::mpeg2();
};

// Text output in GBK, handed to the device in large pieces;
// a short write is remembered, so a full disk never passes for success.
class TextWriter
{
public:
    explicit TextWriter(QIODevice *device) : m_device(device), m_codec(TextCodec::gbkCodec()) {}

    TextWriter &operator<<(const QString &s)
    {
        m_buf += s;
        return *this;
    }
    TextWriter &operator<<(const char *s)
    {
        m_buf += QLatin1String(s);
        return *this;
    }
    TextWriter &operator<<(char c)
    {
        m_buf += QLatin1Char(c);
        return *this;
    }
    bool flushIfLarge() { return m_buf.size() < (1 << 20) || flush(); }
    bool flush()
    {
        const QByteArray bytes = m_codec->fromUnicode(m_buf);
        m_buf.clear();
        if (!bytes.isEmpty() && m_device->write(bytes) != bytes.size())
            m_failed = true;
        return !m_failed;
    }

private:
    QIODevice *m_device;
    QTextCodec *m_codec;
    QString m_buf;
    bool m_failed = false;
};

quint32 vertexColor(const ColorContext &colors, const IldFrame &frame, const IldVertex &v)
{
    return v.isBlanked() ? qRgb(0, 0, 0) : displayColor(colors, frame.format, v);
}

} // namespace

void GroupImageBuilder::setCreationTime(qint64 secondsSinceEpoch)
{
    m_time = secondsSinceEpoch;
    m_timeSet = true;
}

qint64 GroupImageBuilder::defaultCreationTime()
{
    bool ok = false;
    const qint64 epoch = qEnvironmentVariable("SOURCE_DATE_EPOCH").toLongLong(&ok);
    return ok ? epoch : QDateTime::currentSecsSinceEpoch();
}

qint64 GroupImageBuilder::creationTime() const
{
    return m_timeSet ? m_time : defaultCreationTime();
}

const ExportFile &GroupImageBuilder::file(int g, int f) const
{
    const Exported &e = m_exported[size_t(g)];
    return (*m_groups)[size_t(e.group)].files[size_t(e.files[size_t(f)])];
}

bool GroupImageBuilder::refuse(const QString &message)
{
    m_error = message;
    m_failure = Refused;
    qCDebug(lcGroups) << "{GroupImageBuilder} export refused:" << message;
    return false;
}

bool GroupImageBuilder::cancelled()
{
    if (!m_cancelled)
        return false;
    m_error = QStringLiteral("cancelled");
    m_failure = Cancelled;
    qCDebug(lcGroups) << "{GroupImageBuilder} export cancelled";
    return true;
}

void GroupImageBuilder::setColors(const ColorContext &colors, Palette *palette)
{
    m_colors = colors;
    m_palette = palette;
}

IldReadResult GroupImageBuilder::readFile(const QString &path, IldFrameSet &set)
{
    const int listSize = m_palette ? m_palette->size() : Palette::filePaletteBase;
    IldReadResult read;
    if (!m_progress) {
        read = set.fromFileIld(path, false, {}, listSize);
    } else {
        // A large file moves the bar within its own step.
        constexpr qint64 Scale = 1000;
        const qint64 step = m_step++;
        const qint64 total = std::max<qint64>(m_steps, m_step) * Scale;
        read = set.fromFileIld(
            path, false,
            [&](qint64 done, qint64 size) {
                return m_progress(step * Scale + (size > 0 ? done * Scale / size : 0), total);
            },
            listSize);
        m_cancelled = read.kind == IldReadResult::Cancelled || !m_progress(m_step * Scale, total);
    }
    // The colours of a file's palette serve the files that follow, as in the views.
    if (m_palette)
        m_palette->appendColors(read.palette);
    return read;
}

bool GroupImageBuilder::rereadFile(int g, int f, IldFrameSet &set)
{
    const GroupLayout &L = m_layout;
    const QString &path = file(g, f).path;
    readFile(path, set);
    if (cancelled())
        return false;
    if (int(set.frames.size()) != L.frameCount(g, f))
        return refuse(QStringLiteral("%1 changed during the export: %2 frames, first read %3")
                          .arg(path)
                          .arg(set.frames.size())
                          .arg(L.frameCount(g, f)));
    for (int k = 0; k < L.frameCount(g, f); ++k) {
        const size_t points = set.frames[size_t(k)].vertices.size();
        if (points != L.vertexCount(g, f, k))
            return refuse(QStringLiteral("%1 changed during the export: frame %2 has %3 points, first read %4")
                              .arg(path)
                              .arg(k)
                              .arg(points)
                              .arg(L.vertexCount(g, f, k)));
    }
    return true;
}

bool GroupImageBuilder::calImageAddress(const std::vector<ExportGroup> &groups, bool multi, quint64 start)
{
    m_groups = &groups;
    m_exported.clear();
    m_leftOut.clear();
    m_places.assign(groups.size(), GroupPlace());
    std::vector<GroupLayout::GroupCounts> counts;
    const size_t groupLimit = multi ? groups.size() : std::min<size_t>(groups.size(), 1);
    m_step = 0;
    m_steps = 0;
    m_cancelled = false;
    for (size_t g = 0; g < groupLimit; ++g)
        m_steps += 2 * qint64(groups[g].files.size());
    quint64 vertexCount = 0;
    quint64 frameCount = 0;
    for (size_t g = 0; g < groupLimit; ++g) {
        m_places[g].files.assign(groups[g].files.size(), FilePlace());
        GroupLayout::GroupCounts groupCounts;
        Exported exported{int(g), {}};
        for (size_t f = 0; f < groups[g].files.size(); ++f) {
            const ExportFile &ef = groups[g].files[f];
            IldFrameSet set;
            const IldReadResult read = readFile(ef.path, set);
            if (cancelled())
                return false;
            if (set.frames.empty()) {
                // Nothing to place: leaving the file out keeps every address right.
                qCDebug(lcGroups) << "{GroupImageBuilder} no frames, file left out of the export:" << ef.path;
                m_leftOut.push_back({ef.path, read});
                continue;
            }
            GroupLayout::FileCounts fileCounts;
            fileCounts.reserve(set.frames.size());
            for (const IldFrame &frame : set.frames) {
                fileCounts.push_back(quint32(frame.vertices.size()));
                vertexCount += frame.vertices.size();
            }
            frameCount += set.frames.size();
            groupCounts.push_back(std::move(fileCounts));
            exported.files.push_back(int(f));
            const quint64 dataSize = GroupLayout::VertexRecordSize * vertexCount;
            qCDebug(lcGroups).noquote() << "file " << exported.files.size() << " data_size:" << dataSize << ":0x"
                                        << QString::number(dataSize, 16);
        }
        qCDebug(lcGroups) << "file table data_size:" << GroupLayout::FrameRecordSize * frameCount << "data_size:"
                          << GroupLayout::FrameRecordSize * frameCount + GroupLayout::VertexRecordSize * vertexCount;
        if (multi && groupCounts.empty())
            continue; // a group without files gets no record
        counts.push_back(std::move(groupCounts));
        m_exported.push_back(std::move(exported));
    }

    m_layout = GroupLayout(start, multi, std::move(counts));
    const QString overflow = m_layout.overflowMessage();
    if (!overflow.isEmpty())
        return refuse(overflow);

    quint64 filesBefore = 0;
    for (int g = 0; g < m_layout.groupCount(); ++g) {
        GroupPlace &gp = m_places[size_t(m_exported[size_t(g)].group)];
        gp.exported = true;
        gp.fileCount = quint8(m_layout.fileCount(g));
        gp.fileTableOffset = quint32(GroupLayout::FileRecordSize * filesBefore);
        gp.fileTableAddress = quint32(m_layout.fileRecordAddress(g));
        filesBefore += quint64(m_layout.fileCount(g));
        for (int f = 0; f < m_layout.fileCount(g); ++f) {
            FilePlace &fp = gp.files[size_t(m_exported[size_t(g)].files[size_t(f)])];
            fp.exported = true;
            fp.frameCount = quint16(m_layout.frameCount(g, f));
            fp.frameTableAddress = quint32(m_layout.frameRecordAddress(g, f));
            fp.frameTableOffset = quint32(fp.frameTableAddress - m_layout.frameTableStart());
        }
        if (multi)
            qCDebug(lcGroups) << "***:tab_num:" << g + 1 << groups[size_t(m_exported[size_t(g)].group)].name
                              << gp.fileCount << filesBefore - gp.fileCount << ", 0x"
                              << QString::number(gp.fileTableOffset, 16);
    }
    if (multi) {
        const quint64 fileTableSize = GroupLayout::FileRecordSize * m_layout.totalFiles();
        qCDebug(lcGroups) << "m_Tab::" << fileTableSize << QString::number(fileTableSize, 16)
                          << "m_INIT_START_ADDRESS:" << start;
        qCDebug(lcGroups) << "group_end_address::" << m_layout.fileTableStart();
        qCDebug(lcGroups) << "end_address_acc:" << QString::number(m_layout.end(), 16);
    }
    return true;
}

GroupImageBuilder::Outcome GroupImageBuilder::save(Variant variant, const std::vector<ExportGroup> &groups,
                                                   const QString &path)
{
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        m_error = QStringLiteral("cannot write %1: %2").arg(path, out.errorString());
        qCDebug(lcGroups) << "{GroupImageBuilder} open file failure:" << path << out.errorString();
        return OutputFailed;
    }
    const Outcome outcome = write(variant, groups, &out);
    if (outcome != Written) {
        out.cancelWriting();
        return outcome;
    }
    if (!out.commit()) {
        m_error = QStringLiteral("saving %1 failed: %2").arg(path, out.errorString());
        qCDebug(lcGroups) << "{GroupImageBuilder} saving failed:" << path << out.errorString();
        return OutputFailed;
    }
    return Written;
}

GroupImageBuilder::Outcome GroupImageBuilder::write(Variant variant, const std::vector<ExportGroup> &groups,
                                                    QIODevice *out)
{
    m_error.clear();
    m_checksum = 0;
    m_length = 0;
    const bool multi = variant == GroupImage || variant == TextGroupImage;
    const quint64 start = variant == GroupImage ? ImageStart : variant == TextGroupImage ? TextStart : 0;
    if (!calImageAddress(groups, multi, start))
        return m_failure;
    // An image without a single frame plays nothing and would only replace a
    // good one on the card.
    if (m_layout.totalFiles() == 0) {
        refuse(multi ? QStringLiteral("nothing to export: no checked group has a checked file with frames")
                     : QStringLiteral("nothing to export: the group has no checked file with frames"));
        return Refused;
    }
    qCDebug(lcGroups) << "cal complete";
    if (m_betweenPasses)
        m_betweenPasses();
    if (variant == GroupImage) {
        const quint64 padded = m_layout.end() + GroupLayout::paddingFor(m_layout.end(), ImageStart);
        if (padded > 0xFFFFFFFFull) {
            refuse(QStringLiteral("the image would be %1 bytes long; its length field ends at 4294967295").arg(padded));
            return Refused;
        }
    }
    const bool ok =
        (variant == GroupImage || variant == SingleGroupImage) ? writeBinary(variant, out) : writeText(variant, out);
    m_groups = nullptr;
    if (!ok)
        return m_failure;
    qCDebug(lcGroups) << "out complete";
    return Written;
}

bool GroupImageBuilder::writeBinary(Variant variant, QIODevice *out)
{
    const bool image = variant == GroupImage;
    ChunkWriter w(out, image ? ImageStart : -1);
    QByteArray &buf = w.buffer();
    const GroupLayout &L = m_layout;
    auto failed = [this, out]() {
        m_error = QStringLiteral("write failed: ") + out->errorString();
        m_failure = OutputFailed;
        qCDebug(lcGroups) << "{GroupImageBuilder}" << m_error;
        return false;
    };

    if (image) {
        buf.append(imageHeader(creationTime()));
        for (int g = 0; g < L.groupCount(); ++g)
            appendGroupRecord(buf, encodedName((*m_groups)[size_t(m_exported[size_t(g)].group)].name, GroupNameSize),
                              quint8(L.groupCount()), quint8(g), quint8(L.fileCount(g)),
                              quint32(L.fileRecordAddress(g)));
        qCDebug(lcGroups).noquote() << "***end Group_table:address:"
                                    << "0x" + QString::number(L.frameTableStart(), 16);
    } else {
        qCDebug(lcGroups).noquote() << "init_address_file_table: "
                                    << "new group address:------------"
                                    << "0x" + QString::number(L.frameTableStart(), 16);
    }
    for (int g = 0; g < L.groupCount(); ++g)
        for (int f = 0; f < L.fileCount(g); ++f) {
            const ExportFile &ef = file(g, f);
            appendFileRecord(buf, encodedName(ef.name, FileNameSize), quint8(f), quint16(L.frameCount(g, f)),
                             quint32(L.frameRecordAddress(g, f)), ef.playSpeed, quint8(ef.colorType), ef.repeater);
            if (!w.flushIfLarge())
                return failed();
        }
    qCDebug(lcGroups).noquote() << (image ? "***end file_table:address:" : "init_address_frame_table:")
                                << "0x" + QString::number(L.xyrgbStart(), 16);
    for (int g = 0; g < L.groupCount(); ++g)
        for (int f = 0; f < L.fileCount(g); ++f) {
            for (int k = 0; k < L.frameCount(g, f); ++k)
                appendFrameRecord(buf, quint16(k), quint16(L.vertexCount(g, f, k)), quint32(L.vertexAddress(g, f, k)));
            if (!w.flushIfLarge())
                return failed();
        }
    qCDebug(lcGroups).noquote() << (image ? "***end address:" : "init_address_XYRGB_data:")
                                << "0x" + QString::number(L.end(), 16);

    for (int g = 0; g < L.groupCount(); ++g)
        for (int f = 0; f < L.fileCount(g); ++f) {
            IldFrameSet set;
            if (!rereadFile(g, f, set))
                return false;
            for (int k = 0; k < L.frameCount(g, f); ++k) {
                const IldFrame &frame = set.frames[size_t(k)];
                uchar *p = w.grow(GroupLayout::VertexRecordSize * int(frame.vertices.size()));
                for (const IldVertex &v : frame.vertices)
                    p = putVertexRecord(p, v.x, v.y, vertexColor(m_colors, frame, v));
                if (!w.flushIfLarge())
                    return failed();
            }
        }

    if (image) {
        const quint64 padding = GroupLayout::paddingFor(L.end(), ImageStart);
        std::memset(w.grow(int(padding)), 0, size_t(padding));
        m_length = w.position();
        if (!w.flush(true))
            return failed();
        m_checksum = w.checksum();
        qCDebug(lcGroups) << "size:" << m_length - ImageStart << "remain_byte:" << padding << "checksum: 0x"
                          << QString::number(m_checksum, 16);
        uchar tail[8];
        putLittleEndian32(tail, m_checksum);
        putLittleEndian32(tail + 4, quint32(m_length));
        if (!out->seek(ChecksumOffset) || out->write(reinterpret_cast<const char *>(tail), 8) != 8)
            return failed();
    } else {
        m_length = w.position();
        if (!w.flush(true))
            return failed();
    }
    return true;
}

bool GroupImageBuilder::writeText(Variant variant, QIODevice *out)
{
    const bool multi = variant == TextGroupImage;
    const GroupLayout &L = m_layout;
    TextWriter ts(out);
    auto failed = [this, out]() {
        m_error = QStringLiteral("write failed: ") + out->errorString();
        m_failure = OutputFailed;
        qCDebug(lcGroups) << "{GroupImageBuilder}" << m_error;
        return false;
    };
    ts << "cal complete\n";
    if (multi) {
        ts << textHeaderLine(creationTime()) << '\n';
        for (int g = 0; g < L.groupCount(); ++g)
            ts << textGroupLine((*m_groups)[size_t(m_exported[size_t(g)].group)].name, L.groupCount(), g,
                                L.fileCount(g), L.fileRecordAddress(g))
               << '\n';
        ts << "----start_address_file_table: \n";
    } else {
        ts << "init_address_file_table: \n" << textGroupAddressLine(L.frameTableStart()) << '\n';
    }
    for (int g = 0; g < L.groupCount(); ++g) {
        if (multi && L.fileCount(g) > 0)
            ts << textGroupAddressLine(L.fileRecordAddress(g)) << '\n';
        for (int f = 0; f < L.fileCount(g); ++f) {
            const ExportFile &ef = file(g, f);
            ts << textFileLine(ef.name, f, L.frameCount(g, f), L.frameRecordAddress(g, f), ef.playSpeed, ef.colorType,
                               ef.repeater)
               << '\n';
        }
    }
    ts << (multi ? "----start_address_frame_table:\n" : "init_address_frame_table:\n");
    for (int g = 0; g < L.groupCount(); ++g)
        for (int f = 0; f < L.fileCount(g); ++f) {
            ts << textFileAddressLine(L.frameRecordAddress(g, f)) << '\n';
            for (int k = 0; k < L.frameCount(g, f); ++k)
                ts << textFrameLine(k, int(L.vertexCount(g, f, k)), L.vertexAddress(g, f, k)) << '\n';
        }
    ts << (multi ? "----start_address_XYRGB_data:\n" : "init_address_XYRGB_data:\n");
    for (int g = 0; g < L.groupCount(); ++g)
        for (int f = 0; f < L.fileCount(g); ++f) {
            IldFrameSet set;
            if (!rereadFile(g, f, set))
                return false;
            for (int k = 0; k < L.frameCount(g, f); ++k) {
                const IldFrame &frame = set.frames[size_t(k)];
                ts << textFrameAddressLine(L.vertexAddress(g, f, k)) << '\n';
                for (const IldVertex &v : frame.vertices)
                    ts << textVertexLine(v.x, v.y, v.isBlanked(), vertexColor(m_colors, frame, v)) << '\n';
                if (!ts.flushIfLarge())
                    return failed();
            }
        }
    ts << "out complete\n";
    if (!ts.flush())
        return failed();
    m_length = quint64(out->pos());
    return true;
}

GroupImageBuilder::Outcome GroupImageBuilder::saveCombinedIlda(const ExportGroup &group, const QString &path)
{
    m_error.clear();
    m_leftOut.clear();
    // The headers alone tell how many frames there will be: too many are
    // refused before any point is read.
    std::vector<int> counts;
    qint64 total = 0;
    for (const ExportFile &ef : group.files) {
        const IldReadResult read = IldFrameSet::countFramesIld(ef.path);
        counts.push_back(read.frames);
        total += read.frames;
        if (read.frames == 0) {
            qCDebug(lcGroups) << "{GroupImageBuilder} no frames, file left out of the export:" << ef.path;
            m_leftOut.push_back({ef.path, read});
        }
    }
    qCDebug(lcGroups) << "ilda frame is:" << total << " was be get!";
    const QString refusal = IldaStreamWriter::frameCountRefusal(total);
    if (!refusal.isEmpty()) {
        refuse(refusal);
        return Refused;
    }
    IldaStreamWriter writer(path);
    if (!writer.open()) {
        m_error = writer.errorString();
        return OutputFailed;
    }
    // One file's frames in memory at a time.
    int number = 0;
    m_step = 0;
    m_steps = qint64(group.files.size());
    m_cancelled = false;
    for (size_t i = 0; i < group.files.size(); ++i) {
        if (counts[i] == 0)
            continue;
        IldFrameSet set;
        readFile(group.files[i].path, set);
        if (cancelled())
            return Cancelled; // the stream writer drops what it wrote
        if (int(set.frames.size()) != counts[i]) {
            refuse(QStringLiteral("%1 changed during the export: %2 frames, first counted %3")
                       .arg(group.files[i].path)
                       .arg(set.frames.size())
                       .arg(counts[i]));
            return Refused;
        }
        for (IldFrame &frame : set.frames) {
            frame.check = true;
            if (frame.vertices.size() > size_t(IldFrame::MaxPoints)) {
                refuse(QStringLiteral("more than 65,535 points in frame %1 (%2 points)")
                           .arg(number)
                           .arg(frame.vertices.size()));
                return Refused;
            }
            if (!writer.writeFrame(frame, quint16(number++), quint16(total), m_colors)) {
                m_error = writer.errorString();
                return OutputFailed;
            }
        }
    }
    qCDebug(lcGroups) << "ilda frame is:" << total << " was be saved!";
    if (!writer.commit()) {
        m_error = writer.errorString();
        return OutputFailed;
    }
    return Written;
}
