#include "ildframe.h"
#include "startup.h"
#include "textcodec.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QTextCodec>
#include <QTextStream>
#include <QtTest>

class TestIldFrame : public QObject
{
    Q_OBJECT
private slots:
    void defaults()
    {
        const IldFrame f;
        QCOMPARE(f.name, QStringLiteral("Tovrim.."));
        QCOMPARE(f.company, QStringLiteral("I"));
        QCOMPARE(f.check, false);
        QCOMPARE(f.scaleX, 1.0f);
    }

    void centerModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<float>("offsetX");
        QTest::addColumn<float>("offsetY");
        QTest::newRow("none") << 0 << 7.0f << 7.0f;
        QTest::newRow("horizontal") << 1 << 500.0f << 0.0f;
        QTest::newRow("vertical") << 2 << 0.0f << 200.0f;
        QTest::newRow("both") << 3 << 500.0f << 200.0f;
        QTest::newRow("unknown") << 4 << 7.0f << 7.0f;
    }
    void centerModes()
    {
        QFETCH(int, mode);
        QFETCH(float, offsetX);
        QFETCH(float, offsetY);
        IldFrame f;
        f.offsetX = f.offsetY = 7.0f;
        for (auto [x, y] : {std::pair<int, int>{0, -200}, {1000, 600}, {300, 0}}) {
            IldVertex v;
            v.x = qint16(x);
            v.y = qint16(y);
            f.vertices.push_back(v);
        }
        f.center(mode);
        QCOMPARE(f.offsetX, offsetX);
        QCOMPARE(f.offsetY, offsetY);
        if (mode == 3) {
            IldVertex a = f.vertices[0], b = f.vertices[1];
            f.applyTransform(a);
            f.applyTransform(b);
            QCOMPARE(int(a.x), -500);
            QCOMPARE(int(b.x), 500);
            QCOMPARE(int(a.y), -400);
            QCOMPARE(int(b.y), 400);
        }
    }

    void centerMidpointTruncates()
    {
        IldFrame f;
        IldVertex v;
        v.x = -3;
        f.vertices.push_back(v);
        v.x = 0;
        f.vertices.push_back(v);
        f.center(1);
        QCOMPARE(f.offsetX, -1.0f); // (-3 + 0) / 2 toward zero
        IldFrame empty;
        empty.offsetX = 5;
        empty.center(3);
        QCOMPARE(empty.offsetX, 0.0f);
    }

    void applyTransform_data()
    {
        QTest::addColumn<float>("scale");
        QTest::addColumn<float>("offset");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("expected");
        QTest::newRow("clamp_high") << 2.0f << 0.0f << 20000 << 32767;
        QTest::newRow("clamp_low") << 2.0f << 0.0f << -20000 << -32767;
        QTest::newRow("scale_offset") << 0.5f << 100.0f << 1000 << 400;
        QTest::newRow("truncate_toward_zero") << 0.5f << 0.0f << -3 << -1;
    }
    void applyTransform()
    {
        QFETCH(float, scale);
        QFETCH(float, offset);
        QFETCH(int, x);
        QFETCH(int, expected);
        IldFrame f;
        f.scaleX = scale;
        f.offsetX = offset;
        IldVertex v;
        v.x = qint16(x);
        f.applyTransform(v);
        QCOMPARE(int(v.x), expected);
    }

    void appendVertexWhitensAndFlagsOverflow()
    {
        IldFrame f;
        IldVertex lit;
        lit.r = 10;
        IldVertex dark = lit;
        dark.status = IldVertex::Blanked;
        f.appendVertex(lit, true);
        f.appendVertex(dark, true);
        QCOMPARE(int(f.vertices[0].g), 255);
        QCOMPARE(int(f.vertices[1].r), 10);
        f.vertices.resize(65535);
        QCOMPARE(f.overflowCode, 0);
        QCOMPARE(f.appendVertex(lit, false), 65536);
        QCOMPARE(f.overflowCode, 4096);
    }

    void copyHeaderTakesHeaderAndRecounts()
    {
        IldFrame src;
        src.format = 4;
        src.name = QStringLiteral("n");
        src.frameNumber = 7;
        src.check = true;
        src.reserved = 3;
        IldFrame dst;
        dst.vertices.resize(3);
        dst.reserved = 9;
        dst.copyHeader(src);
        QCOMPARE(int(dst.format), 4);
        QCOMPARE(dst.name, QStringLiteral("n"));
        QCOMPARE(int(dst.frameNumber), 7);
        QCOMPARE(dst.check, true);
        QCOMPARE(int(dst.reserved), 0);
        QCOMPARE(int(dst.pointCount), 3);
    }

    void startupSettings()
    {
        QTextCodec *system = QTextCodec::codecForLocale();
        configureApplication();
        QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("VeVoza"));
        // File names and console text keep the system's encoding (byte for
        // byte where a name is not valid in it); only the contents of the
        // program's text files are GBK.
        QCOMPARE(QTextCodec::codecForLocale()->fromUnicode(QStringLiteral("保存 é")),
                 system->fromUnicode(QStringLiteral("保存 é")));
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QTextStream s(&buffer);
        TextCodec::useGbk(s);
        s << QStringLiteral("保存");
        s.flush();
        QCOMPARE(bytes, QByteArray("\xb1\xa3\xb4\xe6"));
    }
};

QTEST_GUILESS_MAIN(TestIldFrame)
#include "tst_ildframe.moc"
