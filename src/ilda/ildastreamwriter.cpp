#include "ildastreamwriter.h"

#include "bytecursor.h"
#include "ildalog.h"
#include "ildarecord.h"
#include "ildframeset.h"

namespace {
// Small frames are gathered up to this size before they go to the disk.
constexpr int FlushSize = 1 << 20;
} // namespace

IldaStreamWriter::IldaStreamWriter(const QString &path) : m_file(path) {}

IldaStreamWriter::~IldaStreamWriter()
{
    cancel();
}

bool IldaStreamWriter::open()
{
    // Unbuffered, so that a short write (full disk) shows at once.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(QStringLiteral("cannot write %1: %2").arg(m_file.fileName(), m_file.errorString()));
    m_open = true;
    m_buffer.reserve(FlushSize + IldaRecord::HeaderSize + IldaRecord::MaxPointSize * IldFrame::MaxPoints);
    return true;
}

bool IldaStreamWriter::writeFrame(const IldFrame &frame, quint16 number, quint16 total, const ColorContext &colors)
{
    if (!m_open)
        return false;
    ByteSink sink(m_buffer);
    if (!frame.writeToStream(sink, number, total, colors))
        return fail(
            QStringLiteral("more than 65,535 points in frame %1 (%2 points)").arg(number).arg(frame.vertices.size()));
    return m_buffer.size() < FlushSize || flush();
}

bool IldaStreamWriter::flush()
{
    // A short write carries no reason; writing the rest again brings out the
    // real one (a full disk, the file size limit).
    const char *p = m_buffer.constData();
    qint64 left = m_buffer.size();
    while (left > 0) {
        const qint64 n = m_file.write(p, left);
        if (n <= 0)
            return fail(QStringLiteral("writing %1 failed: %2").arg(m_file.fileName(), m_file.errorString()));
        p += n;
        left -= n;
    }
    m_buffer.clear();
    return true;
}

bool IldaStreamWriter::commit()
{
    if (!m_open || !flush())
        return false;
    m_open = false;
    if (!m_file.commit())
        return fail(QStringLiteral("saving %1 failed: %2").arg(m_file.fileName(), m_file.errorString()));
    return true;
}

void IldaStreamWriter::cancel()
{
    if (!m_open)
        return;
    m_open = false;
    m_file.cancelWriting();
    m_file.commit(); // discards the temporary file
}

bool IldaStreamWriter::fail(const QString &what)
{
    m_error = what;
    qCDebug(lcIlda) << "{IldaStreamWriter}" << what;
    cancel();
    return false;
}

QString IldaStreamWriter::frameCountRefusal(qint64 frames)
{
    if (frames == 0)
        return QStringLiteral("no frames to save");
    if (frames > IldFrame::MaxPoints)
        return QStringLiteral("%1 frames: more than 65,535 frames do not fit in one ILDA file").arg(frames);
    return QString();
}

QString IldaStreamWriter::refusal(const IldFrameSet &set)
{
    const QString count = frameCountRefusal(set.checkedCount());
    if (!count.isEmpty())
        return count;
    int number = 0;
    for (const IldFrame &f : set.frames) {
        if (!f.check)
            continue;
        if (f.vertices.size() > size_t(IldFrame::MaxPoints))
            return QStringLiteral("more than 65,535 points in frame %1 (%2 points)").arg(number).arg(f.vertices.size());
        ++number;
    }
    return QString();
}
