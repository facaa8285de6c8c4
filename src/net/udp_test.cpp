#include "udp_test.h"

#include "datagram.h"
#include "netlog.h"
#include "userprompt.h"

#include <QNetworkInterface>
#include <QStringListModel>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

#include <cstring>

namespace {

const char ServerTestLine[] = "123456789ABCDEF\r\n";
constexpr int ServerConnectTimeoutMs = 30000;
// What the server sends is read and dropped; this bounds what Qt buffers.
constexpr qint64 ServerReadBufferSize = 64 * 1024;
constexpr int ServerExcerptBytes = 32;
constexpr qint64 ServerLogIntervalMs = 1000;

QByteArray hexCode(quint8 code)
{
    return QByteArray::number(code, 16);
}

} // namespace

UDP_test::UDP_test(QObject *parent) : UDP_test(NetConfig::fromEnvironment(), parent) {}

UDP_test::UDP_test(const NetConfig &config, QObject *parent)
    : QObject(parent), m_discoveryAddress(config.discoveryAddress), m_bindAddress(config.bindAddress)
{
    m_deviceModel = new QStringListModel(this);
    m_deviceList = QStringList{QStringLiteral("设备IP")};
    m_portList = QVector<quint16>{Wire::DefaultPort};
    m_deviceModel->setStringList(m_deviceList);

    setHostAddress(config.hostAddress);
    m_serverAddress = config.serverAddress;
    m_serverPort = Wire::DefaultPort;
    m_clientPort = config.clientPort;

    m_clock.start();
    m_udp = new QUdpSocket(this);
    bindSocket();
    connect(m_udp, &QUdpSocket::readyRead, this, &UDP_test::deal_message);
}

UDP_test::~UDP_test()
{
    m_pendingBox.reset();
    m_answerBox.reset();
    m_udp->close();
}

void UDP_test::setPrompt(UserPrompt *prompt)
{
    m_prompt = prompt ? prompt : &UserPrompt::unattended();
}

void UDP_test::bindSocket()
{
    if (!m_udp->bind(m_bindAddress, m_clientPort))
        qCDebug(lcNet) << "bind failed:" << m_bindAddress << m_clientPort << m_udp->errorString();
}

quint16 UDP_test::localPort() const
{
    return m_udp->state() == QAbstractSocket::BoundState ? m_udp->localPort() : 0;
}

void UDP_test::setHostAddress(const QHostAddress &address)
{
    m_hostPinned = !address.isNull();
    if (m_hostPinned)
        m_hostAddress = address;
    else
        get_local_ip();
}

void UDP_test::setAddress(const QString &text)
{
    m_deviceAddress.setAddress(text);
}

void UDP_test::setAddressIndex(int index)
{
    m_addressIndex = index;
}

int UDP_test::client_port() const
{
    if (m_addressIndex < 0 || m_addressIndex >= m_portList.size())
        return 0;
    return m_portList.at(m_addressIndex);
}

void UDP_test::setClient_port(int port)
{
    if (port == m_clientPort)
        return;
    if (port < 0 || port > 65535) {
        qCDebug(lcNet) << "port out of range, ignored:" << port;
        return;
    }
    m_clientPort = quint16(port);
    if (m_addressIndex >= 0 && m_addressIndex < m_portList.size())
        m_portList[m_addressIndex] = m_clientPort;
    m_udp->close();
    bindSocket();
    qCDebug(lcNet) << "port:" << m_clientPort;
}

void UDP_test::setServer_address(const QString &text)
{
    m_serverAddress.setAddress(text);
}

bool UDP_test::deviceAddressAt(int index, QHostAddress &address) const
{
    if (index < 0 || index >= m_deviceList.size())
        return false;
    return address.setAddress(m_deviceList.at(index));
}

void UDP_test::sendDatagram(const char *data, int size, const QHostAddress &to, quint16 port)
{
    if (m_udp->writeDatagram(data, size, to, port) < 0)
        qCDebug(lcNet) << "send failed:" << to << port << m_udp->errorString();
}

