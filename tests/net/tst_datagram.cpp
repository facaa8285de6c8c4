// Every datagram of the projector protocol against its byte layout.

#include "colorcontext.h"
#include "datagram.h"
#include "framepacket.h"
#include "ildframe.h"
#include "netconfig.h"
#include "palette.h"

#include <QHostAddress>
#include <QRandomGenerator>
#include <QtTest>

using namespace Wire;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

QByteArray magic()
{
    return QByteArray("jo_verta");
}

IldFrame frameOf(int n, quint8 format = 5)
{
    IldFrame f;
    f.format = format;
    f.pointCount = quint16(n);
    for (int i = 0; i < n; ++i) {
        IldVertex v;
        v.x = qint16(i);
        v.y = qint16(-i);
        v.r = 200;
        v.g = 100;
        v.b = 50;
        v.status = 0;
        f.vertices.push_back(v);
    }
    return f;
}

PointRecord recordAt(const QByteArray &packet, int i)
{
    FramePacket info;
    std::vector<PointRecord> points(size_t(i + 1));
    decodeFramePacket(packet, info, points.data(), i + 1);
    return points[size_t(i)];
}

} // namespace

class TestDatagram : public QObject
{
    Q_OBJECT
private slots:
    void addressByteOrder();
    void sequenceCounter_data();
    void sequenceCounter();
    void discoveryRequest();
    void announcementLayout();
    void shortRecordsAreRejected_data();
    void shortRecordsAreRejected();
    void featureRequestLayout();
    void featureRecordRoundTripKeepsEveryByte();
    void settingsPacket();
    void frameCut_data();
    void frameCut();
    void frameNeverExceedsDatagram_data();
    void frameNeverExceedsDatagram();
    void frameScaleTruncates_data();
    void frameScaleTruncates();
    void frameColours();
    void frameHeaderCountIsCopied();
    void builderReuseLeavesNoStaleBytes();
    void pickLocalAddress_data();
    void pickLocalAddress();
};

void TestDatagram::addressByteOrder()
{
    const QHostAddress a(QStringLiteral("10.0.0.7"));
    QCOMPARE(ipv4Value(a), 0x0A000007u);
    DiscoveryRequest r;
    r.serverIp = ipv4Value(a);
    QCOMPARE(encodeDiscovery(r).mid(13, 4), hex("0700000A"));
    QCOMPARE(ipv4Value(QHostAddress(QStringLiteral("192.168.1.10"))), 0xC0A8010Au);
    QCOMPARE(ipv4Value(QHostAddress(QStringLiteral("::1"))), 0u);
    QCOMPARE(ipv4Text(0x0A000007u), QStringLiteral("10.0.0.7"));
}

void TestDatagram::sequenceCounter_data()
{
    QTest::addColumn<int>("counter");
    QTest::addColumn<int>("next");
    QTest::newRow("start") << 0 << 1;
    QTest::newRow("middle") << 100 << 101;
    QTest::newRow("253_grows_to_254") << 253 << 254;
    QTest::newRow("254_wraps_to_0") << 254 << 0;
    QTest::newRow("255_wraps_to_0") << 255 << 0;
}

void TestDatagram::sequenceCounter()
{
    QFETCH(int, counter);
    QFETCH(int, next);
    QCOMPARE(int(nextSequence(quint8(counter))), next);
}

void TestDatagram::discoveryRequest()
{
    DiscoveryRequest r;
    r.counter = 5;
    r.serverIp = ipv4Value(QHostAddress(QStringLiteral("10.0.0.7")));
    r.serverPort = 8089;
    const QByteArray d = encodeDiscovery(r);
    QCOMPARE(d.size(), 23);
    QCOMPARE(d, magic() + hex("6400"
                              "0200"
                              "05"
                              "0700000A"
                              "991F"
                              "00000000"));

    DiscoveryRequest back;
    QVERIFY(decodeDiscovery(d, back));
    QCOMPARE(back.counter, quint8(5));
    QCOMPARE(back.serverIp, r.serverIp);
    QCOMPARE(back.serverPort, quint16(8089));
}

