// Read and write throughput of the ILDA reader and writer on a generated
// 100 MB file of format-5 frames of 1000 points, beside the time to read the
// same bytes into memory. The reader reads files into memory in pieces (a
// mapping would fault when the file is cut meanwhile); the writer streams.

#include "ildframeset.h"
#include "palette.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTextStream>

#include <cmath>
#include <unistd.h>

namespace {

IldFrameSet makeShow(int frames, int points)
{
    IldFrameSet set;
    set.frames.reserve(size_t(frames));
    for (int f = 0; f < frames; ++f) {
        IldFrame frame;
        frame.format = 5;
        frame.check = true;
        frame.vertices.resize(size_t(points));
        for (int i = 0; i < points; ++i) {
            IldVertex &v = frame.vertices[size_t(i)];
            const double a = 2 * M_PI * i / points + f * 0.01;
            v.x = qint16(20000 * std::cos(a));
            v.y = qint16(20000 * std::sin(3 * a));
            v.r = quint8(i);
            v.g = quint8(f);
            v.b = quint8(i * 3);
            v.status = (i % 50 == 0) ? IldVertex::Blanked : 0;
        }
        set.frames.push_back(std::move(frame));
    }
    return set;
}

template <typename F> double bestOf(int runs, F &&fn)
{
    double best = 1e99;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        fn();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

} // namespace

int main()
{
    QLoggingCategory::setFilterRules(QStringLiteral("beamdeck.*.debug=false"));
    QTextStream out(stdout);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.ild"));
    const int frames = 12500, points = 1000;

    IldFrameSet show = makeShow(frames, points);
    Palette palette;
    const ColorContext colors{&palette, 0};
    const double writeMs = bestOf(3, [&] { show.saveIld(path, colors); });
    const double sizeMb = QFile(path).size() / 1e6;
    // The written pages reach the disk now, not in the middle of the reads.
    ::sync();

    qint64 sink = 0;
    const double rawMs = bestOf(5, [&] {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        sink += f.readAll().size();
    });
    size_t vertices = 0;
    const double parseMs = bestOf(5, [&] {
        IldFrameSet set;
        set.fromFileIld(path, false);
        vertices = 0;
        for (const IldFrame &fr : set.frames)
            vertices += fr.vertices.size();
    });

    // The same read reporting its progress, as the pages and ildatool do.
    qint64 reports = 0;
    const double progressMs = bestOf(5, [&] {
        IldFrameSet set;
        set.fromFileIld(path, false, [&reports](qint64, qint64) {
            ++reports;
            return true;
        });
    });

    out << QStringLiteral("file: %1 MB, %2 frames of %3 points (%4 vertices read)\n")
               .arg(sizeMb, 0, 'f', 1)
               .arg(frames)
               .arg(points)
               .arg(vertices);
    out << QStringLiteral("raw read into memory: %1 ms (%2 MB/s)\n")
               .arg(rawMs, 0, 'f', 1)
               .arg(sizeMb / rawMs * 1000, 0, 'f', 0);
    out << QStringLiteral("ILDA read (parse):    %1 ms (%2 MB/s), %3x the raw read\n")
               .arg(parseMs, 0, 'f', 1)
               .arg(sizeMb / parseMs * 1000, 0, 'f', 0)
               .arg(parseMs / rawMs, 0, 'f', 2);
    out << QStringLiteral("ILDA read, progress:  %1 ms (%2 reports per read)\n")
               .arg(progressMs, 0, 'f', 1)
               .arg(reports / 5);
    out << QStringLiteral("ILDA write (save):    %1 ms (%2 MB/s)\n")
               .arg(writeMs, 0, 'f', 1)
               .arg(sizeMb / writeMs * 1000, 0, 'f', 0);
    return sink > 0 ? 0 : 1;
}
