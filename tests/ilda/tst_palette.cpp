#include "colorresolve.h"
#include "palette.h"

#include <QtTest>

class TestPalette : public QObject
{
    Q_OBJECT
    Palette m_palette; // no test appends to it but the last
private slots:

    void tableEntries_data()
    {
        QTest::addColumn<int>("role");
        QTest::addColumn<int>("row");
        QTest::addColumn<QColor>("color");
        QTest::newRow("IildStd_0_black") << 4 << 0 << QColor(0, 0, 0);
        QTest::newRow("Default_64_black") << 1 << 64 << QColor(0, 0, 0);
        QTest::newRow("Default_58_white") << 1 << 58 << QColor(255, 255, 255);
        QTest::newRow("Default_35") << 1 << 35 << QColor(10, 96, 255);
        QTest::newRow("IldaTTL_31") << 2 << 31 << QColor(0, 255, 224);
        QTest::newRow("IldaTTL_35_black") << 2 << 35 << QColor(0, 0, 0);
        QTest::newRow("X29_20") << 3 << 20 << QColor(128, 128, 128);
        QTest::newRow("IildStd_2_red") << 4 << 2 << QColor(255, 0, 0);
        QTest::newRow("IildStd_9_pastel") << 4 << 9 << QColor(255, 140, 128);
        QTest::newRow("IildStd_77_saturated") << 4 << 77 << QColor(255, 70, 0);
        QTest::newRow("IildStd_141_dark") << 4 << 141 << QColor(128, 12, 0);
        QTest::newRow("IildStd_206_light_red") << 4 << 206 << QColor(255, 192, 192);
        QTest::newRow("IildStd_213_darker_yellow") << 4 << 213 << QColor(64, 64, 0);
        QTest::newRow("IildStd_230") << 4 << 230 << QColor(255, 96, 96);
        QTest::newRow("IildStd_231_white") << 4 << 231 << QColor(255, 255, 255);
        QTest::newRow("IildStd_255_black") << 4 << 255 << QColor(0, 0, 0);
        QTest::newRow("Dxf_9") << 5 << 9 << QColor(191, 191, 191);
        QTest::newRow("Dxf_11_red_tint") << 5 << 11 << QColor(255, 127, 127);
        QTest::newRow("Dxf_13_dark_tint") << 5 << 13 << QColor(165, 82, 82);
        QTest::newRow("Dxf_19_darkest_tint") << 5 << 19 << QColor(38, 19, 19);
        QTest::newRow("Dxf_20_orange") << 5 << 20 << QColor(255, 63, 0);
        QTest::newRow("Dxf_60_yellow_green") << 5 << 60 << QColor(191, 255, 0);
        QTest::newRow("Dxf_170_blue") << 5 << 170 << QColor(0, 0, 255);
        QTest::newRow("Dxf_240") << 5 << 240 << QColor(255, 0, 63);
        QTest::newRow("Dxf_250_grey") << 5 << 250 << QColor(84, 84, 84);
        QTest::newRow("LbHues_0") << 6 << 0 << QColor(255, 0, 0);
        QTest::newRow("LbHues_1") << 6 << 1 << QColor(255, 5, 0);
        QTest::newRow("LbHues_43") << 6 << 43 << QColor(255, 255, 0);
        QTest::newRow("LbHues_85") << 6 << 85 << QColor(4, 255, 0);
        QTest::newRow("LbHues_128") << 6 << 128 << QColor(4, 255, 254);
        QTest::newRow("LbHues_171") << 6 << 171 << QColor(0, 7, 255);
        QTest::newRow("LbHues_213") << 6 << 213 << QColor(251, 7, 255);
        QTest::newRow("LbHues_254") << 6 << 254 << QColor(255, 7, 15);
        QTest::newRow("LbHues_255") << 6 << 255 << QColor(0, 0, 0);
    }
    void tableEntries()
    {
        QFETCH(int, role);
        QFETCH(int, row);
        QFETCH(QColor, color);
        Palette &p = m_palette;
        QCOMPARE(p.data(p.index(row), role).value<QColor>(), color);
    }

    void modelShape()
    {
        Palette &p = m_palette;
        QCOMPARE(p.rowCount(), 918);
        QCOMPARE(p.roleNames().value(4), QByteArray("IildStd"));
        QVERIFY(!p.data(p.index(0), 7).isValid());
        QVERIFY(!p.data(p.index(300), 6).isValid()); // past the list
        QCOMPARE(p.rowCount(p.index(0)), 0);
    }

    void indexedLookupFollowsPaletteOffset_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("index");
        QTest::addColumn<QColor>("color");
        QTest::newRow("default_2") << 0 << 1 << 2 << QColor(255, 32, 0);
        QTest::newRow("ildstd_2") << 150 << 1 << 2 << QColor(255, 0, 0);
        QTest::newRow("default_100_reaches_ttl") << 0 << 0 << 100 << QColor(0, 0, 0);
        QTest::newRow("file_palette_missing_black") << 0 << 2 << 5 << QColor(0, 0, 0);
    }
    void indexedLookupFollowsPaletteOffset()
    {
        QFETCH(int, offset);
        QFETCH(int, format);
        QFETCH(int, index);
        QFETCH(QColor, color);
        const ColorContext colors{&m_palette, quint8(offset)};
        IldVertex v;
        v.colorIndex = quint8(index);
        QCOMPARE(QColor(displayColor(colors, quint8(format), v)), color);
    }

    void fileColoursAppendAndResolve()
    {
        Palette &p = m_palette;
        p.append(QColor(9, 8, 7));
        QCOMPARE(p.rowCount(), 919);
        IldVertex v;
        v.colorIndex = 0;
        QCOMPARE(QColor(displayColor(ColorContext{&p, 0}, 3, v)), QColor(9, 8, 7));
        QCOMPARE(p.colorAt(-1), QColor(0, 0, 0));
    }
};

QTEST_GUILESS_MAIN(TestPalette)
#include "tst_palette.moc"