void TestDatagram::announcementLayout()
{
    Announcement a;
    a.signalId = {{2, 1, 2, 3, 4, 5, 6, 7}};
    a.ip = ipv4Value(QHostAddress(QStringLiteral("192.168.1.10")));
    a.port = 8089;
    a.deviceData[0] = 0xAB;
    a.deviceData[17] = 0xCD;
    const QByteArray d = encodeAnnouncement(a);
    QCOMPARE(d.size(), 36);
    QCOMPARE(d.left(18), hex("6400"
                             "2400"
                             "0201020304050607"
                             "0A01A8C0"
                             "991F"));
    QCOMPARE(quint8(d.at(18)), quint8(0xAB));
    QCOMPARE(quint8(d.at(35)), quint8(0xCD));

    Announcement back;
    QVERIFY(decodeAnnouncement(d + "trailing bytes are ignored", back));
    QCOMPARE(back.signalId, a.signalId);
    QCOMPARE(back.ip, a.ip);
    QCOMPARE(back.port, a.port);
    QCOMPARE(back.deviceData, a.deviceData);
}

void TestDatagram::shortRecordsAreRejected_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("announcement");
    QTest::addColumn<bool>("feature");
    QTest::newRow("empty") << 0 << false << false;
    QTest::newRow("35_bytes") << 35 << false << false;
    QTest::newRow("36_bytes") << 36 << true << false;
    QTest::newRow("193_bytes") << 193 << true << false;
    QTest::newRow("194_bytes") << 194 << true << true;
}

void TestDatagram::shortRecordsAreRejected()
{
    QFETCH(int, size);
    QFETCH(bool, announcement);
    QFETCH(bool, feature);
    // Built on the heap at exactly the given size so that a read past the end
    // shows up under the sanitizers.
    const QByteArray d(size, char(0x65));
    Announcement a;
    cmd_joVerta_feature_t f;
    QCOMPARE(decodeAnnouncement(d, a), announcement);
    QCOMPARE(decodeFeatureRecord(d, f), feature);
    quint16 cmd = 0;
    QCOMPARE(receivedCommand(d, cmd), size >= 2);
}

void TestDatagram::featureRequestLayout()
{
    const cmd_joVerta_feature_t f =
        makeFeatureRequest(feature_pc_request, 7, ipv4Value(QHostAddress(QStringLiteral("192.168.1.10"))));
    const QByteArray d = encodeFeaturePacket(f);
    QCOMPARE(d.size(), 202);
    QCOMPARE(d.left(8), magic());
    const QByteArray r = d.mid(8);
    QCOMPARE(r.size(), 194);
    QCOMPARE(r.mid(0, 2), hex("6500"));
    QCOMPARE(quint8(r.at(2)), quint8(32));
    QCOMPARE(r.mid(3, 2), hex("C000"));
    QCOMPARE(quint8(r.at(5)), quint8(7));
    QCOMPARE(r.mid(6, 8), hex("5A3C9107E24B16D8"));
    QCOMPARE(r.mid(14, 4), hex("00FF00FF"));
    QCOMPARE(r.mid(18, 4), hex("0A01A8C0"));
    QCOMPARE(r.mid(22, 2), hex("991F"));
    QCOMPARE(r.mid(24, 6), QByteArray(6, '\0'));
    // Text 1: a zero-terminated web address, then "授权:" zero-terminated, zeros to 32.
    const QByteArray text1 = r.mid(30, 32);
    const int end = text1.indexOf('\0');
    QVERIFY(end > 0 && end <= 23);
    const QByteArray label = QByteArray(u8"授权:");
    QCOMPARE(text1.mid(end + 1, label.size()), label);
    QCOMPARE(text1.mid(end + 1 + label.size()), QByteArray(32 - end - 1 - label.size(), '\0'));
    QCOMPARE(f.text1Second(), QStringLiteral("授权:"));
    QCOMPARE(r.mid(62, 128), QByteArray(128, char(0x55)));
    QCOMPARE(r.mid(190, 4), QByteArray(4, '\0'));
}

void TestDatagram::featureRecordRoundTripKeepsEveryByte()
{
    // The authorisation reply echoes a received record: nothing may be lost.
    QByteArray raw(194, '\0');
    QRandomGenerator rng(42);
    for (char &c : raw)
        c = char(rng.bounded(256));
    cmd_joVerta_feature_t f;
    QVERIFY(decodeFeatureRecord(raw, f));
    QCOMPARE(encodeFeatureRecord(f), raw);
    QCOMPARE(encodeFeaturePacket(f), magic() + raw);
    cmd_joVerta_feature_t g;
    QVERIFY(decodeFeaturePacket(magic() + raw, g));
    QCOMPARE(encodeFeatureRecord(g), raw);
    QVERIFY(!decodeFeaturePacket(raw + "xxxxxxxx", g)); // no magic
}

