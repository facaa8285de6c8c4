#include "simulatedprojector.h"

#include "datagram.h"

#include <QUdpSocket>

namespace {

// The history is for tests to inspect; a long run (or a flood of large
// datagrams) must not turn it into a memory sink.
constexpr int KeepReceived = 4096;

QString codeName(quint8 code)
{
    switch (code) {
    case Wire::feature_pc_read:
        return QStringLiteral("read request");
    case Wire::feature_pc_write:
        return QStringLiteral("write request");
    case Wire::feature_pc_request:
        return QStringLiteral("control request");
    case Wire::feature_refuse_pc_request:
        return QStringLiteral("control refused");
    case Wire::feature_grant_pc_request:
        return QStringLiteral("control granted");
    case Wire::feature_authorise_question:
        return QStringLiteral("authorisation question");
    case Wire::feature_authorise_refuse:
        return QStringLiteral("authorisation refused");
    case Wire::feature_authorise_agree:
        return QStringLiteral("authorisation agreed");
    default:
        return QStringLiteral("unknown code");
    }
}

QString pointText(const Wire::PointRecord &p)
{
    return QStringLiteral("(%1,%2 #%3%4%5 s%6)")
        .arg(p.x)
        .arg(p.y)
        .arg(p.r, 2, 16, QLatin1Char('0'))
        .arg(p.g, 2, 16, QLatin1Char('0'))
        .arg(p.b, 2, 16, QLatin1Char('0'))
        .arg(p.status, 2, 16, QLatin1Char('0'));
}

} // namespace

SimulatedProjector::SimulatedProjector(const Options &options, QObject *parent)
    : QObject(parent), m_options(options), m_socket(new QUdpSocket(this))
{
    connect(m_socket, &QUdpSocket::readyRead, this, &SimulatedProjector::readPending);
}

SimulatedProjector::~SimulatedProjector() = default;

bool SimulatedProjector::listen()
{
    // A free port chosen by the system must not be one somebody shares.
    const auto mode = m_options.port == 0 ? QUdpSocket::DontShareAddress : QUdpSocket::DefaultForPlatform;
    return m_socket->bind(m_options.address, m_options.port, mode);
}

QString SimulatedProjector::errorString() const
{
    return m_socket->errorString();
}

quint16 SimulatedProjector::port() const
{
    return m_socket->localPort();
}

quint32 SimulatedProjector::ownIp() const
{
    const quint32 ip = Wire::ipv4Value(m_options.address);
    return ip ? ip : Wire::ipv4Value(QHostAddress(QHostAddress::LocalHost));
}

void SimulatedProjector::clear()
{
    m_received.clear();
    m_receivedBytes = 0;
    m_counts.clear();
}

QVector<SimulatedProjector::Received> SimulatedProjector::receivedWithCommand(quint16 command) const
{
    QVector<Received> r;
    for (const Received &d : m_received) {
        quint16 c = 0;
        if (Wire::sentCommand(d.data, c) && c == command)
            r.append(d);
    }
    return r;
}

bool SimulatedProjector::parseAnswer(const QString &text, Answer &answer)
{
    static const QHash<QString, Answer> names{
        {QStringLiteral("grant"), Grant},
        {QStringLiteral("refuse"), Refuse},
        {QStringLiteral("ask"), Ask},
        {QStringLiteral("none"), NoAnswer},
    };
    const auto it = names.find(text);
    if (it == names.end())
        return false;
    answer = it.value();
    return true;
}

void SimulatedProjector::sendRaw(const QByteArray &datagram, const QHostAddress &to, quint16 port)
{
    m_socket->writeDatagram(datagram, to, port);
}

void SimulatedProjector::askAuthorisation(const QHostAddress &party, const QHostAddress &to, quint16 port)
{
    Wire::cmd_joVerta_feature_t q = Wire::makeFeatureRequest(Wire::feature_authorise_question, ++m_counter, ownIp());
    q.port1 = this->port();
    q.ip2 = Wire::ipv4Value(party);
    q.port2 = Wire::DefaultPort;
    sendRaw(Wire::encodeFeatureRecord(q), to, port);
}

void SimulatedProjector::readPending()
{
    while (m_socket->hasPendingDatagrams()) {
        QByteArray data(int(qMax<qint64>(0, m_socket->pendingDatagramSize())), Qt::Uninitialized);
        QHostAddress sender;
        quint16 senderPort = 0;
        const qint64 got = m_socket->readDatagram(data.data(), data.size(), &sender, &senderPort);
        if (got < 0)
            break;
        data.resize(int(got));
        handle(data, sender, senderPort);
    }
}

