// Writing frames as ILDA sections.

#include "bytecursor.h"
#include "colorresolve.h"
#include "ildalog.h"
#include "ildarecord.h"
#include "ildastreamwriter.h"
#include "ildframeset.h"

#include <limits>

namespace {

// Frames of format 2 and 3 (a file palette's indices) go out as true-colour
// records, so that the header never announces records that do not follow.
quint8 writtenFormat(quint8 format)
{
    return (format == 2 || format == 3) ? 5 : format;
}

// What one byte array may hold; files longer than that are streamed.
constexpr qint64 MaxArrayBytes = std::numeric_limits<int>::max() - 4096;

} // namespace

namespace {

void writeHeaderFields(ByteSink &out, const IldFrame &f, quint16 count, quint16 number, quint16 total)
{
    out.bytes("ILDA\0\0\0", 7);
    out.u8(writtenFormat(f.format));
    out.fixed(f.name.toLatin1(), 8);
    out.fixed(f.company.toLatin1(), 8);
    out.u16(count);
    out.u16(number);
    out.u16(total);
    out.u8(quint8(f.projector));
    out.u8(quint8(f.reserved));
}

} // namespace

void IldFrame::writeHeader(ByteSink &out) const
{
    writeHeaderFields(out, *this, pointCount, frameNumber, totalFrames);
}

IldVertex IldFrame::bakedVertex(const IldVertex &v, const ColorContext &colors) const
{
    IldVertex b = v;
    if (format <= 3) {
        const QRgb c = storedIndexColor(colors, format, v);
        b.r = quint8(qRed(c));
        b.g = quint8(qGreen(c));
        b.b = quint8(qBlue(c));
    }
    if (!hasNeutralTransform())
        applyTransform(b);
    return b;
}

void IldFrame::bake(const ColorContext &colors)
{
    for (IldVertex &v : vertices)
        v = bakedVertex(v, colors);
    // The transform now lives in the coordinates; a second save must not apply it again.
    scaleX = scaleY = 1.0f;
    offsetX = offsetY = 0.0f;
}

bool IldFrame::writeToStream(ByteSink &out, quint16 number, quint16 total, const ColorContext &colors) const
{
    if (!check)
        return true;
    if (vertices.size() > size_t(MaxPoints)) {
        qCDebug(lcIlda) << "{IldFrame::writeToStream}too many points for one section:" << vertices.size() << "limit"
                        << MaxPoints << "- frame not written";
        return false;
    }
    if (out.array().size() + IldaRecord::HeaderSize + IldaRecord::MaxPointSize * qint64(vertices.size()) >
        MaxArrayBytes) {
        qCDebug(lcIlda) << "{IldFrame::writeToStream}the output would pass" << MaxArrayBytes
                        << "bytes in memory - frame not written";
        return false;
    }
    writeHeaderFields(out, *this, quint16(vertices.size()), number, total);

    const quint8 fmt = writtenFormat(format);
    const size_t last = vertices.size() - 1;
    QByteArray &bytes = out.array();
    const qint64 recSize = IldaRecord::pointSize(fmt);
    const qint64 start = bytes.size();
    bytes.resize(int(start + recSize * qint64(vertices.size())));
    uchar *p = reinterpret_cast<uchar *>(bytes.data()) + start;

    for (size_t i = 0; i < vertices.size(); ++i) {
        const IldVertex v = bakedVertex(vertices[i], colors);
        const quint8 status = quint8((v.status & ~IldVertex::LastPoint) | (i == last ? IldVertex::LastPoint : 0));
        *p++ = uchar(quint16(v.x) >> 8);
        *p++ = uchar(v.x);
        *p++ = uchar(quint16(v.y) >> 8);
        *p++ = uchar(v.y);
        if (IldaRecord::has3d(fmt)) {
            *p++ = uchar(quint16(v.z) >> 8);
            *p++ = uchar(v.z);
        }
        *p++ = status;
        if (fmt <= 1) {
            *p++ = v.colorIndex;
        } else {
            *p++ = v.b;
            *p++ = v.g;
            *p++ = v.r;
        }
    }
    return true;
}

bool IldFrameSet::toIldaBytes(QByteArray &out, const ColorContext &colors, QString *error) const
{
    const int n = checkedCount();
    auto refuse = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (n > 65535) {
        qCDebug(lcIlda) << "{IldFrameSet::save}too many frames for one file:" << n;
        return refuse(IldaStreamWriter::frameCountRefusal(n));
    }
    qint64 total = 0;
    for (const IldFrame &f : frames) {
        if (!f.check)
            continue;
        if (f.vertices.size() > size_t(IldFrame::MaxPoints)) {
            qCDebug(lcIlda) << "{IldFrameSet::save}frame of" << f.vertices.size()
                            << "points exceeds the ILDA limit of 65535; nothing saved";
            return refuse(IldaStreamWriter::refusal(*this));
        }
        total += IldaRecord::HeaderSize + IldaRecord::MaxPointSize * qint64(f.vertices.size());
    }
    if (total > MaxArrayBytes)
        return refuse(QStringLiteral("the frames take up to %1 bytes, more than one piece of memory holds").arg(total));
    QByteArray bytes;
    bytes.reserve(int(total));
    ByteSink sink(bytes);
    int number = 0;
    for (const IldFrame &f : frames) {
        if (!f.check)
            continue;
        f.writeToStream(sink, quint16(number++), quint16(n), colors);
    }
    out = bytes;
    return true;
}

bool IldFrameSet::saveIld(const QString &path, const ColorContext &colors, QString *error) const
{
    auto failed = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const QString refusal = IldaStreamWriter::refusal(*this);
    if (!refusal.isEmpty()) {
        if (checkedCount() > 65535)
            qCDebug(lcIlda) << "{IldFrameSet::save}too many frames for one file:" << checkedCount();
        else if (checkedCount() > 0)
            qCDebug(lcIlda) << "{IldFrameSet::save}" << refusal << "exceeds the ILDA limit of 65535; nothing saved";
        else
            qCDebug(lcIlda) << "{IldFrameSet::saveIld}no checked frames; nothing saved to" << path;
        return failed(refusal);
    }
    IldaStreamWriter writer(path);
    if (!writer.open())
        return failed(writer.errorString());
    const int n = checkedCount();
    int number = 0;
    for (const IldFrame &f : frames) {
        if (f.check && !writer.writeFrame(f, quint16(number++), quint16(n), colors))
            return failed(writer.errorString());
    }
    qCDebug(lcIlda) << "ilda frame is:" << frames.size() << " was be saved!";
    if (!writer.commit())
        return failed(writer.errorString());
    return true;
}

void IldFrameSet::bakeWritten(const ColorContext &colors)
{
    const quint16 n = quint16(checkedCount());
    quint16 number = 0;
    for (IldFrame &f : frames) {
        if (!f.check || f.vertices.size() > size_t(IldFrame::MaxPoints))
            continue;
        f.frameNumber = number++;
        f.totalFrames = n;
        f.pointCount = quint16(f.vertices.size());
        f.bake(colors);
    }
}