void TestDatagram::settingsPacket()
{
    DeviceSettings s;
    s.counter = 3;
    s.functionFun = 4;
    s.net_no_signal = 5;
    s.scanSpeed_p2p = 6;
    s.scan_rate = 44;
    s.color = 8;
    s.ilda_switch = 2;
    const QByteArray d = encodeSettings(s);
    QCOMPARE(d.size(), 31);
    QCOMPARE(d, magic() + hex("6F00"
                              "1500"
                              "03"
                              "04"
                              "05"
                              "06"
                              "2C"
                              "08"
                              "FF"
                              "FFFFFF64"
                              "00"
                              "3232"
                              "02"
                              "00000000"));

    DeviceSettings back;
    QVERIFY(decodeSettings(d, back));
    QCOMPARE(back.scan_rate, quint8(44));
    QCOMPARE(back.ilda_switch, quint8(2));
}

void TestDatagram::frameCut_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("maxTranPoint");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("lastBlank");
    QTest::newRow("empty_frame_is_header_alone") << 0 << 1800 << 18 << false;
    QTest::newRow("10_points") << 10 << 1800 << 98 << false;
    QTest::newRow("1800_points_sent_whole") << 1800 << 1800 << 14418 << false;
    QTest::newRow("1801_points_last_forced_blank") << 1801 << 1800 << 14426 << true;
    QTest::newRow("2000_points_cut_at_1801") << 2000 << 1800 << 14426 << true;
    QTest::newRow("limit_0_sends_one_blank_record") << 5 << 0 << 26 << true;
    QTest::newRow("limit_equal_count") << 5 << 5 << 58 << false;
    QTest::newRow("one_past_limit_blanks_last") << 6 << 5 << 66 << true;
}

void TestDatagram::frameCut()
{
    QFETCH(int, points);
    QFETCH(int, maxTranPoint);
    QFETCH(int, size);
    QFETCH(bool, lastBlank);
    const QByteArray d = encodeFramePacket(frameOf(points), quint16(maxTranPoint), ColorContext());
    QCOMPARE(d.size(), size);
    QCOMPARE(d.left(12), magic() + hex("6E00"
                                       "0000"));
    QCOMPARE(d.mid(14, 4), QByteArray("qbez"));
    const int records = (size - 18) / 8;
    if (records == 0)
        return;
    const PointRecord last = recordAt(d, records - 1);
    QCOMPARE(last.x, qint16(records - 1)); // position kept, only colour and status forced
    if (lastBlank) {
        QCOMPARE(int(last.r), 0);
        QCOMPARE(int(last.g), 0);
        QCOMPARE(int(last.b), 0);
        QCOMPARE(int(last.status), 0x40);
    } else {
        QCOMPARE(int(last.r), 200);
        QCOMPARE(int(last.status), 0);
    }
    if (records > 1)
        QCOMPARE(int(recordAt(d, records - 2).r), 200);
}

void TestDatagram::frameNeverExceedsDatagram_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("maxTranPoint");
    QTest::newRow("limit_65535_with_20000_points") << 20000 << 65535;
    QTest::newRow("limit_9000_with_9000_points") << 9000 << 9000;
    QTest::newRow("limit_8186_with_8187_points") << 8187 << 8186;
}

void TestDatagram::frameNeverExceedsDatagram()
{
    QFETCH(int, points);
    QFETCH(int, maxTranPoint);
    const QByteArray d = encodeFramePacket(frameOf(points), quint16(maxTranPoint), ColorContext());
    QVERIFY2(d.size() <= MaxDatagramSize, qPrintable(QString::number(d.size())));
    QCOMPARE(d.size(), 18 + 8 * MaxFrameRecords);
    const PointRecord last = recordAt(d, MaxFrameRecords - 1);
    QCOMPARE(int(last.status), 0x40);
    QCOMPARE(int(last.r) + last.g + last.b, 0);
}

void TestDatagram::frameScaleTruncates_data()
{
    QTest::addColumn<float>("scale");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("sent");
    QTest::newRow("half_of_minus_3_is_minus_1") << 0.5f << -3 << -1;
    QTest::newRow("half_of_3_is_1") << 0.5f << 3 << 1;
    QTest::newRow("size_50_of_1000") << 0.5f << 1000 << 500;
    QTest::newRow("unscaled") << 1.0f << -32768 << -32768;
    QTest::newRow("enlarged_clamps_high") << 2.0f << 30000 << 32767;
    QTest::newRow("enlarged_clamps_low") << 2.0f << -30000 << -32768;
}

