// Feeds one arbitrary datagram to every decoder of the projector protocol.
// What a decoder accepts is encoded again and must decode to the same values.

#include "datagram.h"

#include <QLoggingCategory>

#include <cstdlib>
#include <vector>

using namespace Wire;

namespace {

bool sameFeature(const cmd_joVerta_feature_t &a, const cmd_joVerta_feature_t &b)
{
    return a.command == b.command && a.read_write_flg == b.read_write_flg && a.length == b.length &&
           a.ack_id == b.ack_id && a.device_password == b.device_password && a.feature == b.feature && a.ip1 == b.ip1 &&
           a.port1 == b.port1 && a.ip2 == b.ip2 && a.port2 == b.port2 && a.text1 == b.text1 && a.text2 == b.text2 &&
           a.tail == b.tail;
}

void require(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool quiet = [] {
        QLoggingCategory::setFilterRules(QStringLiteral("beamdeck.*.debug=false"));
        return true;
    }();
    Q_UNUSED(quiet)

    const QByteArray d = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    // The same bytes once more behind the magic, as this program sends them.
    const QByteArray sent = QByteArray(Magic, MagicSize) + d;

    quint16 command = 0;
    receivedCommand(d, command);
    sentCommand(d, command);
    sentCommand(sent, command);

    for (const QByteArray *in : {&d, &sent}) {
        DiscoveryRequest q;
        if (decodeDiscovery(*in, q)) {
            DiscoveryRequest back;
            require(decodeDiscovery(encodeDiscovery(q), back));
            require(back.counter == q.counter && back.serverIp == q.serverIp && back.serverPort == q.serverPort);
        }

        Announcement a;
        if (decodeAnnouncement(*in, a))
            require(encodeAnnouncement(a) == in->left(AnnouncementSize));

        cmd_joVerta_feature_t f;
        if (decodeFeatureRecord(*in, f)) {
            require(encodeFeatureRecord(f) == in->left(FeatureRecordSize));
            f.text1First();
            f.text1Second();
        }
        cmd_joVerta_feature_t fp;
        if (decodeFeaturePacket(*in, fp)) {
            cmd_joVerta_feature_t back;
            require(decodeFeaturePacket(encodeFeaturePacket(fp), back) && sameFeature(back, fp));
            fp.text1First();
            fp.text1Second();
        }

        DeviceSettings s;
        if (decodeSettings(*in, s)) {
            DeviceSettings back;
            require(decodeSettings(encodeSettings(s), back));
            require(back.counter == s.counter && back.functionFun == s.functionFun &&
                    back.net_no_signal == s.net_no_signal && back.scanSpeed_p2p == s.scanSpeed_p2p &&
                    back.scan_rate == s.scan_rate && back.color == s.color && back.constantFF == s.constantFF &&
                    back.ilda_switch == s.ilda_switch);
        }

        FramePacket header;
        decodeFramePacket(*in, header);
        // A receiver's buffer smaller than the datagram holds; the point count
        // in the header says nothing about the records that follow.
        FramePacket packet;
        const int room = size > 0 ? data[0] : 0;
        std::vector<PointRecord> points(static_cast<size_t>(room));
        if (decodeFramePacket(*in, packet, points.data(), room))
            require(packet.recordCount >= 0 && packet.recordCount == header.recordCount);
    }
    return 0;
}
