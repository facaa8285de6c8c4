#include "ildabuilder.h"
#include "toolrunner.h"

#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

// ildatool render: the frame painting into a PNG.
class TestRender : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_input;

    // 660 px images: one pixel per 100 ILDA units.
    static QPoint px(int x, int y) { return QPoint((x + 33000) / 100, (33000 - y) / 100); }

    static bool nearColour(const QImage &img, QPoint at, bool (*pred)(QRgb))
    {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (pred(img.pixel(at + QPoint(dx, dy))))
                    return true;
        return false;
    }
    static bool isRed(QRgb c) { return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60; }
    static bool isGray(QRgb c) { return qRed(c) > 100 && qAbs(qRed(c) - qGreen(c)) < 12; }
    static bool isBlack(QRgb c) { return (c & 0xffffff) == 0; }

    ToolResult render(const QString &out, const QStringList &extra)
    {
        return runIldatool(QStringList{QStringLiteral("render"), m_input, m_dir.filePath(out),
                                       QStringLiteral("--width"), QStringLiteral("660"), QStringLiteral("--height"),
                                       QStringLiteral("660")} +
                           extra);
    }

private slots:
    void initTestCase()
    {
        // Frame 0: a blanked move along y = 10000, then red along y = 0.
        // Frame 1: green along y = -10000.
        m_input = m_dir.filePath(QStringLiteral("in.ild"));
        QFile f(m_input);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(IldaBuilder()
                    .header(5, 4, "a", "t", 0, 2)
                    .point5(-20000, 10000, 0x40, 0, 0, 0)
                    .point5(20000, 10000, 0x40, 0, 0, 0)
                    .point5(-20000, 0, 0x40, 0, 0, 0)
                    .point5(20000, 0, 0x80, 255, 0, 0)
                    .header(5, 2, "b", "t", 1, 2)
                    .point5(-20000, -10000, 0x40, 0, 0, 0)
                    .point5(20000, -10000, 0x80, 0, 255, 0)
                    .header(5, 0)
                    .bytes());
    }

    void paintsTheFrame()
    {
        const ToolResult r = render(QStringLiteral("plain.png"), {});
        QCOMPARE(r.exitCode, 0);
        const QImage img(m_dir.filePath(QStringLiteral("plain.png")));
        QCOMPARE(img.size(), QSize(660, 660));
        for (int x : {-15000, 0, 15000})
            QVERIFY(nearColour(img, px(x, 0), isRed));
        QVERIFY(!nearColour(img, px(0, 10000), isGray)); // blanked moves hidden
        QVERIFY(isBlack(img.pixel(px(0, 20000))));
    }

    void options_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QPoint>("probe");
        QTest::addColumn<QString>("expect");
        QTest::newRow("blanking") << QStringList{"--blanking"} << px(0, 10000) << "gray";
        QTest::newRow("second frame") << QStringList{"--frame", "1"} << px(0, -10000) << "green";
        QTest::newRow("half size") << QStringList{"--size", "50"} << px(7500, 0) << "red";
        QTest::newRow("half size leaves the ends") << QStringList{"--size", "50"} << px(15000, 0) << "black";
        QTest::newRow("centre lines") << QStringList{"--center-lines"} << px(0, 20000) << "gray-column";
        QTest::newRow("beam view") << QStringList{"--beam"} << px(0, -2000) << "faint red"; // the fan ends at y = -3250
    }
    void options()
    {
        QFETCH(QStringList, args);
        QFETCH(QPoint, probe);
        QFETCH(QString, expect);
        const QString out =
            QStringLiteral("%1.png").arg(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_'));
        const ToolResult r = render(out, args);
        QCOMPARE(r.exitCode, 0);
        const QImage img(m_dir.filePath(out));
        if (expect == QLatin1String("gray"))
            QVERIFY(nearColour(img, probe, isGray));
        else if (expect == QLatin1String("green"))
            QVERIFY(nearColour(img, probe, [](QRgb c) { return qGreen(c) > 200 && qRed(c) < 60; }));
        else if (expect == QLatin1String("red"))
            QVERIFY(nearColour(img, probe, isRed));
        else if (expect == QLatin1String("black"))
            QVERIFY(!nearColour(img, probe, [](QRgb c) { return !isBlack(c); }));
        else if (expect == QLatin1String("gray-column")) {
            int lit = 0;
            for (int y = probe.y() - 30; y < probe.y() + 30; ++y)
                lit += isGray(img.pixel(probe.x(), y)) || isGray(img.pixel(probe.x() - 1, y)) ? 1 : 0;
            QVERIFY(lit > 10);
        } else {
            const QRgb c = img.pixel(probe);
            QVERIFY(qRed(c) > 0 && qRed(c) < 60 && qGreen(c) == 0);
        }
    }

    void thumbnailLabelsTheEnd()
    {
        const ToolResult r = render(QStringLiteral("thumb.png"), {QStringLiteral("--thumbnail")});
        QCOMPARE(r.exitCode, 0);
        const QImage img(m_dir.filePath(QStringLiteral("thumb.png")));
        QVERIFY(nearColour(img, px(0, 0), isRed));
        QVERIFY(!nearColour(img, px(0, 10000), isGray));
    }

    void failures_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::newRow("no such frame") << QStringList{"--frame", "2"} << 1;
        QTest::newRow("bad width") << QStringList{"--width", "0"} << 2;
        QTest::newRow("bad size") << QStringList{"--size", "x"} << 2;
        QTest::newRow("thumbnail with beam") << QStringList{"--thumbnail", "--beam"} << 2;
    }
    void failures()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        const QString out = QStringLiteral("fail.png");
        const ToolResult r = render(out, args);
        QCOMPARE(r.exitCode, code);
        QVERIFY(!r.err.isEmpty());
        QVERIFY(!QFile::exists(m_dir.filePath(out)));
    }

    void unreadableInput()
    {
        const ToolResult r = runIldatool({QStringLiteral("render"), m_dir.filePath(QStringLiteral("none.ild")),
                                          m_dir.filePath(QStringLiteral("none.png"))});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(runIldatool({QStringLiteral("render"), m_input}).exitCode, 2);
        QCOMPARE(runIldatool({QStringLiteral("render"), QStringLiteral("--help")}).exitCode, 0);
    }
};

QTEST_MAIN(TestRender)
#include "tst_render.moc"