void UDP_test::get_status()
{
    m_deviceList.clear();
    m_portList.clear();
    m_deviceModel->setStringList(m_deviceList);

    m_counter = Wire::nextSequence(m_counter);
    Wire::DiscoveryRequest request;
    request.counter = m_counter;
    request.serverIp = Wire::ipv4Value(m_serverAddress);
    request.serverPort = m_serverPort;
    const QByteArray datagram = Wire::encodeDiscovery(request);
    sendDatagram(datagram.constData(), datagram.size(), m_discoveryAddress, m_clientPort);
    m_search.open(m_counter, m_clock.elapsed(), m_searchWindowMs);
    // No waiting here: announcements are taken in by deal_message as they
    // arrive, so the window never stalls on a quiet network.
}

void UDP_test::deal_message()
{
    QByteArray datagram;
    while (m_udp->hasPendingDatagrams()) {
        const qint64 pending = m_udp->pendingDatagramSize();
        datagram.resize(int(qBound<qint64>(0, pending, Wire::MaxDatagramSize)));
        QHostAddress sender;
        quint16 senderPort = 0;
        const qint64 got = m_udp->readDatagram(datagram.data(), datagram.size(), &sender, &senderPort);
        if (got < 0) {
            qCDebug(lcNet) << "receive failed:" << m_udp->errorString();
            break;
        }
        datagram.resize(int(got));
        qCDebug(lcNet) << "host_address:" << m_hostAddress;
        // Our own broadcast comes back to us; skip it but keep reading, the
        // answers of the projectors are queued right behind it.
        const quint32 own = Wire::ipv4Value(m_hostAddress);
        if (own != 0 && Wire::ipv4Value(sender) == own) {
            qCDebug(lcNet) << "own datagram skipped:" << sender << senderPort;
            continue;
        }
        processDatagram(datagram, sender, senderPort);
    }
}

void UDP_test::processDatagram(const QByteArray &datagram, const QHostAddress &sender, quint16 senderPort)
{
    quint16 command = 0;
    if (!Wire::receivedCommand(datagram, command)) {
        qCDebug(lcNet) << "datagram too short, dropped:" << datagram.size() << "bytes from" << sender;
        return;
    }
    qCDebug(lcNet) << "cmd_flg:" << command << "send address:" << sender << "t_port2:" << senderPort;
    if (command == Wire::CmdDiscovery)
        onAnnouncement(datagram, sender);
    else if (command == Wire::CmdFeature)
        onFeatureAnswer(datagram, sender, senderPort);
}

void UDP_test::onAnnouncement(const QByteArray &datagram, const QHostAddress &sender)
{
    Wire::Announcement a;
    if (!Wire::decodeAnnouncement(datagram, a)) {
        qCDebug(lcNet) << "announcement shorter than" << Wire::AnnouncementSize << "bytes, dropped:" << datagram.size();
        return;
    }
    // The device is listed, and written to, at the address the datagram came
    // from: an address named inside it could be anybody's.
    const quint32 from = Wire::ipv4Value(sender);
    if (from == 0) {
        qCDebug(lcNet) << "announcement from a sender without an IPv4 address ignored:" << sender;
        return;
    }
    const AnnouncementFilter::Verdict verdict = m_search.take(a.signalId[0], from, a.port, m_clock.elapsed());
    if (verdict == AnnouncementFilter::WrongSequence)
        return;
    if (verdict != AnnouncementFilter::Accepted) {
        qCDebug(lcNet) << "announcement ignored," << AnnouncementFilter::verdictText(verdict) << ":" << sender
                       << a.port;
        return;
    }

    const QString text = Wire::ipv4Text(from);
    qCDebug(lcNet) << "tempRef.ip:" << a.ip << "device_address.toString():" << text;
    if (a.ip != from)
        qCDebug(lcNet) << "announced address" << Wire::ipv4Text(a.ip) << "differs from the sender, listed as" << text;
    m_deviceList.append(text);
    m_portList.append(a.port);
    m_deviceModel->setStringList(m_deviceList);
    send_feature(m_deviceList.size() - 1, Wire::feature_pc_write);
    qCDebug(lcNet) << "device_list:" << m_deviceList << "size:" << a.size
                   << "signal_id:" << Wire::hexBytes(reinterpret_cast<const char *>(a.signalId.data()), 8)
                   << "ip:" << text << "port:" << a.port;
    emit address_Change(int(from));
    emit client_port_Change(a.port);
}

