// Frame packet figures: build time for 1800 points, and the CPU cost of
// streaming 60 such frames per second to a loopback socket.

#include "datagram.h"
#include "framepacket.h"
#include "ildframe.h"
#include "netconfig.h"
#include "palette.h"
#include "udp_test.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include <unistd.h>

namespace {

double cpuSeconds(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

IldFrame makeFrame(int points, quint8 format)
{
    IldFrame f;
    f.format = format;
    f.pointCount = quint16(points);
    f.scaleX = f.scaleY = 0.75f;
    for (int i = 0; i < points; ++i) {
        IldVertex v;
        v.x = qint16((i * 37) % 65536 - 32768);
        v.y = qint16((i * 91) % 65536 - 32768);
        v.r = quint8(i);
        v.g = quint8(i * 3);
        v.b = quint8(i * 7);
        v.colorIndex = quint8(i % 64);
        v.status = (i % 10 == 0) ? IldVertex::Blanked : 0;
        f.vertices.push_back(v);
    }
    return f;
}

void benchBuild(const char *label, const IldFrame &frame)
{
    FramePacketBuilder builder;
    Palette palette;
    const ColorContext colors{&palette, 0};
    volatile int sink = 0;
    for (int i = 0; i < 2000; ++i)
        sink += builder.build(frame, 1800, colors);
    std::vector<double> perBuild;
    const int batch = 20000;
    for (int round = 0; round < 7; ++round) {
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < batch; ++i)
            sink += builder.build(frame, 1800, colors);
        perBuild.push_back(double(t.nsecsElapsed()) / batch / 1000.0);
    }
    std::sort(perBuild.begin(), perBuild.end());
    std::printf("frame packet build, %d points, %s: median %.2f us, best %.2f us per packet (goal < 5 us)\n",
                frame.vertexCount(), label, perBuild[perBuild.size() / 2], perBuild.front());
    (void)sink;
}

long residentKiB()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLong() * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}

// Memory while strangers flood the controller: announcements during a search,
// and a server that sends without end.
void benchHostilePeers(QApplication &app, UDP_test &controller, const NetConfig &config)
{
    QUdpSocket stranger;
    stranger.bind(QHostAddress(QStringLiteral("127.0.0.5")), 0);
    const long before = residentKiB();
    controller.get_status();
    const int announcements = 20000;
    for (int i = 0; i < announcements; ++i) {
        Wire::Announcement a;
        a.signalId[0] = quint8(controller.sequenceCounter() + 1);
        a.ip = quint32(0x0A000000 + i); // names somebody else each time
        a.port = quint16(1000 + i % 50000);
        stranger.writeDatagram(Wire::encodeAnnouncement(a), config.bindAddress, config.clientPort);
        if (i % 50 == 49)
            controller.deal_message();
    }
    controller.deal_message();
    std::printf("%d announcements during a search: %d devices listed, resident memory %+ld KiB\n", announcements,
                int(controller.deviceList().size()), residentKiB() - before);

    QTcpServer server;
    server.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0);
    controller.setServer_address(QStringLiteral("127.0.0.1"));
    controller.setServer_port(server.serverPort());
    controller.server_tcp_link();
    QElapsedTimer wait;
    wait.start();
    while (!server.hasPendingConnections() && wait.elapsed() < 5000)
        app.processEvents();
    QTcpSocket *peer = server.nextPendingConnection();
    if (!peer) {
        std::printf("server link did not connect\n");
        return;
    }
    const long linked = residentKiB();
    const QByteArray chunk(1024 * 1024, 'x');
    const int mebibytes = 512;
    long peak = linked;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < mebibytes; ++i) {
        peer->write(chunk);
        while (peer->bytesToWrite() > 4 * chunk.size())
            app.processEvents(QEventLoop::WaitForMoreEvents, 10);
        peak = std::max(peak, residentKiB());
    }
    while (peer->bytesToWrite() > 0 && clock.elapsed() < 60000)
        app.processEvents(QEventLoop::WaitForMoreEvents, 10);
    std::printf("server sent %d MiB in %.2f s: resident memory peak %+ld KiB\n", mebibytes, clock.elapsed() / 1000.0,
                peak - linked);
    controller.server_tcp_close();
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_LOGGING_RULES", "beamdeck.*.debug=false");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    benchBuild("true colour", makeFrame(1800, 5));
    benchBuild("indexed (format 1)", makeFrame(1800, 1));
    benchBuild("2000 points cut at 1801", makeFrame(2000, 5));

    // Streaming: a receiver on 127.0.0.1 plays the projector; the controller
    // listens on 127.0.0.2 at the same port, as in the tests.
    QUdpSocket receiver;
    if (!receiver.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0, QUdpSocket::DontShareAddress)) {
        std::printf("cannot bind the receiver\n");
        return 1;
    }
    NetConfig config;
    config.discoveryAddress = QHostAddress(QStringLiteral("127.0.0.1"));
    config.bindAddress = QHostAddress(QStringLiteral("127.0.0.2"));
    config.hostAddress = QHostAddress(QStringLiteral("127.0.0.3"));
    config.clientPort = receiver.localPort();
    UDP_test controller(config);
    controller.get_status();
    Wire::Announcement a;
    a.signalId[0] = quint8(controller.sequenceCounter() + 1);
    a.ip = Wire::ipv4Value(QHostAddress(QStringLiteral("127.0.0.1")));
    a.port = receiver.localPort();
    receiver.writeDatagram(Wire::encodeAnnouncement(a), config.bindAddress, config.clientPort);
    QElapsedTimer wait;
    wait.start();
    while (controller.deviceList().isEmpty() && wait.elapsed() < 2000)
        app.processEvents();
    if (controller.deviceList().isEmpty()) {
        std::printf("controller found no device\n");
        return 1;
    }

    qint64 received = 0;
    while (receiver.hasPendingDatagrams()) // the search request
        receiver.readDatagram(nullptr, 0);
    QObject::connect(&receiver, &QUdpSocket::readyRead, [&] {
        char buf[65536];
        while (receiver.hasPendingDatagrams())
            if (receiver.readDatagram(buf, sizeof buf) > 0)
                ++received;
    });

    const IldFrame frame = makeFrame(1800, 5);
    const int seconds = 4;
    int sent = 0;
    double sendCpu = 0;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const double t0 = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        controller.sendFrame(frame);
        sendCpu += cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - t0;
        if (++sent == 60 * seconds)
            app.quit();
    });
    const double cpu0 = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    QElapsedTimer wall;
    wall.start();
    timer.start(1000 / 60);
    app.exec();
    const double elapsed = wall.nsecsElapsed() * 1e-9;
    const double processCpu = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
    std::printf("streaming %d frames of 1800 points over %.2f s (%.1f frames/s), %lld received:\n", sent, elapsed,
                sent / elapsed, received);
    std::printf("  build + send: %.1f us per frame, %.3f %% of one core at 60 frames/s (goal < 5 %%)\n",
                sendCpu / sent * 1e6, sendCpu / sent * 60 * 100);
    std::printf("  whole process incl. timer and receiving: %.3f %% of one core\n\n", processCpu / elapsed * 100);

    benchHostilePeers(app, controller, config);
    return 0;
}
