// ildatool projector, discover and stream, on loopback only.

#include "datagram.h"
#include "ildabuilder.h"
#include "simulatedprojector.h"
#include "toolrunner.h"

#include <QTemporaryDir>
#include <QtTest>
#include <QUdpSocket>

class TestNetTool : public QObject
{
    Q_OBJECT
private slots:
    void discoverFindsProjectorProcess();
    void discoverListsEachProjectorOnce();
    void projectorHistoryIsBounded();
    void streamSendsFramePackets();
    void usageErrors_data();
    void usageErrors();
};

void TestNetTool::discoverFindsProjectorProcess()
{
    QProcess projector;
    projector.start(QStringLiteral(ILDATOOL_PATH),
                    {"projector", "--port", "0", "--answer", "refuse", "--duration", "30000"});
    QVERIFY(projector.waitForStarted());
    QVERIFY(projector.waitForReadyRead(10000));
    const QByteArray first = projector.readLine().trimmed();
    QVERIFY2(first.startsWith("projector listening on 127.0.0.1:"), first.constData());
    const QByteArray port = first.mid(first.lastIndexOf(':') + 1);

    const ToolResult r =
        runIldatool({"discover", "--broadcast", "127.0.0.1", "--port", QString::fromLatin1(port), "--timeout", "700"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, "127.0.0.1 " + port + " 53494d00000001\n");
    QVERIFY(r.err.contains("1 projector(s) answered"));

    // The projector logged the request in readable form.
    QTRY_VERIFY(projector.bytesAvailable() > 0 || projector.waitForReadyRead(100));
    const QByteArray log = projector.readAll();
    QVERIFY2(log.contains("search request: counter 1, server"), log.constData());
    projector.kill();
    projector.waitForFinished();
}

void TestNetTool::discoverListsEachProjectorOnce()
{
    SimulatedProjector::Options o;
    o.port = 0;
    SimulatedProjector p(o);
    QVERIFY(p.listen());
    // This projector answers every search ten times over.
    connect(&p, &SimulatedProjector::datagramReceived, this,
            [&p](const QByteArray &d, const QHostAddress &sender, quint16 senderPort) {
                Wire::DiscoveryRequest request;
                if (!Wire::decodeDiscovery(d, request))
                    return;
                Wire::Announcement a;
                a.signalId[0] = quint8(request.counter + 1);
                a.ip = Wire::ipv4Value(p.address());
                a.port = p.port();
                for (int i = 0; i < 9; ++i)
                    p.sendRaw(Wire::encodeAnnouncement(a), sender, senderPort);
            });
    QProcess tool;
    tool.start(QStringLiteral(ILDATOOL_PATH),
               {"discover", "--broadcast", "127.0.0.1", "--port", QString::number(p.port()), "--timeout", "500"});
    QVERIFY(tool.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(tool.state(), QProcess::NotRunning, 10000);
    QCOMPARE(tool.exitCode(), 0);
    QCOMPARE(tool.readAllStandardOutput().count('\n'), 1);
    QVERIFY(tool.readAllStandardError().contains("1 projector(s) answered"));
}

void TestNetTool::projectorHistoryIsBounded()
{
    SimulatedProjector::Options o;
    o.port = 0;
    SimulatedProjector p(o);
    QVERIFY(p.listen());
    QUdpSocket source;
    const QByteArray big = QByteArray("jo_verta") + QByteArray::fromHex("6e00") + QByteArray(60000, '\0');
    const int sent = 300; // about 18 MB
    for (int i = 0; i < sent; ++i) {
        source.writeDatagram(big, p.address(), p.port());
        QCoreApplication::processEvents();
    }
    QTRY_COMPARE(p.count(Wire::CmdFrame), sent);
    qint64 kept = 0;
    for (const auto &r : p.received())
        kept += r.data.size();
    QCOMPARE(p.receivedBytes(), kept);
    QVERIFY2(kept <= SimulatedProjector::MaxHistoryBytes, qPrintable(QString::number(kept)));
    QVERIFY(!p.received().isEmpty());
}

void TestNetTool::streamSendsFramePackets()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("two.ild"));
    IldaBuilder b;
    b.header(5, 3, "one", "co", 0, 2)
        .point5(1000, -1000, 0, 255, 0, 0)
        .point5(-3, 3, 0x40, 0, 255, 0)
        .point5(0, 0, 0x80, 0, 0, 255);
    b.header(5, 1, "two", "co", 1, 2).point5(10, 20, 0x80, 1, 2, 3);
    b.header(5, 0, "end", "co", 0, 0);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(b.bytes());
    f.close();

    SimulatedProjector::Options o;
    o.port = 0;
    SimulatedProjector p(o);
    QVERIFY(p.listen());
    const ToolResult r = runIldatool({"stream", path, "--to", QStringLiteral("127.0.0.1:%1").arg(p.port()), "--fps",
                                      "200", "--limit", "5", "--size", "50"});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.err.contains("sent 5 frame packet(s)"), r.err.constData());
    QTRY_COMPARE(p.count(Wire::CmdFrame), 5);
    const auto frames = p.receivedWithCommand(Wire::CmdFrame);
    QCOMPARE(frames.at(0).data.size(), 18 + 3 * 8);
    QCOMPARE(frames.at(1).data.size(), 18 + 8);
    QCOMPARE(frames.at(4).data, frames.at(0).data); // cycles through the file
    Wire::FramePacket info;
    Wire::PointRecord pts[2];
    QVERIFY(Wire::decodeFramePacket(frames.at(0).data, info, pts, 2));
    QCOMPARE(int(pts[0].x), 500);
    QCOMPARE(int(pts[0].y), -500);
    QCOMPARE(int(pts[1].x), -1);
    QCOMPARE(int(pts[1].status), 0x40);
    QCOMPARE(int(pts[1].g), 255);
    QVERIFY(SimulatedProjector::describe(frames.at(0).data).startsWith(QStringLiteral("frame: 3 points (header 3)")));
}

void TestNetTool::usageErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("discover_port_0") << QStringList{"discover", "--port", "0"} << 2;
    QTest::newRow("discover_bad_address") << QStringList{"discover", "--broadcast", "nowhere"} << 2;
    QTest::newRow("projector_not_loopback") << QStringList{"projector", "--address", "192.0.2.2"} << 2;
    QTest::newRow("projector_bad_answer") << QStringList{"projector", "--answer", "maybe"} << 2;
    QTest::newRow("stream_without_target") << QStringList{"stream", "x.ild"} << 2;
    QTest::newRow("stream_bad_port") << QStringList{"stream", "x.ild", "--to", "127.0.0.1:70000"} << 2;
    QTest::newRow("stream_missing_file") << QStringList{"stream", "/nonexistent/x.ild", "--to", "127.0.0.1:9"} << 1;
    QTest::newRow("discover_help") << QStringList{"discover", "--help"} << 0;
}

void TestNetTool::usageErrors()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QCOMPARE(runIldatool(args).exitCode, exitCode);
}

QTEST_GUILESS_MAIN(TestNetTool)
#include "tst_nettool.moc"
