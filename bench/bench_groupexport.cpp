// Group image export of 200 files x 100 frames x 500 points (10 million
// points), against the time to read those files twice. Prints figures only.
//
//   bench_groupexport [DIR]      generates the files in DIR (or a temporary
//                                folder) and runs the comparison
//
// The export runs in a child process of its own so that its peak resident
// memory (ru_maxrss) is its own and not that of the generation or reading.

#include "groupimagebuilder.h"
#include "ildframeset.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextCodec>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int Files = 200;
constexpr int Frames = 100;
constexpr int Points = 500;

QString filePath(const QString &dir, int i)
{
    return QStringLiteral("%1/f%2.ild").arg(dir).arg(i, 3, 10, QLatin1Char('0'));
}

void put16(QByteArray &b, quint16 v)
{
    b.append(char(v >> 8));
    b.append(char(v));
}

bool generate(const QString &dir)
{
    for (int i = 0; i < Files; ++i) {
        const QString path = filePath(dir, i);
        if (QFileInfo(path).size() == Frames * (32 + Points * 8))
            continue;
        QByteArray b;
        b.reserve(Frames * (32 + Points * 8));
        for (int f = 0; f < Frames; ++f) {
            b.append("ILDA\0\0\0\x05", 8);
            b.append("bench\0\0\0company\0", 16);
            put16(b, Points);
            put16(b, quint16(f));
            put16(b, Frames);
            b.append("\0\0", 2);
            for (int p = 0; p < Points; ++p) {
                put16(b, quint16(qint16((p * 131 + f * 17 + i) % 60000 - 30000)));
                put16(b, quint16(qint16((p * 71 + f * 29) % 60000 - 30000)));
                b.append(char(p == Points - 1 ? 0x80 : (p % 50 == 0 ? 0x40 : 0)));
                b.append(char(p));
                b.append(char(f));
                b.append(char(i));
            }
        }
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(b) != b.size())
            return false;
    }
    return true;
}

double maxRssMiB(int who)
{
    rusage u{};
    getrusage(who, &u);
    return u.ru_maxrss / 1024.0; // kilobytes on Linux
}

int exportOnly(const QString &dir, const QString &out)
{
    ExportGroup group{QStringLiteral("bench"), {}};
    std::vector<ExportGroup> groups;
    for (int g = 0; g < 2; ++g) {
        ExportGroup eg{QStringLiteral("bench%1").arg(g), {}};
        for (int i = g * Files / 2; i < (g + 1) * Files / 2; ++i)
            eg.files.push_back(ExportFile{filePath(dir, i), QFileInfo(filePath(dir, i)).fileName(), 1, 0, 1, true});
        groups.push_back(eg);
    }
    const double before = maxRssMiB(RUSAGE_SELF);
    GroupImageBuilder builder;
    builder.setCreationTime(0);
    QElapsedTimer t;
    t.start();
    const auto outcome = builder.save(GroupImageBuilder::GroupImage, groups, out);
    const qint64 ms = t.elapsed();
    if (outcome != GroupImageBuilder::Written) {
        std::fprintf(stderr, "export failed: %s\n", qPrintable(builder.errorString()));
        return 1;
    }
    const double seconds = ms / 1000.0;
    const double mib = builder.imageLength() / 1048576.0;
    std::printf("export:        %8.3f s  %6.1f M points/s  %6.1f MiB/s written  image %.1f MiB, checksum 0x%08x\n",
                seconds, builder.layout().totalVertices() / 1e6 / seconds, mib / seconds, mib, builder.checksum());
    std::printf("export memory: peak RSS %.1f MiB (%.1f MiB before the export started)\n", maxRssMiB(RUSAGE_SELF),
                before);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args.at(1) == QLatin1String("--export-only"))
        return exportOnly(args.at(2), args.at(3));

    QTemporaryDir tmp;
    const QString dir = args.size() > 1 ? args.at(1) : tmp.path();
    QDir().mkpath(dir);
    std::printf("%d files x %d frames x %d points = %d points, in %s\n", Files, Frames, Points, Files * Frames * Points,
                qPrintable(dir));
    if (!generate(dir)) {
        std::fprintf(stderr, "cannot write the input files\n");
        return 1;
    }
    const double oneFile = Frames * (32 + Points * 8) / 1048576.0;

    // Baseline: every file read twice with the application's reader (warm
    // cache). Baseline and export alternate and the best of three counts, as
    // the machine may be busy with other work.
    auto cpuSeconds = [](int who) {
        rusage u{};
        getrusage(who, &u);
        return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    };
    for (int i = 0; i < Files; ++i) {
        IldFrameSet warm;
        warm.fromFileIld(filePath(dir, i), false);
    }
    const QString out = dir + QStringLiteral("/bench.ilg");
    double bestRead = 1e9, bestReadCpu = 1e9, bestExport = 1e9, bestExportCpu = 1e9, childRss = 0;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer t;
        const double cpu0 = cpuSeconds(RUSAGE_SELF);
        t.start();
        qint64 vertices = 0;
        for (int pass = 0; pass < 2; ++pass)
            for (int i = 0; i < Files; ++i) {
                IldFrameSet set;
                set.fromFileIld(filePath(dir, i), false);
                for (const IldFrame &f : set.frames)
                    vertices += qint64(f.vertices.size());
            }
        bestRead = std::min(bestRead, t.elapsed() / 1000.0);
        bestReadCpu = std::min(bestReadCpu, cpuSeconds(RUSAGE_SELF) - cpu0);
        if (vertices != 2LL * Files * Frames * Points)
            return 1;

        std::fflush(stdout);
        const pid_t child = fork();
        if (child == 0) {
            const QByteArray self = QCoreApplication::applicationFilePath().toLocal8Bit();
            const QByteArray d = dir.toLocal8Bit();
            const QByteArray o = out.toLocal8Bit();
            execl(self.constData(), self.constData(), "--export-only", d.constData(), o.constData(), (char *)nullptr);
            _exit(127);
        }
        QElapsedTimer total;
        total.start();
        int status = 0;
        rusage usage{};
        wait4(child, &status, 0, &usage);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            return 1;
        bestExport = std::min(bestExport, total.elapsed() / 1000.0);
        bestExportCpu = std::min(bestExportCpu, usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                                                    (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6);
        childRss = std::max(childRss, usage.ru_maxrss / 1024.0);
    }
    const double image = QFileInfo(out).size() / 1048576.0;
    std::printf("best of 3:     read twice %.3f s wall, %.3f s CPU; export (child process, file written and "
                "synced) %.3f s wall, %.3f s CPU\n",
                bestRead, bestReadCpu, bestExport, bestExportCpu);
    std::printf("ratio:         %.2f x wall, %.2f x CPU the time to read the files twice (goal: within 3x); "
                "%.1f M points/s\n",
                bestExport / bestRead, bestExportCpu / bestReadCpu, Files * Frames * Points / 1e6 / bestExport);
    std::printf("memory:        export peak RSS %.1f MiB; image + one file = %.1f + %.1f = %.1f MiB (goal: no more)\n",
                childRss, image, oneFile, image + oneFile);
    QFile::remove(out);
    return 0;
}
