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

void IldFrame::writeHeader(ByteSink &out) const
{
    out.bytes("ILDA\0\0\0", 7);
    out.u8(writtenFormat(format));
    out.fixed(name.toLatin1(), 8);
    out.fixed(company.toLatin1(), 8);
    out.u16(pointCount);
    out.u16(frameNumber);
    out.u16(totalFrames);
    out.u8(quint8(projector));
    out.u8(quint8(reserved));
}

bool IldFrame::writeToStream(ByteSink &out, quint16 number, quint16 total)
{
    if (!check)
        return true;
    if (vertices.size() > size_t(MaxPoints)) {
        qCDebug(lcIlda) << "{IldFrame::writeToStream}too many points for one section:" << vertices.size()
                        << "limit" << MaxPoints << "- frame not written";
        return false;
    }
    if (out.array().size() + IldaRecord::HeaderSize + IldaRecord::MaxPointSize * qint64(vertices.size()) >
        MaxArrayBytes) {
        qCDebug(lcIlda) << "{IldFrame::writeToStream}the output would pass" << MaxArrayBytes
                        << "bytes in memory - frame not written";
        return false;
    }
    frameNumber = number;
    totalFrames = total;
    pointCount = quint16(vertices.size());
    writeHeader(out);

    const quint8 fmt = writtenFormat(format);
    const bool indexed = (format <= 3);
    const bool transform = !hasNeutralTransform();
    const size_t last = vertices.size() - 1;
    QByteArray &bytes = out.array();
    const qint64 recSize = IldaRecord::pointSize(fmt);
    const qint64 start = bytes.size();
    bytes.resize(int(start + recSize * qint64(vertices.size())));
    uchar *p = reinterpret_cast<uchar *>(bytes.data()) + start;

    for (size_t i = 0; i < vertices.size(); ++i) {
        IldVertex &v = vertices[i];
        if (indexed) {
            const QRgb c = storedIndexColor(format, v);
            v.r = quint8(qRed(c));
            v.g = quint8(qGreen(c));
            v.b = quint8(qBlue(c));
        }
        if (transform)
            applyTransform(v);
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
    // The transform now lives in the coordinates; a second save must not apply it again.
    scaleX = scaleY = 1.0f;
    offsetX = offsetY = 0.0f;
    return true;
}

bool IldFrameSet::toIldaBytes(QByteArray &out, QString *error)
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
    for (IldFrame &f : frames) {
        if (!f.check)
            continue;
        f.writeToStream(sink, quint16(number++), quint16(n));
    }
    out = bytes;
    return true;
}

bool IldFrameSet::saveIld(const QString &path, QString *error)
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
    for (IldFrame &f : frames) {
        if (f.check && !writer.writeFrame(f, quint16(number++), quint16(n)))
            return failed(writer.errorString());
    }
    qCDebug(lcIlda) << "ilda frame is:" << frames.size() << " was be saved!";
    if (!writer.commit())
        return failed(writer.errorString());
    return true;
}
