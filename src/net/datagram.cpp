#include "datagram.h"

#include <QHostAddress>
#include <QtEndian>

#include <cstring>

namespace Wire {

namespace {

// Little-endian writer over a fixed-size QByteArray.
class Writer
{
public:
    explicit Writer(int size) : m_data(size, '\0') {}
    Writer &u8(quint8 v)
    {
        m_data[m_pos++] = char(v);
        return *this;
    }
    Writer &u16(quint16 v)
    {
        qToLittleEndian(v, m_data.data() + m_pos);
        m_pos += 2;
        return *this;
    }
    Writer &u32(quint32 v)
    {
        qToLittleEndian(v, m_data.data() + m_pos);
        m_pos += 4;
        return *this;
    }
    Writer &bytes(const void *p, int n)
    {
        std::memcpy(m_data.data() + m_pos, p, size_t(n));
        m_pos += n;
        return *this;
    }
    Writer &magic() { return bytes(Magic, MagicSize); }
    int pos() const { return m_pos; }
    QByteArray take()
    {
        Q_ASSERT(m_pos == m_data.size());
        return m_data;
    }

private:
    QByteArray m_data;
    int m_pos = 0;
};

// Little-endian reader; callers check the size first, so reads stay inside.
class Reader
{
public:
    Reader(const QByteArray &data, int start) : m_p(reinterpret_cast<const uchar *>(data.constData()) + start) {}
    quint8 u8() { return *m_p++; }
    quint16 u16()
    {
        const quint16 v = qFromLittleEndian<quint16>(m_p);
        m_p += 2;
        return v;
    }
    quint32 u32()
    {
        const quint32 v = qFromLittleEndian<quint32>(m_p);
        m_p += 4;
        return v;
    }
    template <typename T, size_t N> void bytes(std::array<T, N> &out)
    {
        std::memcpy(out.data(), m_p, N);
        m_p += N;
    }

private:
    const uchar *m_p;
};

bool hasMagic(const QByteArray &d)
{
    return d.size() >= MagicSize && std::memcmp(d.constData(), Magic, MagicSize) == 0;
}

QString zeroTerminated(const char *p, int max)
{
    int n = 0;
    while (n < max && p[n])
        ++n;
    return QString::fromUtf8(p, n);
}

} // namespace

quint32 ipv4Value(const QHostAddress &address)
{
    bool ok = false;
    const quint32 v = address.toIPv4Address(&ok);
    return ok ? v : 0;
}

QString ipv4Text(quint32 value)
{
    return QHostAddress(value).toString();
}

QString hexBytes(const char *data, int size)
{
    return QString::fromLatin1(QByteArray(data, size).toHex(' '));
}

bool receivedCommand(const QByteArray &datagram, quint16 &command)
{
    if (datagram.size() < 2)
        return false;
    command = qFromLittleEndian<quint16>(datagram.constData());
    return true;
}

bool sentCommand(const QByteArray &datagram, quint16 &command)
{
    if (datagram.size() < MagicSize + 2 || !hasMagic(datagram))
        return false;
    command = qFromLittleEndian<quint16>(datagram.constData() + MagicSize);
    return true;
}

QByteArray encodeDiscovery(const DiscoveryRequest &request)
{
    Writer w(DiscoverySize);
    w.magic().u16(CmdDiscovery).u16(2).u8(request.counter).u32(request.serverIp).u16(request.serverPort).u32(0);
    return w.take();
}

bool decodeDiscovery(const QByteArray &datagram, DiscoveryRequest &request)
{
    quint16 cmd = 0;
    if (datagram.size() < DiscoverySize || !sentCommand(datagram, cmd) || cmd != CmdDiscovery)
        return false;
    Reader r(datagram, MagicSize + 4);
    request.counter = r.u8();
    request.serverIp = r.u32();
    request.serverPort = r.u16();
    return true;
}

QByteArray encodeAnnouncement(const Announcement &a)
{
    Writer w(AnnouncementSize);
    w.u16(a.command).u16(a.size).bytes(a.signalId.data(), 8).u32(a.ip).u16(a.port).bytes(a.deviceData.data(), 18);
    return w.take();
}

bool decodeAnnouncement(const QByteArray &datagram, Announcement &a)
{
    if (datagram.size() < AnnouncementSize)
        return false;
    Reader r(datagram, 0);
    a.command = r.u16();
    a.size = r.u16();
    r.bytes(a.signalId);
    a.ip = r.u32();
    a.port = r.u16();
    r.bytes(a.deviceData);
    return true;
}

QString cmd_joVerta_feature_t::text1First() const
{
    return zeroTerminated(text1.data(), int(text1.size()));
}

QString cmd_joVerta_feature_t::text1Second() const
{
    const int first = int(qstrnlen(text1.data(), uint(text1.size())));
    if (first + 1 >= int(text1.size()))
        return QString();
    return zeroTerminated(text1.data() + first + 1, int(text1.size()) - first - 1);
}

cmd_joVerta_feature_t makeFeatureRequest(quint8 code, quint8 ackId, quint32 hostIp)
{
    cmd_joVerta_feature_t f;
    f.read_write_flg = code;
    f.ack_id = ackId;
    f.device_password = {0x5A, 0x3C, 0x91, 0x07, 0xE2, 0x4B, 0x16, 0xD8};
    f.feature = {0x00, 0xFF, 0x00, 0xFF};
    f.ip1 = hostIp;
    f.port1 = DefaultPort; // the firmware expects the standard port here
    // Our web address, then the label the projector shows beside it.
    static const QByteArray site("www.example.com");
    static const QByteArray label = QByteArray(u8"授权:");
    std::memcpy(f.text1.data(), site.constData(), size_t(site.size()));
    std::memcpy(f.text1.data() + site.size() + 1, label.constData(), size_t(label.size()));
    f.text2.fill(char(0x55));
    return f;
}

QByteArray encodeFeatureRecord(const cmd_joVerta_feature_t &f)
{
    Writer w(FeatureRecordSize);
    w.u16(f.command).u8(f.read_write_flg).u16(f.length).u8(f.ack_id);
    w.bytes(f.device_password.data(), 8).bytes(f.feature.data(), 4);
    w.u32(f.ip1).u16(f.port1).u32(f.ip2).u16(f.port2);
    w.bytes(f.text1.data(), 32).bytes(f.text2.data(), 128).bytes(f.tail.data(), 4);
    return w.take();
}

QByteArray encodeFeaturePacket(const cmd_joVerta_feature_t &record)
{
    return QByteArray(Magic, MagicSize) + encodeFeatureRecord(record);
}

namespace {
void readFeature(Reader &r, cmd_joVerta_feature_t &f)
{
    f.command = r.u16();
    f.read_write_flg = r.u8();
    f.length = r.u16();
    f.ack_id = r.u8();
    r.bytes(f.device_password);
    r.bytes(f.feature);
    f.ip1 = r.u32();
    f.port1 = r.u16();
    f.ip2 = r.u32();
    f.port2 = r.u16();
    r.bytes(f.text1);
    r.bytes(f.text2);
    r.bytes(f.tail);
}
} // namespace

bool decodeFeatureRecord(const QByteArray &datagram, cmd_joVerta_feature_t &record)
{
    if (datagram.size() < FeatureRecordSize)
        return false;
    Reader r(datagram, 0);
    readFeature(r, record);
    return true;
}

bool decodeFeaturePacket(const QByteArray &datagram, cmd_joVerta_feature_t &record)
{
    if (datagram.size() < FeaturePacketSize || !hasMagic(datagram))
        return false;
    Reader r(datagram, MagicSize);
    readFeature(r, record);
    return true;
}

QByteArray encodeSettings(const DeviceSettings &s)
{
    Writer w(SettingsSize);
    w.magic().u16(CmdSettings).u16(SettingsSize - MagicSize - 2).u8(s.counter);
    w.u8(s.functionFun).u8(s.net_no_signal).u8(s.scanSpeed_p2p).u8(s.scan_rate).u8(s.color).u8(s.constantFF);
    w.u8(0xFF).u8(0xFF).u8(0xFF).u8(0x64).u8(0).u8(0x32).u8(0x32).u8(s.ilda_switch).u32(0);
    return w.take();
}

bool decodeSettings(const QByteArray &datagram, DeviceSettings &s)
{
    quint16 cmd = 0;
    if (datagram.size() < SettingsSize || !sentCommand(datagram, cmd) || cmd != CmdSettings)
        return false;
    Reader r(datagram, MagicSize + 4);
    s.counter = r.u8();
    s.functionFun = r.u8();
    s.net_no_signal = r.u8();
    s.scanSpeed_p2p = r.u8();
    s.scan_rate = r.u8();
    s.color = r.u8();
    s.constantFF = r.u8();
    Reader tail(datagram, 26);
    s.ilda_switch = tail.u8();
    return true;
}

bool decodeFramePacket(const QByteArray &datagram, FramePacket &packet, PointRecord *points, int maxPoints)
{
    quint16 cmd = 0;
    if (datagram.size() < FrameHeaderSize || !sentCommand(datagram, cmd) || cmd != CmdFrame)
        return false;
    Reader r(datagram, 12);
    packet.headerPointCount = r.u16();
    packet.recordCount = (datagram.size() - FrameHeaderSize) / PointRecordSize;
    Reader p(datagram, FrameHeaderSize);
    const int n = points ? qMin(maxPoints, packet.recordCount) : 0;
    for (int i = 0; i < n; ++i) {
        points[i].x = qint16(p.u16());
        points[i].y = qint16(p.u16());
        points[i].r = p.u8();
        points[i].g = p.u8();
        points[i].b = p.u8();
        points[i].status = p.u8();
    }
    return true;
}

} // namespace Wire
