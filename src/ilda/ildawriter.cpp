// Writing frames as ILDA sections.

#include "bytecursor.h"
#include "colorresolve.h"
#include "ildalog.h"
#include "ildframeset.h"

#include <QSaveFile>

namespace {

// Frames of format 2 and 3 (a file palette's indices) go out as true-colour
// records, so that the header never announces records that do not follow.
quint8 writtenFormat(quint8 format)
{
    return (format == 2 || format == 3) ? 5 : format;
}

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
    frameNumber = number;
    totalFrames = total;
    pointCount = quint16(vertices.size());
    writeHeader(out);

    const quint8 fmt = writtenFormat(format);
    const bool indexed = (format <= 3);
    const bool transform = !hasNeutralTransform();
    const size_t last = vertices.size() - 1;
    QByteArray &bytes = out.array();
    const int recSize = fmt == 0 ? 8 : fmt == 1 ? 6 : fmt == 4 ? 10 : 8;
    const int start = bytes.size();
    bytes.resize(start + recSize * int(vertices.size()));
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
        if (fmt == 0 || fmt == 4) {
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

bool IldFrameSet::toIldaBytes(QByteArray &out)
{
    const int n = checkedCount();
    if (n > 65535) {
        qCDebug(lcIlda) << "{IldFrameSet::save}too many frames for one file:" << n;
        return false;
    }
    for (const IldFrame &f : frames) {
        if (f.check && f.vertices.size() > size_t(IldFrame::MaxPoints)) {
            qCDebug(lcIlda) << "{IldFrameSet::save}frame of" << f.vertices.size()
                            << "points exceeds the ILDA limit of 65535; nothing saved";
            return false;
        }
    }
    QByteArray bytes;
    qint64 estimate = 0;
    for (const IldFrame &f : frames)
        if (f.check)
            estimate += 32 + 10 * qint64(f.vertices.size());
    bytes.reserve(int(std::min<qint64>(estimate, 1 << 30)));
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

bool IldFrameSet::saveIld(const QString &path)
{
    QByteArray bytes;
    if (!toIldaBytes(bytes))
        return false;
    QSaveFile file(path);
    // Unbuffered, so that a short write (full disk) shows here and the old file stays.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        qCDebug(lcIlda) << "{IldFrameSet::saveIld}cannot write" << path << ":" << file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        qCDebug(lcIlda) << "{IldFrameSet::saveIld}writing" << path << "failed:" << file.errorString();
        file.cancelWriting();
        return false;
    }
    qCDebug(lcIlda) << "ilda frame is:" << frames.size() << " was be saved!";
    if (!file.commit()) {
        qCDebug(lcIlda) << "{IldFrameSet::saveIld}saving" << path << "failed:" << file.errorString();
        return false;
    }
    return true;
}