void TestDatagram::frameScaleTruncates()
{
    QFETCH(float, scale);
    QFETCH(int, x);
    QFETCH(int, sent);
    IldFrame f = frameOf(1);
    f.vertices[0].x = qint16(x);
    f.vertices[0].y = qint16(x);
    f.scaleX = scale;
    f.scaleY = 1.0f;
    const QByteArray d = encodeFramePacket(f, 1800, ColorContext());
    const PointRecord p = recordAt(d, 0);
    QCOMPARE(int(p.x), sent);
    QCOMPARE(int(p.y), x);
    const qint16 le = qint16(quint8(d.at(18)) | quint8(d.at(19)) << 8);
    QCOMPARE(int(le), sent);
}

void TestDatagram::frameColours()
{
    Palette palette;
    ColorContext colors{&palette, 0};
    // Format 5 (true colour): the vertex's own colour, blanked or not.
    IldFrame f = frameOf(2, 5);
    f.vertices[1].status = 0x40;
    QByteArray d = encodeFramePacket(f, 1800, ColorContext());
    QCOMPARE(d.mid(18 + 4, 4), hex("C8643200"));
    QCOMPARE(d.mid(26 + 4, 4), hex("C8643240"));

    // Format 1: entry paletteOffset + index of the colour table.
    IldFrame g = frameOf(1, 1);
    g.vertices[0].colorIndex = 16;
    QRgb c = palette.rgbAt(16);
    d = encodeFramePacket(g, 1800, colors);
    QCOMPARE(d.mid(22, 3), QByteArray() + char(qRed(c)) + char(qGreen(c)) + char(qBlue(c)));
    colors.offset = 150;
    c = palette.rgbAt(150 + 16);
    d = encodeFramePacket(g, 1800, colors);
    QCOMPARE(d.mid(22, 3), QByteArray() + char(qRed(c)) + char(qGreen(c)) + char(qBlue(c)));

    // Format 2: the palette read from a file, from entry 918.
    palette.append(QColor(1, 2, 3));
    IldFrame h = frameOf(1, 2);
    h.vertices[0].colorIndex = 0;
    d = encodeFramePacket(h, 1800, colors);
    QCOMPARE(d.mid(22, 3), hex("010203"));
}

void TestDatagram::frameHeaderCountIsCopied()
{
    IldFrame f = frameOf(2000);
    f.pointCount = 1234; // as recorded in the file, not corrected for the cut
    const QByteArray d = encodeFramePacket(f, 1800, ColorContext());
    QCOMPARE(d.mid(12, 2), hex("D204"));
}

void TestDatagram::builderReuseLeavesNoStaleBytes()
{
    FramePacketBuilder b;
    const int big = b.build(frameOf(100), 1800, ColorContext());
    QCOMPARE(big, 818);
    IldFrame small = frameOf(1);
    small.pointCount = 1;
    const int n = b.build(small, 1800, ColorContext());
    QCOMPARE(n, 26);
    QCOMPARE(b.packet(n), encodeFramePacket(small, 1800, ColorContext()));
}

void TestDatagram::pickLocalAddress_data()
{
    QTest::addColumn<QStringList>("addresses");
    QTest::addColumn<QString>("picked");
    QTest::newRow("loopback_listed_first_is_skipped") << QStringList{"127.0.0.1", "::1", "192.0.2.2"} << "192.0.2.2";
    QTest::newRow("first_non_loopback_wins") << QStringList{"10.0.0.1", "192.168.1.1"} << "10.0.0.1";
    QTest::newRow("ipv6_is_skipped") << QStringList{"fe80::1", "172.16.0.4"} << "172.16.0.4";
    QTest::newRow("loopback_only_when_nothing_else") << QStringList{"::1", "127.0.0.1"} << "127.0.0.1";
    QTest::newRow("nothing_ipv4") << QStringList{"::1"} << "";
}

void TestDatagram::pickLocalAddress()
{
    QFETCH(QStringList, addresses);
    QFETCH(QString, picked);
    QList<QHostAddress> list;
    for (const QString &a : addresses)
        list << QHostAddress(a);
    const QHostAddress got = pickLocalIPv4(list);
    QCOMPARE(got.isNull() ? QString() : got.toString(), picked);
}

QTEST_GUILESS_MAIN(TestDatagram)
#include "tst_datagram.moc"