void UDP_test::send_feature(int device_index, uchar read_write_flg)
{
    QHostAddress target;
    if (!deviceAddressAt(device_index, target))
        return;
    m_deviceAddress = target;
    const QByteArray packet =
        Wire::encodeFeaturePacket(Wire::makeFeatureRequest(read_write_flg, m_counter, Wire::ipv4Value(m_hostAddress)));
    sendDatagram(packet.constData(), packet.size(), m_deviceAddress, m_clientPort);
    qCDebug(lcNet) << "授权:" << m_deviceAddress << m_clientPort
                   << ("read_write_flg:0x" + hexCode(read_write_flg)).constData();

    if (read_write_flg == Wire::feature_pc_request) {
        m_requestTarget = m_deviceAddress;
        m_requestOutstanding = true;
        closePendingBox();
        // Shown without blocking; the projector's answer closes it.
        m_pendingBox = m_prompt->openMessage(UserPrompt::NoIcon, QStringLiteral("请求控灯"),
                                             QStringLiteral("请求控灯的信息已经发出"), UserPrompt::Ok);
    }
}

void UDP_test::closePendingBox()
{
    if (m_pendingBox) {
        m_pendingBox->close();
        m_pendingBox.reset();
    }
}

bool UDP_test::answerBoxOpen() const
{
    return m_answerBox && m_answerBox->isOpen();
}

void UDP_test::showAnswer(UserPrompt::Icon icon, const QString &title, const QString &text)
{
    // A burst of answers must not pile up boxes: one at a time, the rest logged.
    if (answerBoxOpen()) {
        qCDebug(lcNet) << "answer box already open, not shown:" << title << text;
        return;
    }
    m_answerBox.reset();
    m_answerBox = m_prompt->openMessage(icon, title, text, UserPrompt::Ok, UserPrompt::Ok);
}

void UDP_test::onFeatureAnswer(const QByteArray &datagram, const QHostAddress &sender, quint16 senderPort)
{
    Wire::cmd_joVerta_feature_t f;
    if (!Wire::decodeFeatureRecord(datagram, f)) {
        qCDebug(lcNet) << "feature record shorter than" << Wire::FeatureRecordSize
                       << "bytes, dropped:" << datagram.size();
        return;
    }
    qCDebug(lcNet) << "m_get_cmd.signal_id:" << m_counter << "tempRef.ack_id:" << f.ack_id;
    qCDebug(lcNet) << "cmd:" << f.command << "read_write_flg:" << f.read_write_flg << "length:" << f.length
                   << "device_password:" << Wire::hexBytes(reinterpret_cast<const char *>(f.device_password.data()), 8)
                   << "feature:" << Wire::hexBytes(reinterpret_cast<const char *>(f.feature.data()), 4)
                   << "ip1:" << Wire::ipv4Text(f.ip1) << "port1:" << f.port1 << "ip2:" << Wire::ipv4Text(f.ip2)
                   << "port2:" << f.port2 << "text1:" << f.text1First() << f.text1Second()
                   << "text2:" << Wire::hexBytes(f.text2.data(), 16);

    // Answers come from the device asked, while it has not answered yet;
    // questions only from a listed device. Anything else is a stranger's.
    const bool fromRequested = m_requestOutstanding && Wire::ipv4Value(sender) == Wire::ipv4Value(m_requestTarget);
    switch (f.read_write_flg) {
    case Wire::feature_grant_pc_request:
    case Wire::feature_refuse_pc_request:
        if (!fromRequested) {
            qCDebug(lcNet) << "answer to no request of ours ignored:" << sender << senderPort
                           << "read_write_flg:" << f.read_write_flg;
            return;
        }
        m_requestOutstanding = false;
        break;
    case Wire::feature_authorise_question:
        if (!isListed(sender)) {
            qCDebug(lcNet) << "question from an unlisted sender ignored:" << sender << senderPort;
            return;
        }
        break;
    default:
        break;
    }

    switch (f.read_write_flg) {
    case Wire::feature_grant_pc_request:
        closePendingBox();
        showAnswer(UserPrompt::Information, QStringLiteral("通过"), QStringLiteral("控灯请求通过，现在可以控制灯具了"));
        break;
    case Wire::feature_refuse_pc_request:
        closePendingBox();
        showAnswer(UserPrompt::Warning, QStringLiteral("拒绝"), QStringLiteral("请求控灯的请求被拒绝"));
        break;
    case Wire::feature_authorise_question:
        // Asked instead of answered: the request is settled either way.
        if (fromRequested) {
            m_requestOutstanding = false;
            closePendingBox();
        }
        if (f.ip2 == Wire::ipv4Value(m_hostAddress))
            showAnswer(UserPrompt::Information, QStringLiteral("new device"), QStringLiteral("已经获得授权了"));
        else
            askAuthorisation(f, sender, senderPort);
        break;
    default:
        break;
    }
}

