#include "announcementfilter.h"
#include "commands.h"
#include "datagram.h"
#include "framepacket.h"
#include "ildframeset.h"
#include "netconfig.h"
#include "simulatedprojector.h"
#include "toolutil.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>

#include <climits>

namespace {

bool parsePort(const QString &text, quint16 &port, bool allowZero)
{
    bool ok = false;
    const uint p = text.toUInt(&ok);
    if (!ok || p > 65535 || (p == 0 && !allowZero))
        return false;
    port = quint16(p);
    return true;
}

bool parseIPv4(const QString &text, QHostAddress &address)
{
    return address.setAddress(text) && address.protocol() == QAbstractSocket::IPv4Protocol;
}

int usageError(const QString &command, const QString &message)
{
    err() << "ildatool " << command << ": " << message << "\n"
          << "Try 'ildatool " << command << " --help'.\n";
    err().flush();
    return ExitUsage;
}

} // namespace

int runProjector(const QStringList &args)
{
    QCommandLineParser parser;
    const QCommandLineOption addressOpt(QStringLiteral("address"), QStringLiteral("Loopback address to listen on."),
                                        QStringLiteral("A"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption portOpt(QStringLiteral("port"), QStringLiteral("UDP port (0 picks a free one)."),
                                     QStringLiteral("P"), QStringLiteral("8089"));
    const QCommandLineOption answerOpt(QStringLiteral("answer"),
                                       QStringLiteral("Answer to control requests: grant, refuse, ask "
                                                      "(an authorisation question) or none."),
                                       QStringLiteral("grant|refuse|ask|none"), QStringLiteral("grant"));
    const QCommandLineOption durationOpt(QStringLiteral("duration"),
                                         QStringLiteral("Stop after MS milliseconds (default: run until stopped)."),
                                         QStringLiteral("MS"), QStringLiteral("0"));
    parser.addOptions({addressOpt, portOpt, answerOpt, durationOpt});
    int code = 0;
    if (!parseCommand(parser, QStringLiteral("projector"),
                      QStringLiteral("Runs a simulated projector on a loopback address: answers search and control "
                                     "requests and prints every datagram it receives."),
                      args, 0, code))
        return code;

    SimulatedProjector::Options o;
    if (!parseIPv4(parser.value(addressOpt), o.address) || !o.address.isLoopback())
        return usageError(QStringLiteral("projector"), QStringLiteral("--address must be an IPv4 loopback address"));
    if (!parsePort(parser.value(portOpt), o.port, true))
        return usageError(QStringLiteral("projector"), QStringLiteral("--port must be 0-65535"));
    if (!SimulatedProjector::parseAnswer(parser.value(answerOpt), o.answer))
        return usageError(QStringLiteral("projector"), QStringLiteral("--answer must be grant, refuse, ask or none"));
    int duration = 0;
    if (!intOption(QStringLiteral("projector"), parser, durationOpt, 0, INT_MAX, duration))
        return ExitUsage;

    SimulatedProjector projector(o);
    if (!projector.listen()) {
        err() << "ildatool projector: cannot listen on " << o.address.toString() << ":" << o.port << ": "
              << projector.errorString() << "\n";
        err().flush();
        return ExitBadInput;
    }
    QObject::connect(&projector, &SimulatedProjector::logLine, [](const QString &line) {
        out() << line << "\n";
        out().flush();
    });
    out() << "projector listening on " << projector.address().toString() << ":" << projector.port() << "\n";
    out().flush();
    if (duration > 0)
        QTimer::singleShot(duration, qApp, &QCoreApplication::quit);
    return QCoreApplication::exec() == 0 ? ExitOk : ExitBadInput;
}

int runDiscover(const QStringList &args)
{
    QCommandLineParser parser;
    const QCommandLineOption broadcastOpt(
        QStringLiteral("broadcast"),
        QStringLiteral("Address the search request goes to. The default stays on this computer; "
                       "pass 255.255.255.255 to search the local network."),
        QStringLiteral("A"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption portOpt(QStringLiteral("port"), QStringLiteral("Projector port."), QStringLiteral("P"),
                                     QStringLiteral("8089"));
    const QCommandLineOption timeoutOpt(QStringLiteral("timeout"), QStringLiteral("How long to collect answers."),
                                        QStringLiteral("MS"), QStringLiteral("1000"));
    parser.addOptions({broadcastOpt, portOpt, timeoutOpt});
    int code = 0;
    if (!parseCommand(parser, QStringLiteral("discover"),
                      QStringLiteral("Sends a search request and lists the projectors that answer it: "
                                     "address, port and device id, one per line."),
                      args, 0, code))
        return code;

    QHostAddress target;
    quint16 port = 0;
    if (!parseIPv4(parser.value(broadcastOpt), target))
        return usageError(QStringLiteral("discover"), QStringLiteral("--broadcast must be an IPv4 address"));
    if (!parsePort(parser.value(portOpt), port, false))
        return usageError(QStringLiteral("discover"), QStringLiteral("--port must be 1-65535"));
    // A day at most: the answer window is timeout + 1 milliseconds.
    int timeout = 0;
    if (!intOption(QStringLiteral("discover"), parser, timeoutOpt, 0, 24 * 3600 * 1000, timeout))
        return ExitUsage;

    // Our own port, so that answers reach us even when a projector listens on
    // this computer at the standard port.
    QUdpSocket socket;
    if (!socket.bind(QHostAddress(QHostAddress::AnyIPv4), 0)) {
        err() << "ildatool discover: cannot open a UDP socket: " << socket.errorString() << "\n";
        err().flush();
        return ExitBadInput;
    }
    const NetConfig config = NetConfig::fromEnvironment();
    Wire::DiscoveryRequest request;
    request.counter = Wire::nextSequence(0);
    request.serverIp = Wire::ipv4Value(config.serverAddress);
    request.serverPort = Wire::DefaultPort;
    if (socket.writeDatagram(Wire::encodeDiscovery(request), target, port) < 0) {
        err() << "ildatool discover: cannot send to " << target.toString() << ":" << port << ": "
              << socket.errorString() << "\n";
        err().flush();
        return ExitBadInput;
    }

    // A projector that answers again, or a flood of answers, is listed once
    // per address and port, and the list stays short.
    AnnouncementFilter filter;
    QElapsedTimer clock;
    clock.start();
    filter.open(request.counter, 0, timeout + 1); // the whole --timeout is the window
    for (qint64 left = timeout; left > 0; left = timeout - clock.elapsed()) {
        if (!socket.waitForReadyRead(int(left)))
            continue;
        while (socket.hasPendingDatagrams()) {
            QByteArray data(int(qMax<qint64>(0, socket.pendingDatagramSize())), Qt::Uninitialized);
            const qint64 got = socket.readDatagram(data.data(), data.size());
            if (got < 0)
                break;
            data.resize(int(got));
            Wire::Announcement a;
            quint16 command = 0;
            if (!Wire::receivedCommand(data, command) || command != Wire::CmdDiscovery ||
                !Wire::decodeAnnouncement(data, a) ||
                filter.take(a.signalId[0], a.ip, a.port, clock.elapsed()) != AnnouncementFilter::Accepted)
                continue;
            out() << Wire::ipv4Text(a.ip) << " " << a.port << " "
                  << QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(a.signalId.data()) + 1, 7).toHex())
                  << "\n";
            out().flush();
        }
    }
    err() << filter.accepted() << " projector(s) answered\n";
    err().flush();
    return ExitOk;
}

int runStream(const QStringList &args)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("IN.ild"), QStringLiteral("ILDA file whose frames are sent."));
    const QCommandLineOption toOpt(QStringLiteral("to"), QStringLiteral("Projector address and port (default 8089)."),
                                   QStringLiteral("ADDR[:PORT]"));
    const QCommandLineOption fpsOpt(QStringLiteral("fps"), QStringLiteral("Frames per second."), QStringLiteral("F"),
                                    QStringLiteral("30"));
    const QCommandLineOption limitOpt(QStringLiteral("limit"),
                                      QStringLiteral("Number of frame packets to send, cycling through the file "
                                                     "(default: every frame once)."),
                                      QStringLiteral("N"));
    const QCommandLineOption sizeOpt(QStringLiteral("size"),
                                     QStringLiteral("Scale in percent, as the frame view's size."),
                                     QStringLiteral("PERCENT"), QStringLiteral("100"));
    const QCommandLineOption maxOpt(QStringLiteral("max-points"),
                                    QStringLiteral("Point limit per packet (max_tran_point)."), QStringLiteral("M"),
                                    QStringLiteral("1800"));
    parser.addOptions({toOpt, fpsOpt, limitOpt, sizeOpt, maxOpt});
    int code = 0;
    if (!parseCommand(parser, QStringLiteral("stream"),
                      QStringLiteral("Sends the frames of IN as frame packets, one datagram per frame."), args, 1,
                      code))
        return code;

    if (!parser.isSet(toOpt))
        return usageError(QStringLiteral("stream"), QStringLiteral("--to ADDR[:PORT] is required"));
    const QString to = parser.value(toOpt);
    const int colon = to.indexOf(QLatin1Char(':'));
    QHostAddress target;
    quint16 port = Wire::DefaultPort;
    if (!parseIPv4(colon < 0 ? to : to.left(colon), target) ||
        (colon >= 0 && !parsePort(to.mid(colon + 1), port, false)))
        return usageError(QStringLiteral("stream"),
                          QStringLiteral("--to must be an IPv4 address with an optional port"));
    const QString command = QStringLiteral("stream");
    double fps = 0, size = 0;
    int maxPoints = 0, limit = -1;
    if (!realOption(command, parser, fpsOpt, 0, 10000, fps, true) ||
        !realOption(command, parser, sizeOpt, 0, 10000, size) ||
        !intOption(command, parser, maxOpt, 0, 65535, maxPoints) ||
        (parser.isSet(limitOpt) && !intOption(command, parser, limitOpt, 0, INT_MAX, limit)))
        return ExitUsage;

    IldFrameSet set;
    OwnedViewSettings view;
    if (!loadIldaFile(parser.positionalArguments().at(0), set, *view.get()))
        return ExitBadInput;
    if (set.frames.empty()) {
        err() << "ildatool stream: " << parser.positionalArguments().at(0) << " holds no frames\n";
        err().flush();
        return ExitBadInput;
    }

    QUdpSocket socket;
    FramePacketBuilder builder;
    const int total = limit >= 0 ? limit : int(set.frames.size());
    const qint64 periodNs = qint64(1e9 / fps);
    const float scale = float(size / 100.0);
    QElapsedTimer clock;
    clock.start();
    int sent = 0;
    qint64 bytes = 0;
    for (int i = 0; i < total; ++i) {
        const qint64 due = periodNs * i;
        const qint64 wait = due - clock.nsecsElapsed();
        if (wait > 0)
            QThread::usleep(quint64(wait / 1000));
        IldFrame frame = set.frames.at(size_t(i) % set.frames.size());
        frame.scaleX = scale;
        frame.scaleY = scale;
        const int n = builder.build(frame, quint16(maxPoints), view->colors);
        if (socket.writeDatagram(builder.data(), n, target, port) == n) {
            ++sent;
            bytes += n;
        } else {
            err() << "ildatool stream: send failed: " << socket.errorString() << "\n";
        }
    }
    err() << "sent " << sent << " frame packet(s), " << bytes << " bytes, to " << target.toString() << ":" << port
          << "\n";
    err().flush();
    return sent == total ? ExitOk : ExitBadInput;
}
