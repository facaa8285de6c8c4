#pragma once

#include "announcementfilter.h"
#include "colorcontext.h"
#include "frameoutput.h"
#include "framepacket.h"
#include "netconfig.h"
#include "userprompt.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVector>

#include <memory>

class QStringListModel;
class QTcpSocket;
class QUdpSocket;

namespace Wire {
struct cmd_joVerta_feature_t;
}

// The network controller: finds projectors, asks for control, sends settings
// and streams the frames the views paint. Everything runs on the GUI thread and
// nothing here waits: answers arrive through the socket's ready-read
// notification, boxes are shown without nested event loops.
class UDP_test : public QObject, public FrameOutput
{
    Q_OBJECT
    Q_PROPERTY(QString address READ address WRITE setAddress NOTIFY address_Change)
    Q_PROPERTY(int addressIndex READ addressIndex WRITE setAddressIndex NOTIFY addressIndex_Change)
    Q_PROPERTY(int client_port READ client_port WRITE setClient_port NOTIFY client_port_Change)
    Q_PROPERTY(int color READ color WRITE setColor)
    Q_PROPERTY(int functionFun READ functionFun WRITE setFunctionFun)
    Q_PROPERTY(int net_no_signal READ net_no_signal WRITE setNet_no_signal NOTIFY net_no_signal_Change)
    Q_PROPERTY(int scanSpeed_p2p READ scanSpeed_p2p WRITE setScanSpeed_p2p NOTIFY scanSpeed_p2p_Change)
    Q_PROPERTY(int scan_rate READ scan_rate WRITE setScan_rate NOTIFY scan_rate_Change)
    Q_PROPERTY(int max_tran_point READ max_tran_point WRITE setMax_tran_point NOTIFY max_tran_point_Change)
    Q_PROPERTY(int ilda_switch READ ilda_switch WRITE setIlda_switch NOTIFY ilda_switch_Change)
    Q_PROPERTY(QString server_address READ server_address WRITE setServer_address NOTIFY server_address_Change)
    Q_PROPERTY(int server_port READ server_port WRITE setServer_port NOTIFY server_port_Change)
    Q_PROPERTY(int server_state READ server_state NOTIFY server_state_Change)
    Q_PROPERTY(QString server_error READ server_error NOTIFY server_state_Change)

public:
    // State of the server link, as the player panel shows it.
    enum ServerLinkState { ServerUnlinked, ServerConnecting, ServerConnected, ServerFailed };
    Q_ENUM(ServerLinkState)

    explicit UDP_test(QObject *parent = nullptr);
    explicit UDP_test(const NetConfig &config, QObject *parent = nullptr);
    ~UDP_test() override;

    QStringListModel *deviceListModel() const { return m_deviceModel; }
    QStringList deviceList() const { return m_deviceList; }
    QVector<quint16> portList() const { return m_portList; }

    QString address() const { return m_deviceAddress.toString(); }
    void setAddress(const QString &text);
    int addressIndex() const { return m_addressIndex; }
    void setAddressIndex(int index);
    int client_port() const;
    void setClient_port(int port);

    int color() const { return m_color; }
    void setColor(int v) { m_color = quint8(v); }
    int functionFun() const { return m_functionFun; }
    void setFunctionFun(int v) { m_functionFun = quint8(v); }
    int net_no_signal() const { return m_net_no_signal; }
    void setNet_no_signal(int v) { m_net_no_signal = quint8(v); }
    int scanSpeed_p2p() const { return m_scanSpeed_p2p; }
    void setScanSpeed_p2p(int v) { m_scanSpeed_p2p = quint8(v); }
    int scan_rate() const { return m_scan_rate; }
    void setScan_rate(int v) { m_scan_rate = quint8(v); }
    int max_tran_point() const { return m_max_tran_point; }
    void setMax_tran_point(int v) { m_max_tran_point = quint16(v); }
    int ilda_switch() const { return m_ilda_switch; }
    void setIlda_switch(int v) { m_ilda_switch = quint8(v); }
    QString server_address() const { return m_serverAddress.toString(); }
    void setServer_address(const QString &text);
    int server_port() const { return m_serverPort; }
    void setServer_port(int port) { m_serverPort = quint16(port); }
    int server_state() const { return m_serverState; }
    // Why the last link failed; empty unless server_state is ServerFailed.
    QString server_error() const { return m_serverError; }

