// Figures for the frame editor: revise and C table export over a working
// list of 2,000 frames of 1,000 points.

#include "ctable.h"
#include "ildframeset.h"
#include "palette.h"
#include "revise.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace {

IldFrameSet workingList(int frames, int points)
{
    IldFrameSet set;
    set.frames.reserve(size_t(frames));
    for (int k = 0; k < frames; ++k) {
        IldFrame f;
        f.format = 5;
        f.check = true;
        f.vertices.reserve(size_t(points));
        for (int i = 0; i < points; ++i) {
            // A rosette with a blanked jump every 100 points: corners, runs and colour changes.
            const double a = 2 * M_PI * i / points;
            const double r = 20000 + 8000 * std::sin(7 * a + k);
            IldVertex v;
            v.x = qint16(r * std::cos(a));
            v.y = qint16(r * std::sin(a));
            v.r = quint8(i * 3);
            v.g = quint8(k);
            v.b = quint8(255 - i);
            v.status = (i % 100 < 3) ? IldVertex::Blanked : 0;
            f.vertices.push_back(v);
        }
        f.pointCount = quint16(points);
        set.frames.push_back(std::move(f));
    }
    return set;
}

struct Timing
{
    double first = 0; // cold: fresh memory
    double best = 1e300;
};

Timing timeRuns(int runs, const std::function<void()> &work)
{
    Timing r;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        const double ms = t.nsecsElapsed() / 1e6;
        if (i == 0)
            r.first = ms;
        r.best = std::min(r.best, ms);
    }
    return r;
}

QString figures(const Timing &t)
{
    return QStringLiteral("first %1 ms, best %2 ms").arg(t.first, 0, 'f', 1).arg(t.best, 0, 'f', 1);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The per-corner debug lines would measure the terminal, not the algorithm.
    QLoggingCategory::setFilterRules(QStringLiteral("beamdeck.*.debug=false"));
    QTextStream out(stdout);
    const int runs = 5;
    IldFrameSet work = workingList(2000, 1000);

    struct Case
    {
        const char *name;
        ReviseParams p;
    };
    ReviseParams thin;
    thin.addPoint = 0;
    thin.blankPoint = 2;
    thin.totalPoint = 300;
    ReviseParams high;
    high.between = 3;
    high.addPoint = 2;
    high.blankPoint = 2;
    for (const Case &c : {Case{"revise thinning (T=300, P=2)", thin}, Case{"revise highlight (B=3, A=2, P=2)", high}}) {
        IldFrameSet revised; // a fresh target each case: the first run is the cold one
        const Timing ms = timeRuns(runs, [&] { reviseFrames(work, revised, c.p); });
        qint64 points = 0;
        for (const IldFrame &f : revised.frames)
            points += f.vertexCount();
        out << c.name << ": " << figures(ms) << " for 2000 x 1000 points -> " << points << " points (goal < 100 ms)\n";
    }

    Palette palette;
    const ColorContext colors{&palette, 0};
    for (int type : {0, 3}) {
        qint64 bytes = 0;
        const Timing ms = timeRuns(runs, [&] { bytes = exportCTable(work, type, colors).size(); });
        out << "C table export type " << type << ": " << figures(ms) << ", " << bytes / 1024 / 1024
            << " MiB of text (goal < 100 ms)\n";
    }
    const QByteArray text = exportCTable(work, 0, colors);
    const Timing importMs = timeRuns(runs, [&] {
        IldFrameSet back;
        importCTable(text, back);
    });
    out << "C table import: " << figures(importMs) << "\n";
    out.flush();
    return 0;
}
