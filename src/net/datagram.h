#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <array>

class QHostAddress;

// The projector protocol, datagram by datagram. Plain values in, bytes out and
// back; no sockets. Everything on the wire is little-endian. Datagrams this
// program sends start with an 8-byte magic; datagrams from projectors do not.
namespace Wire {

constexpr char Magic[8] = {'j', 'o', '_', 'v', 'e', 'r', 't', 'a'};
constexpr int MagicSize = 8;

enum Command : quint16 {
    CmdDiscovery = 100,
    CmdFeature = 101,
    CmdFrame = 110,
    CmdSettings = 111,
};

// read_write_flg of a feature record.
enum FeatureCode : quint8 {
    feature_pc_read = 0,
    feature_pc_write = 16,
    feature_pc_request = 32,
    feature_refuse_pc_request = 33,
    feature_grant_pc_request = 34,
    feature_authorise_question = 48,
    feature_authorise_refuse = 49,
    feature_authorise_agree = 50,
};

constexpr int DiscoverySize = 23;
constexpr int AnnouncementSize = 36;
constexpr int FeatureRecordSize = 194;
constexpr int FeaturePacketSize = MagicSize + FeatureRecordSize;
constexpr int SettingsSize = 31;
constexpr int FrameHeaderSize = 18;
constexpr int PointRecordSize = 8;
constexpr quint16 DefaultPort = 8089;
// Largest UDP payload over IPv4, and the most point records that fit in it.
constexpr int MaxDatagramSize = 65507;
constexpr int MaxFrameRecords = (MaxDatagramSize - FrameHeaderSize) / PointRecordSize;

// The sequence counter runs 1, 2, ..., 254, 0, 1, ...
inline quint8 nextSequence(quint8 counter)
{
    return counter > 253 ? 0 : quint8(counter + 1);
}

// IPv4 value with the first dotted number in the top byte; 0 for anything
// that is not IPv4.
quint32 ipv4Value(const QHostAddress &address);
QString ipv4Text(quint32 value);
QString hexBytes(const char *data, int size);

// Command of a datagram from a projector (its first two bytes) or of one sent
// by this program (behind the magic). False when the datagram is too short or
// lacks the magic.
bool receivedCommand(const QByteArray &datagram, quint16 &command);
bool sentCommand(const QByteArray &datagram, quint16 &command);

struct DiscoveryRequest
{
    quint8 counter = 0;
    quint32 serverIp = 0;
    quint16 serverPort = 0;
};
QByteArray encodeDiscovery(const DiscoveryRequest &request);
bool decodeDiscovery(const QByteArray &datagram, DiscoveryRequest &request);

struct Announcement
{
    quint16 command = CmdDiscovery;
    quint16 size = AnnouncementSize;
    std::array<quint8, 8> signalId{}; // [0]: request counter + 1; the rest names the device
    quint32 ip = 0;
    quint16 port = 0;
    std::array<quint8, 18> deviceData{};
};
QByteArray encodeAnnouncement(const Announcement &announcement);
// Reads the first 36 bytes; false (nothing read) when the datagram is shorter.
bool decodeAnnouncement(const QByteArray &datagram, Announcement &announcement);

struct cmd_joVerta_feature_t
{
    quint16 command = CmdFeature;
    quint8 read_write_flg = 0;
    quint16 length = FeatureRecordSize - 2;
    quint8 ack_id = 0;
    std::array<quint8, 8> device_password{};
    std::array<quint8, 4> feature{};
    quint32 ip1 = 0;
    quint16 port1 = 0;
    quint32 ip2 = 0;
    quint16 port2 = 0;
    std::array<char, 32> text1{};
    std::array<char, 128> text2{};
    std::array<quint8, 4> tail{};

    // text1 holds two zero-terminated strings back to back.
    QString text1First() const;
    QString text1Second() const;
};
// The record this program sends for a request with the given code.
cmd_joVerta_feature_t makeFeatureRequest(quint8 code, quint8 ackId, quint32 hostIp);
QByteArray encodeFeatureRecord(const cmd_joVerta_feature_t &record);
// Magic + record, as sent.
QByteArray encodeFeaturePacket(const cmd_joVerta_feature_t &record);
// A record at offset 0 (from a projector); false when shorter than 194 bytes.
bool decodeFeatureRecord(const QByteArray &datagram, cmd_joVerta_feature_t &record);
// A sent feature packet (behind the magic).
bool decodeFeaturePacket(const QByteArray &datagram, cmd_joVerta_feature_t &record);

struct DeviceSettings
{
    quint8 counter = 0;
    quint8 functionFun = 21;
    quint8 net_no_signal = 0;
    quint8 scanSpeed_p2p = 50;
    quint8 scan_rate = 40;
    quint8 color = 0;
    quint8 constantFF = 0xFF;
    quint8 ilda_switch = 0;
};
QByteArray encodeSettings(const DeviceSettings &settings);
bool decodeSettings(const QByteArray &datagram, DeviceSettings &settings);

// One point record of a frame packet, as decoded by whatever receives it.
struct PointRecord
{
    qint16 x = 0;
    qint16 y = 0;
    quint8 r = 0;
    quint8 g = 0;
    quint8 b = 0;
    quint8 status = 0;
};
struct FramePacket
{
    quint16 headerPointCount = 0;
    int recordCount = 0;
};
// Reads header and up to maxPoints records into points (may be null).
bool decodeFramePacket(const QByteArray &datagram, FramePacket &packet, PointRecord *points = nullptr,
                       int maxPoints = 0);

} // namespace Wire
