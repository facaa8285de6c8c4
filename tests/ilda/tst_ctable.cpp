#include "ctable.h"
#include "ildframeset.h"
#include "palette.h"
#include "vertices.h"

#include <QtTest>

namespace {

IldFrame frame(std::vector<IldVertex> vs, quint8 format = 5, bool check = true)
{
    IldFrame f;
    f.format = format;
    f.check = check;
    f.vertices = std::move(vs);
    return f;
}

// The one line of the pic_Data block that describes the given vertex.
QByteArray vertexLine(const QByteArray &text, int index)
{
    const QList<QByteArray> lines = text.split('\n');
    for (const QByteArray &l : lines)
        if (l.startsWith("        {") && l.endsWith("//" + QByteArray::number(index)))
            return l;
    return QByteArray();
}

} // namespace

namespace QTest {
template <> char *toString(const IldVertex &v)
{
    return qstrdup(QStringLiteral("(%1,%2,%3 rgb %4,%5,%6 s%7 i%8)")
                       .arg(v.x)
                       .arg(v.y)
                       .arg(v.z)
                       .arg(v.r)
                       .arg(v.g)
                       .arg(v.b)
                       .arg(v.status)
                       .arg(v.colorIndex)
                       .toLatin1());
}
} // namespace QTest

Q_DECLARE_METATYPE(IldVertex)

class TestCTable : public QObject
{
    Q_OBJECT
    Palette m_palette;
    ColorContext m_colors{&m_palette, 0};

    // What the editor's export does: the table, then type 2's transforms baked in.
    QByteArray exportCTable(IldFrameSet &set, int type)
    {
        const QByteArray text = ::exportCTable(set, type, m_colors);
        bakeExportedTransforms(set, type);
        return text;
    }

private slots:
    void init() { m_colors.offset = 0; }

    void twoRedPointsByteForByte()
    {
        IldFrameSet set;
        set.frames.push_back(frame({vtx(0, 0), vtx(-32767, 32767)}));
        const QByteArray expected = "#include \"vertex.h\"\n"
                                    "const unsigned short pic_size[]={\n"
                                    "    2,\n"
                                    "};\n"
                                    "//size:1\n"
                                    "//need Flash(byte):2\n"
                                    "const unsigned short pic_size_c = 1;\n"
                                    "const unsigned short pic_index[ pic_size_c ]={\n"
                                    "    0,\n"
                                    "};\n"
                                    "//size:1\n"
                                    "//need Flash(byte):2\n"
                                    "const vertex pic_Data[2]={\n"
                                    "    //ilda_0[2]\n"
                                    "      // x, y , r, g, b\n"
                                    "        {2047,2047,255,0,0,},//0\n"
                                    "        {0,4094,255,0,0,},//1\n"
                                    "      //end\n"
                                    "};//end\n"
                                    "//size:2\n"
                                    "//need Flash(byte):14\n";
        QCOMPARE(exportCTable(set, 0), expected);
        QCOMPARE(exportCTable(set, 1), expected);
    }

    void emptySetStillGivesTables()
    {
        IldFrameSet set;
        set.frames.push_back(frame({vtx(1, 1)}, 5, false));
        const QByteArray text = exportCTable(set, 0);
        QVERIFY(text.contains("pic_size[]={\n    \n};\n//size:0\n"));
        QVERIFY(text.contains("const vertex pic_Data[0]={\n};//end\n//size:0\n//need Flash(byte):0\n"));
    }

    void lineBreakBeforeEleventhValue()
    {
        IldFrameSet set;
        for (int k = 0; k < 11; ++k) {
            std::vector<IldVertex> vs(size_t(k + 1), vtx(0, 0));
            set.frames.push_back(frame(vs));
        }
        set.frames.insert(set.frames.begin() + 3, frame({vtx(5, 5)}, 5, false)); // left out everywhere
        const QByteArray text = exportCTable(set, 0);
        QVERIFY(
            text.contains("pic_size[]={\n    1,2,3,4,5,6,7,8,9,10,\n    11,\n};\n//size:11\n//need Flash(byte):22\n"));
        QVERIFY(text.contains("={\n    0,1,3,6,10,15,21,28,36,45,\n    55,\n};\n"));
        QVERIFY(text.contains("const unsigned short pic_size_c = 11;\n"));
        QVERIFY(text.contains("const vertex pic_Data[66]={\n"));
        QVERIFY(text.contains("    //ilda_10[11]\n"));
        QVERIFY(text.endsWith("};//end\n//size:66\n//need Flash(byte):462\n"));
    }

    void tenValuesNeedNoSecondLine()
    {
        IldFrameSet set;
        for (int k = 0; k < 10; ++k)
            set.frames.push_back(frame({vtx(0, 0)}));
        QVERIFY(exportCTable(set, 0).contains("pic_size[]={\n    1,1,1,1,1,1,1,1,1,1,\n};\n"));
    }