void SimulatedProjector::handle(const QByteArray &datagram, const QHostAddress &sender, quint16 senderPort)
{
    if (m_received.size() >= KeepReceived || m_receivedBytes + datagram.size() > MaxHistoryBytes) {
        // The oldest half goes at once (more if the bytes still do not fit),
        // so trimming is not paid on every datagram.
        int drop = 0;
        qint64 dropBytes = 0;
        while (drop < m_received.size() &&
               (drop < m_received.size() / 2 || m_receivedBytes - dropBytes + datagram.size() > MaxHistoryBytes)) {
            dropBytes += m_received.at(drop).data.size();
            ++drop;
        }
        m_received.remove(0, drop);
        m_receivedBytes -= dropBytes;
    }
    m_received.append(Received{sender, senderPort, datagram});
    m_receivedBytes += datagram.size();
    quint16 command = 0;
    const bool ours = Wire::sentCommand(datagram, command);
    if (ours)
        ++m_counts[command];
    emit logLine(QStringLiteral("from %1:%2 %3").arg(sender.toString()).arg(senderPort).arg(describe(datagram)));
    emit datagramReceived(datagram, sender, senderPort);
    if (!ours)
        return;

    if (command == Wire::CmdDiscovery) {
        Wire::DiscoveryRequest request;
        if (!Wire::decodeDiscovery(datagram, request))
            return;
        Wire::Announcement a;
        a.signalId[0] = quint8(request.counter + 1);
        std::copy(m_options.deviceId.begin(), m_options.deviceId.end(), a.signalId.begin() + 1);
        a.ip = ownIp();
        a.port = port();
        const QByteArray model("SIMPROJ");
        std::copy(model.begin(), model.end(), a.deviceData.begin());
        sendRaw(Wire::encodeAnnouncement(a), sender, senderPort);
    } else if (command == Wire::CmdFeature) {
        Wire::cmd_joVerta_feature_t f;
        if (!Wire::decodeFeaturePacket(datagram, f) || f.read_write_flg != Wire::feature_pc_request)
            return;
        Wire::cmd_joVerta_feature_t reply = f;
        reply.ack_id = ++m_counter;
        switch (m_options.answer) {
        case Grant:
            reply.read_write_flg = Wire::feature_grant_pc_request;
            break;
        case Refuse:
            reply.read_write_flg = Wire::feature_refuse_pc_request;
            break;
        case Ask:
            askAuthorisation(m_options.party, sender, senderPort);
            return;
        case NoAnswer:
            return;
        }
        sendRaw(Wire::encodeFeatureRecord(reply), sender, senderPort);
    }
}

QString SimulatedProjector::describe(const QByteArray &d)
{
    quint16 command = 0;
    if (!Wire::sentCommand(d, command))
        return QStringLiteral("unknown datagram, %1 bytes: %2")
            .arg(d.size())
            .arg(Wire::hexBytes(d.constData(), qMin(d.size(), 32)));

    switch (command) {
    case Wire::CmdDiscovery: {
        Wire::DiscoveryRequest r;
        if (!Wire::decodeDiscovery(d, r))
            break;
        return QStringLiteral("search request: counter %1, server %2:%3")
            .arg(r.counter)
            .arg(Wire::ipv4Text(r.serverIp))
            .arg(r.serverPort);
    }
    case Wire::CmdFeature: {
        Wire::cmd_joVerta_feature_t f;
        if (!Wire::decodeFeaturePacket(d, f))
            break;
        return QStringLiteral(
                   "feature packet: code %1 (%2), ack %3, address 1 %4:%5, address 2 %6:%7, text \"%8\" \"%9\"")
            .arg(f.read_write_flg)
            .arg(codeName(f.read_write_flg))
            .arg(f.ack_id)
            .arg(Wire::ipv4Text(f.ip1))
            .arg(f.port1)
            .arg(Wire::ipv4Text(f.ip2))
            .arg(f.port2)
            .arg(f.text1First(), f.text1Second());
    }
    case Wire::CmdSettings: {
        Wire::DeviceSettings s;
        if (!Wire::decodeSettings(d, s))
            break;
        return QStringLiteral("settings: counter %1, functionFun %2, net_no_signal %3, scanSpeed_p2p %4, scan_rate %5, "
                              "color %6, ilda_switch %7")
            .arg(s.counter)
            .arg(s.functionFun)
            .arg(s.net_no_signal)
            .arg(s.scanSpeed_p2p)
            .arg(s.scan_rate)
            .arg(s.color)
            .arg(s.ilda_switch);
    }
    case Wire::CmdFrame: {
        Wire::FramePacket f;
        Wire::PointRecord first[3];
        if (!Wire::decodeFramePacket(d, f, first, 3))
            break;
        QString line = QStringLiteral("frame: %1 points (header %2)").arg(f.recordCount).arg(f.headerPointCount);
        const int shown = qMin(3, f.recordCount);
        if (shown > 0) {
            line += QStringLiteral(", first:");
            for (int i = 0; i < shown; ++i)
                line += QLatin1Char(' ') + pointText(first[i]);
        }
        return line;
    }
    default:
        break;
    }
    return QStringLiteral("command %1, %2 bytes: %3")
        .arg(command)
        .arg(d.size())
        .arg(Wire::hexBytes(d.constData(), qMin(d.size(), 32)));
}
