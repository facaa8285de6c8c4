#pragma once

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QVector>

#include <array>

class QUdpSocket;

// A stand-in projector on a loopback address for tests and ildatool: answers
// search requests with an announcement and control requests with a grant, a
// refusal or an authorisation question, and describes every datagram it
// receives in one readable line.
class SimulatedProjector : public QObject
{
    Q_OBJECT
public:
    enum Answer { Grant, Refuse, Ask, NoAnswer };

    struct Options
    {
        QHostAddress address = QHostAddress(QHostAddress::LocalHost);
        quint16 port = 8089; // 0 picks a free one
        Answer answer = Grant;
        // The party a question asks about (only carried as data).
        QHostAddress party = QHostAddress(QStringLiteral("127.0.0.9"));
        std::array<quint8, 7> deviceId{{0x53, 0x49, 0x4D, 0x00, 0x00, 0x00, 0x01}};
    };

    struct Received
    {
        QHostAddress sender;
        quint16 senderPort = 0;
        QByteArray data;
    };

    explicit SimulatedProjector(const Options &options, QObject *parent = nullptr);
    ~SimulatedProjector() override;

    bool listen();
    QString errorString() const;
    QHostAddress address() const { return m_options.address; }
    quint16 port() const;
    void setAnswer(Answer answer) { m_options.answer = answer; }

    // Puts an authorisation question about party to the controller at to:port.
    void askAuthorisation(const QHostAddress &party, const QHostAddress &to, quint16 port);
    void sendRaw(const QByteArray &datagram, const QHostAddress &to, quint16 port);

    // The last datagrams received (oldest dropped beyond a few thousand or
    // a few megabytes).
    const QVector<Received> &received() const { return m_received; }
    qint64 receivedBytes() const { return m_receivedBytes; }
    static constexpr qint64 MaxHistoryBytes = 8 * 1024 * 1024;
    QVector<Received> receivedWithCommand(quint16 command) const;
    int count(quint16 command) const { return m_counts.value(command); }
    void clear();

    static bool parseAnswer(const QString &text, Answer &answer);
    // One readable line for a datagram as this program sends it.
    static QString describe(const QByteArray &datagram);

signals:
    void datagramReceived(const QByteArray &datagram, const QHostAddress &sender, quint16 senderPort);
    void logLine(const QString &line);

private:
    void readPending();
    void handle(const QByteArray &datagram, const QHostAddress &sender, quint16 senderPort);
    quint32 ownIp() const;

    Options m_options;
    QUdpSocket *m_socket = nullptr;
    QVector<Received> m_received;
    qint64 m_receivedBytes = 0;
    QHash<quint16, int> m_counts;
    quint8 m_counter = 0;
};
