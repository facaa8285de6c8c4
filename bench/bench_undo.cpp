// Figures for the editor's undo history: memory per one-frame delete on a
// show of about 120 MB as an ILDA file (3,000 frames of 5,000 points), as
// the process's resident size sees it and as the history counts it.
//
//   bench_undo [DELETES]     (default 8)

#include "framesetmodel.h"
#include "ildframeset.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QTextStream>

#include <cmath>

namespace {

// Resident set size in bytes, from /proc (0 where there is none).
qint64 residentBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    return 0;
}

double mib(qint64 bytes)
{
    return double(bytes) / (1024.0 * 1024.0);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("beamdeck.*.debug=false"));
    QTextStream out(stdout);
    const int deletes = argc > 1 ? QByteArray(argv[1]).toInt() : 8;
    const int frames = 3000, points = 5000;

    frameSetModel model;
    std::vector<IldFrame> &work = model.workSet().frames;
    work.reserve(frames);
    for (int k = 0; k < frames; ++k) {
        IldFrame f;
        f.format = 5;
        f.frameNumber = quint16(k);
        f.vertices.resize(points);
        for (int i = 0; i < points; ++i) {
            IldVertex &v = f.vertices[size_t(i)];
            const double a = 2 * M_PI * i / points;
            v.x = qint16(20000 * std::cos(a + k));
            v.y = qint16(20000 * std::sin(3 * a));
            v.r = quint8(i);
            v.g = quint8(k);
            v.status = i == 0 ? IldVertex::Blanked : 0;
        }
        f.pointCount = quint16(points);
        work.push_back(std::move(f));
    }
    model.refrushModel();
    out << "show: " << frames << " frames x " << points << " points = " << qint64(frames) * (32 + 8 * points) / 1000000
        << " MB as a format-5 ILDA file, " << mib(qint64(frames) * points * qint64(sizeof(IldVertex)))
        << " MiB of points in the list\n";
    out.flush();

    for (int d = 1; d <= deletes; ++d) {
        model.setData(model.index(d * 7), true, frameSetModel::CheckRole);
        const qint64 before = residentBytes();
        const qint64 historyBefore = model.undoMemory();
        QElapsedTimer t;
        t.start();
        model.deleteFrame();
        const double ms = t.nsecsElapsed() / 1e6;
        out << "delete " << d << ": resident +" << QString::number(mib(residentBytes() - before), 'f', 1)
            << " MiB, history +" << QString::number(mib(model.undoMemory() - historyBefore), 'f', 1) << " MiB (holds "
            << QString::number(mib(model.undoMemory()), 'f', 1) << " MiB), " << QString::number(ms, 'f', 0) << " ms\n";
        out.flush();
    }
    QElapsedTimer t;
    t.start();
    for (int d = 0; d < deletes; ++d)
        model.undo();
    out << "undo x" << deletes << ": " << QString::number(t.nsecsElapsed() / 1e6, 'f', 0) << " ms, " << model.rowCount()
        << " frames back\n";
    return 0;
}
