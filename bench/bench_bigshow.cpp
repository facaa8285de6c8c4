// Start-up of the main window with a tab list of 1,000 and 2,000 play groups,
// and opening such a list from a running window. Prints figures only.
//
//   bench_bigshow [DIR] [GROUPS…]    writes the shows into DIR (or a temporary
//                                    folder); GROUPS defaults to 1000 2000
//
// The show is the demo of ildatool (five ILDA files) with GROUPS group
// settings files of five rows each and one tab list naming them all. Each run
// is a child process of its own, so that its peak resident memory
// (ru_maxrss) is its own; it builds the window as main does and stops at the
// first frame drawn. A child that draws nothing within the time limit
// (BEAMDECK_BENCH_LIMIT seconds, 300 unless set) is stopped and reported.

#include "appobjects.h"
#include "ildafiletab.h"
#include "playfiles.h"
#include "startup.h"
#include "udp_test.h"
#include "userprompt.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

namespace {

const char *const Files[] = {"circle.ild", "star.ild", "spiral.ild", "text.ild", "wave.ild"};

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// DIR/nNNNN: the demo files, NNNN group settings files and the tab list.
bool makeShow(const QString &root, int groups)
{
    if (QFile::exists(root + QStringLiteral("/play/play.list")))
        return true;
    QProcess tool;
    tool.start(QStringLiteral(ILDATOOL_PATH), {QStringLiteral("demo"), root});
    if (!tool.waitForFinished(60000) || tool.exitCode() != 0) {
        fprintf(stderr, "ildatool demo failed: %s\n", tool.readAllStandardError().constData());
        return false;
    }
    QByteArray list;
    for (int g = 0; g < groups; ++g) {
        QVector<PlayFiles::SettingsRow> rows;
        for (int i = 0; i < 5; ++i) {
            PlayFiles::SettingsRow row = PlayFiles::rowForPath(root + QStringLiteral("/shows/") + Files[(g + i) % 5]);
            row.playSpeed = quint8(1 + g % 7);
            row.check = (g + i) % 4 != 0;
            rows.append(row);
        }
        const QString name = QStringLiteral("group%1.csv").arg(g, 4, 10, QLatin1Char('0'));
        if (!writeFile(root + QStringLiteral("/play/") + name,
                       PlayFiles::formatSettings(rows, root + QLatin1Char('/')).text.toLatin1()))
            return false;
        list += (g % 5 == 4 ? "#play/" : "play/") + name.toLatin1() + '\n';
    }
    list += "#end\n";
    return writeFile(root + QStringLiteral("/play/play.list"), list);
}

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The child: the window as main builds it, until its first frame. With open
// set, the window starts without groups and then opens the show's list.
int runChild(const QString &root, bool open, int argc, char **argv)
{
    QElapsedTimer clock;
    clock.start();
    static AppObjects objects;
    qputenv("QT_QUICK_BACKEND", "software");
    const QString config = root + (open ? QStringLiteral("/empty-config") : QString());
    QDir().mkpath(config);
    qputenv("BEAMDECK_CONFIG_DIR", config.toUtf8());
    QApplication app(argc, argv);
    configureApplication();
    initPageResources();
    ildaFileTab fileTab;
    QQmlApplicationEngine engine;
    registerQmlTypes();
    auto *netUdp = new UDP_test;
    objects.handDown(&engine, &fileTab, netUdp, &UserPrompt::unattended());
    publishContextObjects(engine.rootContext(), &fileTab, &objects.frameModel, netUdp, &objects.progress);
    engine.addImportPath(QStringLiteral("qrc:/"));
    engine.load(QUrl(QStringLiteral("qrc:///qml/TabPlayer.qml")));
    if (engine.rootObjects().isEmpty())
        return 1;
    auto *window = qobject_cast<QQuickWindow *>(engine.rootObjects().first());
    if (!window)
        return 1;
    bool requested = false;
    qint64 openedAt = -1;
    QObject::connect(window, &QQuickWindow::frameSwapped, &app, [&]() {
        if (open && !requested) {
            requested = true;
            // As the open dialog does, once the empty window is up.
            QTimer::singleShot(0, &fileTab, [&]() {
                openedAt = clock.elapsed();
                fileTab.open_list(QUrl::fromLocalFile(root + QStringLiteral("/play/play.list")),
                                  QStringLiteral("list files (*.list )"));
                window->update();
            });
            return;
        }
        if (open && openedAt < 0)
            return;
        printf("%lld %ld %d\n", clock.elapsed() - (open ? openedAt : 0), peakKiB(), fileTab.rowCount());
        fflush(stdout);
        QTimer::singleShot(0, &app, &QCoreApplication::quit);
    });
    window->show();
    return app.exec();
}

void runParent(const QString &self, const QString &dir, const QList<int> &sizes, int limitSeconds)
{
    printf("%-8s %-10s %12s %14s\n", "groups", "road", "time (ms)", "peak RSS (MB)");
    for (int groups : sizes) {
        const QString root = QStringLiteral("%1/n%2").arg(dir).arg(groups);
        if (!makeShow(root, groups))
            return;
        for (const char *road : {"start", "open"}) {
            QProcess child;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("*.debug=false"));
            child.setProcessEnvironment(env);
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(self, {QStringLiteral("--child"), QLatin1String(road), root});
            if (!child.waitForFinished(limitSeconds * 1000)) {
                child.kill();
                child.waitForFinished();
                printf("%-8d %-10s %12s %14s\n", groups, road, "no window", "-");
                printf("         (stopped after %d s)\n", limitSeconds);
                fflush(stdout);
                continue;
            }
            qint64 ms = 0;
            long kib = 0;
            int tabs = 0;
            if (sscanf(child.readAllStandardOutput().constData(), "%lld %ld %d", &ms, &kib, &tabs) != 3) {
                printf("%-8d %-10s %12s\n", groups, road, "failed");
                continue;
            }
            if (tabs != groups)
                printf("         (%d tabs loaded, expected %d)\n", tabs, groups);
            printf("%-8d %-10s %12lld %14.1f\n", groups, road, ms, kib / 1024.0);
            fflush(stdout);
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && qstrcmp(argv[1], "--child") == 0)
        return runChild(QString::fromLocal8Bit(argv[3]), qstrcmp(argv[2], "open") == 0, 1, argv);

    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QTemporaryDir temp;
    QString dir = temp.path();
    if (!args.isEmpty() && !args.first().toInt()) {
        dir = QDir(args.takeFirst()).absolutePath();
        QDir().mkpath(dir);
    }
    QList<int> sizes;
    for (const QString &a : args)
        if (a.toInt() > 0)
            sizes << a.toInt();
    if (sizes.isEmpty())
        sizes = {1000, 2000};
    const int limit =
        qEnvironmentVariableIsSet("BEAMDECK_BENCH_LIMIT") ? qEnvironmentVariableIntValue("BEAMDECK_BENCH_LIMIT") : 300;
    printf("main window with a tab list of N groups of 5 files (start: at start-up; open: from the open dialog)\n");
    runParent(QCoreApplication::applicationFilePath(), dir, sizes, limit);
    return 0;
}