    void colourCodes_data()
    {
        QTest::addColumn<IldVertex>("v");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("blanked") << vtx(0, 0, 0x40, 255, 255, 255) << QByteArray("        {2047,2047,0x40,},//0");
        QTest::newRow("white_has_comma") << vtx(16, -16, 0, 9, 9, 9) << QByteArray("        {2048,2046,56,},//0");
        QTest::newRow("yellow") << vtx(0, 0, 0, 255, 255, 0) << QByteArray("        {2047,2047,16},//0");
        QTest::newRow("magenta") << vtx(0, 0, 0, 1, 0, 1) << QByteArray("        {2047,2047,48},//0");
        QTest::newRow("red") << vtx(0, 0, 0, 200, 0, 0) << QByteArray("        {2047,2047,0},//0");
        QTest::newRow("cyan_has_comma") << vtx(0, 0, 0, 0, 3, 3) << QByteArray("        {2047,2047,31,},//0");
        QTest::newRow("green") << vtx(0, 0, 0, 0, 255, 0) << QByteArray("        {2047,2047,24},//0");
        QTest::newRow("blue") << vtx(0, 0, 0, 0, 0, 255) << QByteArray("        {2047,2047,40},//0");
        QTest::newRow("black_lit") << vtx(0, 0, 0, 0, 0, 0) << QByteArray("        {2047,2047,64},//0");
    }
    void colourCodes()
    {
        QFETCH(IldVertex, v);
        QFETCH(QByteArray, line);
        IldFrameSet set;
        set.frames.push_back(frame({v}));
        const QByteArray text = exportCTable(set, 3);
        QVERIFY(text.contains("      // x, y , color\n"));
        QCOMPARE(vertexLine(text, 0), line);
    }

    void indexedColoursFollowSelectedTable()
    {
        IldFrameSet set;
        set.frames.push_back(frame({vtx(0, 0, 0, 1, 2, 3, 4)}, 1));
        const QColor def = m_palette.colorAt(4);
        const QColor std = m_palette.colorAt(Palette::IildStd + 4);
        QVERIFY(def != std);
        auto expect = [](const QColor &c) {
            return QByteArray("        {2047,2047,") + QByteArray::number(c.red()) + ',' +
                   QByteArray::number(c.green()) + ',' + QByteArray::number(c.blue()) + ",},//0";
        };
        QCOMPARE(vertexLine(exportCTable(set, 0), 0), expect(def));
        m_colors.offset = Palette::IildStd;
        QCOMPARE(vertexLine(exportCTable(set, 0), 0), expect(std));
    }

    void filePaletteIndexWithoutPaletteIsBlack()
    {
        IldFrameSet set;
        set.frames.push_back(frame({vtx(0, 0, 0, 9, 9, 9, 255)}, 3));
        QCOMPARE(vertexLine(exportCTable(set, 0), 0), QByteArray("        {2047,2047,0,0,0,},//0"));
        QCOMPARE(vertexLine(exportCTable(set, 3), 0), QByteArray("        {2047,2047,64},//0"));
    }

    void typeTwoBakesTransform()
    {
        IldFrameSet set;
        set.frames.push_back(frame({vtx(1600, -1600), vtx(20000, 0)}));
        set.frames[0].scaleX = 2.0f;
        set.frames[0].offsetY = 160.0f;
        QCOMPARE(vertexLine(exportCTable(set, 0), 0), QByteArray("        {2147,1947,255,0,0,},//0"));
        const QByteArray text = exportCTable(set, 2);
        QCOMPARE(vertexLine(text, 0), QByteArray("        {2247,1937,255,0,0,},//0"));
        QCOMPARE(vertexLine(text, 1), QByteArray("        {4094,2037,255,0,0,},//1"));
        QCOMPARE(set.frames[0].vertices[0].x, qint16(3200));
        QCOMPARE(set.frames[0].vertices[0].y, qint16(-1760));
        QCOMPARE(set.frames[0].vertices[1].x, qint16(32767));
        // Baked once: exporting again does not scale a second time.
        QCOMPARE(vertexLine(exportCTable(set, 2), 0), QByteArray("        {2247,1937,255,0,0,},//0"));
    }