    // Where the search request goes (broadcast on a real network).
    QHostAddress discoveryAddress() const { return m_discoveryAddress; }
    void setDiscoveryAddress(const QHostAddress &address) { m_discoveryAddress = address; }
    // How long after a search announcements are taken.
    void setSearchWindow(int ms) { m_searchWindowMs = ms; }
    // Pins the own address (echo filter, feature packets); a null address
    // lets get_local_ip find it again.
    void setHostAddress(const QHostAddress &address);
    QHostAddress hostAddress() const { return m_hostAddress; }
    quint8 sequenceCounter() const { return m_counter; }
    // Port the socket is bound to, 0 when it is not bound.
    quint16 localPort() const;

    // Who answers the access boxes; null: nobody (every box closes unanswered).
    void setPrompt(UserPrompt *prompt);

    // Frame output: one frame packet to the selected device, indexed colours
    // taken from the colours set here (the app's; black without any).
    void sendFrame(const IldFrame &frame) override;
    void setColorContext(const ColorContext *colors) { m_colors = colors; }

public slots:
    void deal_message();

public:
    Q_INVOKABLE void get_status();
    Q_INVOKABLE void send_feature(int device_index, uchar read_write_flg);
    Q_INVOKABLE void send_headler();
    Q_INVOKABLE void server_tcp_link();
    Q_INVOKABLE void server_tcp_close();
    Q_INVOKABLE QString get_local_ip();
    Q_INVOKABLE void set_remote_ip_port(QString add, int i);

signals:
    void address_Change(int add);
    void client_port_Change(int index);
    void net_no_signal_Change();
    void scanSpeed_p2p_Change();
    void max_tran_point_Change();
    void scan_rate_Change();
    void addressIndex_Change();
    void server_address_Change();
    void server_port_Change();
    void ilda_switch_Change();
    void server_state_Change();

private:
    void bindSocket();
    bool deviceAddressAt(int index, QHostAddress &address) const;
    void sendDatagram(const char *data, int size, const QHostAddress &to, quint16 port);
    void processDatagram(const QByteArray &datagram, const QHostAddress &sender, quint16 senderPort);
    void onAnnouncement(const QByteArray &datagram, const QHostAddress &sender);
    bool isListed(const QHostAddress &address) const;
    void setServerState(ServerLinkState state, const QString &error = QString());
    void onServerLinkFailed(QTcpSocket *socket, const QString &reason);
    void discardServerData(QTcpSocket *socket);
    void onFeatureAnswer(const QByteArray &datagram, const QHostAddress &sender, quint16 senderPort);
    void closePendingBox();
    bool answerBoxOpen() const;
    void showAnswer(UserPrompt::Icon icon, const QString &title, const QString &text);
    void askAuthorisation(const Wire::cmd_joVerta_feature_t &record, const QHostAddress &sender, quint16 senderPort);
    void replyAuthorisation(const Wire::cmd_joVerta_feature_t &record, quint8 code, const QHostAddress &to,
                            quint16 port);

    QStringList m_deviceList;
    QStringListModel *m_deviceModel = nullptr;
    QPointer<QTcpSocket> m_tcp;
    QUdpSocket *m_udp = nullptr;
    QHostAddress m_deviceAddress;
    QHostAddress m_hostAddress;
    QHostAddress m_serverAddress;
    quint16 m_serverPort = 8089;
    quint16 m_clientPort = 8089;
    QVector<quint16> m_portList;
    int m_addressIndex = 0;
    quint8 m_color = 0;
    quint8 m_constantFF = 0xFF;
    quint8 m_functionFun = 21;
    quint8 m_net_no_signal = 0;
    quint8 m_scanSpeed_p2p = 50;
    quint8 m_scan_rate = 40;
    quint16 m_max_tran_point = 1800;
    quint8 m_counter = 0;
    quint8 m_ilda_switch = 0;
    std::unique_ptr<UserNotice> m_pendingBox; // the "请求控灯" notice
    UserPrompt *m_prompt = &UserPrompt::unattended();
    std::unique_ptr<UserNotice> m_answerBox; // at most one answer box at a time

    QHostAddress m_discoveryAddress;
    QHostAddress m_bindAddress;
    bool m_hostPinned = false;

    AnnouncementFilter m_search;
    QElapsedTimer m_clock;
    int m_searchWindowMs = AnnouncementFilter::DefaultWindowMs;
    // The device an unanswered control request went to; only it may answer.
    QHostAddress m_requestTarget;
    bool m_requestOutstanding = false;

    ServerLinkState m_serverState = ServerUnlinked;
    QString m_serverError;
    qint64 m_serverBytesRead = 0;
    qint64 m_serverLoggedAt = -1;
    FramePacketBuilder m_frameBuilder;
    const ColorContext *m_colors = nullptr;
};