bool UDP_test::isListed(const QHostAddress &address) const
{
    const quint32 ip = Wire::ipv4Value(address);
    if (ip == 0)
        return false;
    for (const QString &entry : m_deviceList)
        if (Wire::ipv4Value(QHostAddress(entry)) == ip)
            return true;
    return false;
}

void UDP_test::askAuthorisation(const Wire::cmd_joVerta_feature_t &record, const QHostAddress &sender,
                                quint16 senderPort)
{
    if (answerBoxOpen()) {
        // Nobody can be asked right now; refusing is the answer the box
        // defaults to, and the projector may ask again.
        qCDebug(lcNet) << "answer box already open, authorisation refused:" << Wire::ipv4Text(record.ip2);
        replyAuthorisation(record, Wire::feature_authorise_refuse, sender, senderPort);
        return;
    }
    m_answerBox.reset();
    QPointer<UDP_test> self(this);
    m_answerBox = m_prompt->openMessage(
        UserPrompt::Question, QStringLiteral("new device"),
        QStringLiteral("新设备需要授权，IP:") + Wire::ipv4Text(record.ip2), UserPrompt::Yes | UserPrompt::No,
        UserPrompt::No, [self, record, sender, senderPort](UserPrompt::Button button) {
            if (!self)
                return;
            self->replyAuthorisation(
                record, button == UserPrompt::Yes ? Wire::feature_authorise_agree : Wire::feature_authorise_refuse,
                sender, senderPort);
        });
}

void UDP_test::replyAuthorisation(const Wire::cmd_joVerta_feature_t &record, quint8 code, const QHostAddress &to,
                                  quint16 port)
{
    Wire::cmd_joVerta_feature_t reply = record;
    reply.read_write_flg = code;
    reply.ack_id = m_counter;
    const QByteArray packet = Wire::encodeFeaturePacket(reply);
    sendDatagram(packet.constData(), packet.size(), to, port);
    qCDebug(lcNet) << "授权应答:" << Wire::ipv4Text(record.ip2) << record.port2 << "read_write_flg:" << code;
}

void UDP_test::send_headler()
{
    m_counter = Wire::nextSequence(m_counter);
    Wire::DeviceSettings s;
    s.counter = m_counter;
    s.functionFun = m_functionFun;
    s.net_no_signal = m_net_no_signal;
    s.scanSpeed_p2p = m_scanSpeed_p2p;
    s.scan_rate = m_scan_rate;
    s.color = m_color;
    s.constantFF = m_constantFF;
    s.ilda_switch = m_ilda_switch;
    QHostAddress target;
    if (!deviceAddressAt(m_addressIndex, target))
        return;
    m_deviceAddress = target;
    const QByteArray packet = Wire::encodeSettings(s);
    sendDatagram(packet.constData(), packet.size(), m_deviceAddress, m_clientPort);
}

void UDP_test::sendFrame(const IldFrame &frame)
{
    QHostAddress target;
    if (!deviceAddressAt(m_addressIndex, target))
        return;
    m_deviceAddress = target;
    const int size = m_frameBuilder.build(frame, m_max_tran_point, m_colors ? *m_colors : ColorContext());
    sendDatagram(m_frameBuilder.data(), size, m_deviceAddress, m_clientPort);
}

void UDP_test::setServerState(ServerLinkState state, const QString &error)
{
    if (state == m_serverState && error == m_serverError)
        return;
    m_serverState = state;
    m_serverError = error;
    emit server_state_Change();
}