    void exportThenImport()
    {
        IldFrameSet set;
        set.frames.push_back(frame({vtx(0, 0), vtx(-32767, 32767)}));
        set.frames.push_back(frame({vtx(160, 320, 0x40), vtx(-480, 16, 0, 1, 2, 3)}, 5));
        set.frames.push_back(frame({}));
        const QByteArray text = exportCTable(set, 0);
        IldFrameSet back;
        back.frames.push_back(frame({vtx(7, 7)})); // import appends
        importCTable(text, back);
        QCOMPARE(back.frames.size(), size_t(4));
        const IldFrame &a = back.frames[1];
        QCOMPARE(a.format, quint8(5));
        QCOMPARE(a.name, QStringLiteral("Tovrim.."));
        QCOMPARE(a.company, QStringLiteral("I"));
        QCOMPARE(a.check, true);
        QCOMPARE(a.pointCount, quint16(2));
        QCOMPARE(a.vertexCount(), 2);
        IldVertex p0 = vtx(0, 0, 0, 255, 0, 0, 55);
        IldVertex p1 = vtx(-32752, 32752, 0x80, 255, 0, 0, 55);
        QCOMPARE(a.vertices[0], p0);
        QCOMPARE(a.vertices[1], p1);
        const IldFrame &b = back.frames[2];
        QCOMPARE(b.vertices[0], vtx(160, 320, 0x40, 0, 0, 0, 55));
        QCOMPARE(b.vertices[1], vtx(-480, 16, 0x80, 1, 2, 3, 55));
        QCOMPARE(back.frames[3].vertexCount(), 0);
        QCOMPARE(back.frames[3].check, true);
    }

    void typeThreeBlocksAreNotImported()
    {
        IldFrameSet set;
        set.frames.push_back(frame({vtx(0, 0)}));
        IldFrameSet back;
        importCTable(exportCTable(set, 3), back);
        QCOMPARE(back.frames.size(), size_t(0));
    }

    void malformedImport_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("frames");
        QTest::addColumn<QList<IldVertex>>("lastFrame");
        QTest::addColumn<int>("clamped");
        const QByteArray head = "#include \"vertex.h\"\nconst vertex pic_Data[9]={\n    //ilda_0[2]\n"
                                "      // x, y , r, g, b\n";
        QTest::newRow("truncated_in_block")
            << head + "        {2047,2047,255,0,0,},//0\n        {2048,20" << 1
            << QList<IldVertex>{vtx(0, 0, 0, 255, 0, 0, 55), vtx(16, -32752, 0x80 | 0x40, 0, 0, 0, 55)} << 0;
        QTest::newRow("no_table_end") << head + "        {2047,2047,255,0,0,},//0\n      //end\n"
                                      << 1 << QList<IldVertex>{vtx(0, 0, 0x80, 255, 0, 0, 55)} << 0;
        QTest::newRow("missing_pieces_read_zero") << head + "        {2049,2047,},//0\n      //end\n};//end\n"
                                                  << 1 << QList<IldVertex>{vtx(32, 0, 0x80 | 0x40, 0, 0, 0, 55)} << 0;
        QTest::newRow("empty_and_junk_lines")
            << head + "\n\xff\xfe garbage,,,,,,,\n      //end\n"
            << 1
            << QList<IldVertex>{vtx(-32752, -32752, 0x40, 0, 0, 0, 55), vtx(-32752, -32752, 0x80 | 0x40, 0, 0, 0, 55)}
            << 0;
        // 4095 would wrap to the opposite edge and 256 to dark: both clamp, and
        // so does 511; a number too wide to read still reads 0.
        QTest::newRow("out_of_range_values_clamp")
            << head + "        {99999999999,4095,511,256,-1,},//0\n      //end\n"
            << 1 << QList<IldVertex>{vtx(-32752, 32752, 0x80, 255, 255, 0, 55)} << 3;
        QTest::newRow("after_table_end_ignored")
            << head + "      //end\n};//end\n      // x, y , r, g, b\n        {1,1,1,1,1,},//0\n      //end\n"
            << 1 << QList<IldVertex>{} << 0;
        QTest::newRow("crlf_lines")
            << QByteArray("      // x, y , r, g, b\r\n        {2047,2047,255,0,0,},//0\r\n      //end\r\n") << 1
            << QList<IldVertex>{vtx(0, 0, 0x80, 255, 0, 0, 55)} << 0;
        QTest::newRow("nothing") << QByteArray() << 0 << QList<IldVertex>{} << 0;
    }
    void malformedImport()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, frames);
        QFETCH(QList<IldVertex>, lastFrame);
        QFETCH(int, clamped);
        if (clamped > 0)
            QTest::ignoreMessage(
                QtDebugMsg, qPrintable(QStringLiteral("{importCTable}values out of range clamped: %1").arg(clamped)));
        IldFrameSet set;
        importCTable(text, set);
        QCOMPARE(int(set.frames.size()), frames);
        if (frames == 0)
            return;
        const IldFrame &f = set.frames.back();
        QCOMPARE(f.vertexCount(), lastFrame.size());
        QCOMPARE(int(f.pointCount), lastFrame.size());
        for (int i = 0; i < lastFrame.size(); ++i)
            QCOMPARE(f.vertices[size_t(i)], lastFrame[i]);
    }
};

QTEST_GUILESS_MAIN(TestCTable)
#include "tst_ctable.moc"