void UDP_test::server_tcp_link()
{
    if (m_tcp)
        return;
    QTcpSocket *socket = new QTcpSocket(this);
    m_tcp = socket;
    socket->setReadBufferSize(ServerReadBufferSize);
    const QHostAddress address = m_serverAddress;
    const quint16 port = m_serverPort;
    m_serverBytesRead = 0;
    m_serverLoggedAt = -1;
    setServerState(ServerConnecting);

    // The outcome is logged once, when known; the window never waits for it.
    auto reported = std::make_shared<bool>(false);
    auto report = [address, port, reported](bool ok) {
        if (*reported)
            return;
        *reported = true;
        qCDebug(lcNet) << "链接服务器:" << address << port << (ok ? "true" : "false");
    };
    auto *timeout = new QTimer(socket);
    timeout->setSingleShot(true);
    connect(timeout, &QTimer::timeout, this, [this, socket, report] {
        if (m_tcp != socket)
            return;
        if (socket->state() != QAbstractSocket::ConnectedState) {
            report(false);
            onServerLinkFailed(socket, QStringLiteral("Connection timed out"));
        }
    });
    connect(socket, &QAbstractSocket::connected, this, [this, socket, timeout, report] {
        timeout->stop();
        report(true);
        socket->write(ServerTestLine, qint64(sizeof(ServerTestLine) - 1));
        if (m_tcp == socket)
            setServerState(ServerConnected);
    });
    connect(socket, &QAbstractSocket::errorOccurred, this,
            [this, socket, timeout, report](QAbstractSocket::SocketError) {
                timeout->stop();
                report(false);
                onServerLinkFailed(socket, socket->errorString());
            });
    connect(socket, &QIODevice::readyRead, this, [this, socket] { discardServerData(socket); });
    timeout->start(ServerConnectTimeoutMs);
    socket->connectToHost(address, port, QIODevice::ReadWrite);
}

void UDP_test::onServerLinkFailed(QTcpSocket *socket, const QString &reason)
{
    if (m_tcp != socket)
        return; // a link closed on purpose
    qCDebug(lcNet) << "server link failed:" << reason;
    // A failed link is dropped, so that the next server_tcp_link tries again.
    m_tcp = nullptr;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    setServerState(ServerFailed, reason);
}

void UDP_test::discardServerData(QTcpSocket *socket)
{
    // The server has nothing to tell us; reading keeps its data from piling up.
    char excerpt[ServerExcerptBytes];
    qint64 excerptSize = 0;
    char sink[4096];
    for (;;) {
        const qint64 got = socket->read(sink, sizeof sink);
        if (got <= 0)
            break;
        if (excerptSize == 0) {
            excerptSize = qMin<qint64>(got, ServerExcerptBytes);
            std::memcpy(excerpt, sink, size_t(excerptSize));
        }
        m_serverBytesRead += got;
    }
    if (excerptSize == 0)
        return;
    const qint64 now = m_clock.elapsed();
    if (m_serverLoggedAt >= 0 && now - m_serverLoggedAt < ServerLogIntervalMs)
        return;
    m_serverLoggedAt = now;
    qCDebug(lcNet) << "server sent" << m_serverBytesRead
                   << "bytes, discarded:" << QByteArray(excerpt, int(excerptSize));
}

void UDP_test::server_tcp_close()
{
    if (!m_tcp) {
        setServerState(ServerUnlinked);
        return;
    }
    QTcpSocket *socket = m_tcp;
    m_tcp = nullptr;
    setServerState(ServerUnlinked);
    socket->disconnect(this);
    // Let a pending test line go out before the socket is dropped.
    connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
    socket->disconnectFromHost();
    if (socket->state() == QAbstractSocket::UnconnectedState)
        socket->deleteLater();
}

QString UDP_test::get_local_ip()
{
    if (!m_hostPinned) {
        const QHostAddress found = pickLocalIPv4(QNetworkInterface::allAddresses());
        if (!found.isNull())
            m_hostAddress = found;
    }
    return m_hostAddress.toString();
}

void UDP_test::set_remote_ip_port(QString add, int i)
{
    m_clientPort = quint16(i);
    if (!m_deviceAddress.setAddress(add))
        return;
    send_feature(m_addressIndex, Wire::feature_pc_read);
}
