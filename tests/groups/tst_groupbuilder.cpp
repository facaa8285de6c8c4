// The group image builder on real ILDA files: the four variants byte for
// byte, colours, and the exports it refuses.

#include "crcengine.h"
#include "filesizelimit.h"
#include "groupimagebuilder.h"
#include "groupimageformat.h"
#include "groupimagereader.h"
#include "ildabuilder.h"
#include "palette.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

using namespace GroupImageFormat;

namespace {

quint32 bitwiseMpeg2Reversed(const QByteArray &region)
{
    quint32 crc = 0xFFFFFFFFu;
    for (int i = 0; i < region.size(); i += 4)
        for (int k = 3; k >= 0; --k) {
            crc ^= quint32(quint8(region[i + k])) << 24;
            for (int b = 0; b < 8; ++b)
                crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
        }
    return crc;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// One frame of three points: the first (as every first point) is read as
// blanked, the second red, the third blanked by its status.
QByteArray threePointFrame()
{
    return IldaBuilder()
        .header(5, 3, "f", "c")
        .point5(10, 10, 0, 255, 255, 255)
        .point5(-16, 32767, 0, 255, 0, 0)
        .point5(100, -100, 0x40, 0, 0, 255)
        .bytes();
}

} // namespace

class TestGroupBuilder : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    Palette m_palette;
    ColorContext m_colors{&m_palette, 0};

    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write fixture %s", qPrintable(path));
        return path;
    }
    ExportFile file(const QString &name, const QByteArray &bytes, quint8 speed = 1, int color = 0, quint8 repeat = 1)
    {
        ExportFile f;
        f.path = write(name, bytes);
        f.name = name;
        f.playSpeed = speed;
        f.colorType = color;
        f.repeater = repeat;
        return f;
    }
    QByteArray build(GroupImageBuilder::Variant variant, const std::vector<ExportGroup> &groups,
                     GroupImageBuilder *used = nullptr)
    {
        GroupImageBuilder local;
        GroupImageBuilder &b = used ? *used : local;
        b.setColors(m_colors, &m_palette);
        b.setCreationTime(1000);
        QBuffer buf;
        buf.open(QIODevice::ReadWrite);
        const GroupImageBuilder::Outcome outcome = b.write(variant, groups, &buf);
        if (outcome != GroupImageBuilder::Written)
            return QByteArray("refused: ") + b.errorString().toUtf8();
        return buf.data();
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void init() { m_colors.offset = 0; }

    void oneGroupImageByteForByte()
    {
        const std::vector<ExportGroup> groups{{QStringLiteral("a"), {file("a.ild", threePointFrame())}}};
        GroupImageBuilder b;
        const QByteArray img = build(GroupImageBuilder::GroupImage, groups, &b);
        QCOMPARE(img.size(), 768);
        QCOMPARE(b.dataEnd(), quint64(582));

        QByteArray expected = imageHeader(1000);
        expected += QByteArray("a\0\0\0\0\0\0\0", 8) + QByteArray::fromHex("01000100 00020f");
        expected += QByteArray("a.ild").append(QByteArray(11, '\0')) + QByteArray::fromHex("00 0001 00000229 01 00 01");
        expected += QByteArray::fromHex("0000 0003 00000231");
        expected += QByteArray::fromHex("07ff07ff000000"
                                        "07fe0ffeff0000"
                                        "080507f9000000");
        QCOMPARE(expected.size(), 582);
        expected += QByteArray(768 - 582, '\0');
        const quint32 crc = bitwiseMpeg2Reversed(expected.mid(512));
        uchar *p = reinterpret_cast<uchar *>(expected.data());
        putLittleEndian32(p + 24, crc);
        putLittleEndian32(p + 28, 768);
        QCOMPARE(img.toHex(), expected.toHex());
        QCOMPARE(b.checksum(), crc);
        QCOMPARE(img.mid(28, 4), QByteArray::fromHex("00030000"));
    }

    void twoGroupImage()
    {
        const QByteArray two = IldaBuilder().header(5, 2).point5(0, 0, 0, 1, 1, 1).point5(1, 1, 0, 2, 2, 2).bytes();
        const std::vector<ExportGroup> groups{{QStringLiteral("g1"), {file("two.ild", two)}},
                                              {QStringLiteral("g2"), {file("three.ild", threePointFrame())}}};
        const QByteArray img = build(GroupImageBuilder::GroupImage, groups);
        QCOMPARE(img.size(), 768);
        const GroupImageCheck c = verifyGroupImage(reinterpret_cast<const uchar *>(img.constData()), img.size());
        QVERIFY2(c.ok(), qPrintable(c.errors.join("; ")));
        QCOMPARE(c.dataEnd, quint64(645));
        const GroupImageTables t = readGroupImageTables(reinterpret_cast<const uchar *>(img.constData()), img.size());
        QCOMPARE(t.groups[0].fileTableAddress, 542u);
        QCOMPARE(t.groups[1].fileTableAddress, 568u);
        QCOMPARE(t.groups[0].files[0].frameTableAddress, 594u);
        QCOMPARE(t.groups[1].files[0].frameTableAddress, 602u);
        QCOMPARE(img.mid(594 + 4, 4), QByteArray::fromHex("00000262")); // 610
        QCOMPARE(img.mid(602 + 4, 4), QByteArray::fromHex("00000270")); // 624
    }

    void sameGroupsTwiceDifferOnlyInTime()
    {
        const std::vector<ExportGroup> groups{{QStringLiteral("a"), {file("a.ild", threePointFrame())}}};
        GroupImageBuilder b1, b2;
        QBuffer x, y;
        x.open(QIODevice::ReadWrite);
        y.open(QIODevice::ReadWrite);
        b1.setCreationTime(1);
        b2.setCreationTime(2);
        QCOMPARE(b1.write(GroupImageBuilder::GroupImage, groups, &x), GroupImageBuilder::Written);
        QCOMPARE(b2.write(GroupImageBuilder::GroupImage, groups, &y), GroupImageBuilder::Written);
        QVERIFY(x.data() != y.data());
        QCOMPARE(x.data().mid(16), y.data().mid(16));
        QCOMPARE(x.data().left(8), y.data().left(8));
    }

    void singleGroupImage()
    {
        const std::vector<ExportGroup> groups{{QStringLiteral("a"), {file("a.ild", threePointFrame(), 4, 0x102, 6)}}};
        const QByteArray img = build(GroupImageBuilder::SingleGroupImage, groups);
        QCOMPARE(img.size(), 55);
        QCOMPARE(img.mid(16), QByteArray::fromHex("00 0001 0000001a 04 02 06"
                                                  "0000 0003 00000022"
                                                  "07ff07ff000000"
                                                  "07fe0ffeff0000"
                                                  "080507f9000000"));
    }

    // No group, a group of no files, files that give no frames: nothing is
    // written over the previous image.
    void nothingToExportIsRefused_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<bool>("withGroup");
        for (int v : {GroupImageBuilder::GroupImage, GroupImageBuilder::TextGroupImage,
                      GroupImageBuilder::SingleGroupImage, GroupImageBuilder::SingleGroupText}) {
            QTest::addRow("variant_%d_no_group", v) << v << false;
            QTest::addRow("variant_%d_missing_file", v) << v << true;
        }
    }
    void nothingToExportIsRefused()
    {
        QFETCH(int, variant);
        QFETCH(bool, withGroup);
        std::vector<ExportGroup> groups;
        if (withGroup)
            groups.push_back({QStringLiteral("m"), {file("gone.ild", QByteArray())}});
        const QString target = write(QStringLiteral("previous.ilg"), "previous content");
        GroupImageBuilder b;
        QCOMPARE(b.save(GroupImageBuilder::Variant(variant), groups, target), GroupImageBuilder::Refused);
        QVERIFY2(b.errorString().startsWith(QLatin1String("nothing to export")), qPrintable(b.errorString()));
        QCOMPARE(fileBytes(target), QByteArray("previous content"));
    }

    void groupWithoutCheckedFilesIsLeftOut()
    {
        const std::vector<ExportGroup> withEmpty{{QStringLiteral("none"), {}},
                                                 {QStringLiteral("a"), {file("a.ild", threePointFrame())}}};
        const std::vector<ExportGroup> alone{{QStringLiteral("a"), {file("a.ild", threePointFrame())}}};
        QCOMPARE(build(GroupImageBuilder::GroupImage, withEmpty), build(GroupImageBuilder::GroupImage, alone));
    }

    void indexedColoursFollowThePaletteOffset_data()
    {
        QTest::addColumn<int>("offset");
        QTest::newRow("default_table") << 0;
        QTest::newRow("standard_table") << 150;
    }
    void indexedColoursFollowThePaletteOffset()
    {
        QFETCH(int, offset);
        QVERIFY(m_palette.rgbAt(5) != m_palette.rgbAt(155));
        const QByteArray ild = IldaBuilder().header(1, 2).point1(0, 0, 0, 9).point1(0, 0, 0, 5).bytes();
        const std::vector<ExportGroup> groups{{QStringLiteral("p"), {file("p.ild", ild)}}};
        m_colors.offset = quint8(offset);
        const QByteArray img = build(GroupImageBuilder::SingleGroupImage, groups);
        const QRgb c = m_palette.rgbAt(offset + 5);
        QCOMPARE(img.right(3),
                 QByteArray::fromHex(
                     QByteArray::number(qRgb(qRed(c), qGreen(c), qBlue(c)) & 0xFFFFFF, 16).rightJustified(6, '0')));
    }

    void blankedVertexIsBlack()
    {
        const QByteArray ild = IldaBuilder()
                                   .header(5, 2)
                                   .point5(0, 0, 0, 1, 2, 3)
                                   .point5(5, 5, 0x40, 200, 100, 50)
                                   .header(0, 2)
                                   .point0(0, 0, 0, 0, 1)
                                   .point0(0, 0, 0, 0x40, 1)
                                   .bytes();
        const std::vector<ExportGroup> groups{{QStringLiteral("b"), {file("b.ild", ild)}}};
        const QByteArray img = build(GroupImageBuilder::SingleGroupImage, groups);
        QCOMPARE(img.size(), 26 + 16 + 28);
        for (int v = 0; v < 4; ++v)
            QCOMPARE(img.mid(26 + 16 + 7 * v + 4, 3), QByteArray(3, '\0'));
    }

    void singleGroupTextLineByLine()
    {
        const std::vector<ExportGroup> groups{{QStringLiteral("a"), {file("a.ild", threePointFrame())}}};
        const QStringList lines = QString::fromLatin1(build(GroupImageBuilder::SingleGroupText, groups)).split('\n');
        const QStringList expected{
            "cal complete",
            "init_address_file_table: ",
            "new group address:------------0x1a,",
            "a.ild           ,file:0,frame:1,frame address:0x1a,26,speed:1,color:0,repeater:1",
            "init_address_frame_table:",
            "new file address:------------0x1a,",
            "frame:0,vertex num:3,vertex address:0x22,34,",
            "init_address_XYRGB_data:",
            "new frame address:------------0x22,",
            "7ff,7ff,0x00,0x00,0x00,",
            "7fe,ffe,ff,0,0,",
            "805,7f9,0x00,0x00,0x00,",
            "out complete",
            "",
        };
        QCOMPARE(lines, expected);
    }

    void textGroupImageLineByLine()
    {
        const std::vector<ExportGroup> groups{{QStringLiteral("a"), {file("a.ild", threePointFrame())}},
                                              {QStringLiteral("skipped"), {}}};
        const QStringList lines = QString::fromLatin1(build(GroupImageBuilder::TextGroupImage, groups)).split('\n');
        const QStringList expected{
            "cal complete",
            "tovrim  ,1000,exFlash ,",
            "a       ,tab/group:1,0,file num:1,file address:0x27,39,",
            "----start_address_file_table: ",
            "new group address:------------0x27,",
            "a.ild           ,file:0,frame:1,frame address:0x41,65,speed:1,color:0,repeater:1",
            "----start_address_frame_table:",
            "new file address:------------0x41,",
            "frame:0,vertex num:3,vertex address:0x49,73,",
            "----start_address_XYRGB_data:",
            "new frame address:------------0x49,",
            "7ff,7ff,0x00,0x00,0x00,",
            "7fe,ffe,ff,0,0,",
            "805,7f9,0x00,0x00,0x00,",
            "out complete",
            "",
        };
        QCOMPARE(lines, expected);
    }

    void largeImageChecksumAcrossBufferFlushes()
    {
        // More than one output buffer of points with an odd record size, so that
        // the checksum is fed across flush boundaries.
        IldaBuilder ild;
        for (int f = 0; f < 3; ++f) {
            ild.header(5, 60000);
            for (int i = 0; i < 60000; ++i)
                ild.point5(qint16(i), qint16(-i), 0, quint8(i), quint8(i >> 8), quint8(f));
        }
        const std::vector<ExportGroup> groups{{QStringLiteral("big"), {file("big.ild", ild.bytes())}}};
        const QByteArray img = build(GroupImageBuilder::GroupImage, groups);
        QCOMPARE(img.size() % 256, 0);
        const GroupImageCheck c = verifyGroupImage(reinterpret_cast<const uchar *>(img.constData()), img.size());
        QVERIFY2(c.ok(), qPrintable(c.errors.join("; ")));
        QCOMPARE(c.vertices, quint64(180000));
    }

    void fileWithoutFramesIsLeftOut()
    {
        const ExportFile good = file("a.ild", threePointFrame());
        ExportFile missing = good;
        missing.path = m_dir.filePath("missing.ild");
        missing.name = "missing.ild";
        const ExportFile empty = file("empty.ild", QByteArray());
        const ExportFile garbage = file("garbage.ild", "not an ILDA file at all");
        for (auto variant : {GroupImageBuilder::GroupImage, GroupImageBuilder::TextGroupImage,
                             GroupImageBuilder::SingleGroupImage, GroupImageBuilder::SingleGroupText}) {
            GroupImageBuilder b;
            const QByteArray with = build(variant, {{QStringLiteral("a"), {missing, good, empty, garbage}}}, &b);
            QCOMPARE(with, build(variant, {{QStringLiteral("a"), {good}}}));
            QVERIFY(!b.placement()[0].files[0].exported);
            QVERIFY(b.placement()[0].files[1].exported);
            QVERIFY(!b.placement()[0].files[2].exported);
        }
        // A group left with nothing is no group at all.
        QCOMPARE(
            build(GroupImageBuilder::GroupImage, {{QStringLiteral("m"), {missing}}, {QStringLiteral("a"), {good}}}),
            build(GroupImageBuilder::GroupImage, {{QStringLiteral("a"), {good}}}));
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("what");
        QTest::newRow("256_files_in_a_group") << "files";
        QTest::newRow("65536_frames_in_a_file") << "frames";
    }
    void refusals()
    {
        QFETCH(QString, what);
        ExportGroup group{QStringLiteral("big"), {}};
        if (what == QLatin1String("files")) {
            const ExportFile one = file("one.ild", threePointFrame());
            group.files.assign(256, one);
        } else {
            IldaBuilder ild;
            for (int i = 0; i < 65536; ++i)
                ild.header(5, 1).point5(0, 0, 0, 1, 2, 3);
            group.files.push_back(file("many.ild", ild.bytes()));
        }
        for (auto variant : {GroupImageBuilder::GroupImage, GroupImageBuilder::SingleGroupText}) {
            const QString target = write(QStringLiteral("previous.ilg"), "previous content");
            GroupImageBuilder b;
            QCOMPARE(b.save(variant, {group}, target), GroupImageBuilder::Refused);
            QVERIFY2(b.errorString().contains(what), qPrintable(b.errorString()));
            QCOMPARE(fileBytes(target), QByteArray("previous content"));
        }
    }

    void fileChangedBetweenPasses_data()
    {
        QTest::addColumn<QByteArray>("replacement");
        QTest::newRow("more_frames")
            << IldaBuilder().header(5, 1).point5(0, 0, 0, 1, 1, 1).header(5, 1).point5(0, 0, 0, 1, 1, 1).bytes();
        QTest::newRow("other_point_count")
            << IldaBuilder().header(5, 2).point5(0, 0, 0, 1, 1, 1).point5(0, 0, 0, 1, 1, 1).bytes();
        QTest::newRow("gone") << QByteArray();
    }
    void fileChangedBetweenPasses()
    {
        QFETCH(QByteArray, replacement);
        for (auto variant :
             {GroupImageBuilder::GroupImage, GroupImageBuilder::SingleGroupImage, GroupImageBuilder::TextGroupImage}) {
            const ExportFile f = file("changing.ild", threePointFrame());
            const QString target = write(QStringLiteral("previous.ilg"), "previous content");
            GroupImageBuilder b;
            b.setBetweenPasses([&]() { write(QStringLiteral("changing.ild"), replacement); });
            QCOMPARE(b.save(variant, {{QStringLiteral("c"), {f}}}, target), GroupImageBuilder::Refused);
            QVERIFY2(b.errorString().contains(QLatin1String("changed")), qPrintable(b.errorString()));
            QCOMPARE(fileBytes(target), QByteArray("previous content"));
        }
    }

    // Cancelled in the first pass or after the last file was read again (all
    // data written to the temporary file): the previous file stays.
    void cancelKeepsThePreviousFile_data()
    {
        QTest::addColumn<int>("variant");  // 4: combined .ild
        QTest::addColumn<int>("cancelAt"); // the report that answers false
        QTest::newRow("group_image_first_pass") << int(GroupImageBuilder::GroupImage) << 1;
        QTest::newRow("group_image_last_read") << int(GroupImageBuilder::GroupImage) << 4;
        QTest::newRow("text_group_image_last_read") << int(GroupImageBuilder::TextGroupImage) << 4;
        QTest::newRow("single_group_image_last_read") << int(GroupImageBuilder::SingleGroupImage) << 4;
        QTest::newRow("single_group_text_last_read") << int(GroupImageBuilder::SingleGroupText) << 4;
        QTest::newRow("combined_ilda_last_file") << 4 << 2;
    }
    void cancelKeepsThePreviousFile()
    {
        QFETCH(int, variant);
        QFETCH(int, cancelAt);
        const ExportGroup group{QStringLiteral("c"),
                                {file("a.ild", threePointFrame()), file("b.ild", threePointFrame())}};
        const QString target = write(QStringLiteral("previous.ilg"), "previous content");
        GroupImageBuilder b;
        int reports = 0;
        qint64 lastDone = -1;
        b.setProgress([&](qint64 done, qint64 total) {
            [&] { QVERIFY(done > lastDone && done <= total); }();
            lastDone = done;
            return ++reports < cancelAt;
        });
        const GroupImageBuilder::Outcome outcome = variant == 4
                                                       ? b.saveCombinedIlda(group, target)
                                                       : b.save(GroupImageBuilder::Variant(variant), {group}, target);
        QCOMPARE(outcome, GroupImageBuilder::Cancelled);
        QCOMPARE(reports, cancelAt);
        QCOMPARE(fileBytes(target), QByteArray("previous content"));
        QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("previous.ilg.*")}, QDir::Files), QStringList());
    }

    void unwritableTargetFails()
    {
        GroupImageBuilder b;
        const std::vector<ExportGroup> groups{{QStringLiteral("a"), {file("a.ild", threePointFrame())}}};
        QCOMPARE(b.save(GroupImageBuilder::GroupImage, groups, m_dir.filePath("no/such/dir/x.ilg")),
                 GroupImageBuilder::OutputFailed);
    }

    void fullDiskKeepsThePreviousFile()
    {
        const std::vector<ExportGroup> groups{{QStringLiteral("a"), {file("a.ild", threePointFrame())}}};
        for (auto variant : {GroupImageBuilder::GroupImage, GroupImageBuilder::TextGroupImage,
                             GroupImageBuilder::SingleGroupImage, GroupImageBuilder::SingleGroupText}) {
            const QString target = write(QStringLiteral("previous.ilg"), "previous content");
            GroupImageBuilder b;
            GroupImageBuilder::Outcome outcome;
            {
                const FileSizeLimit full(40);
                outcome = b.save(variant, groups, target);
            }
            QCOMPARE(outcome, GroupImageBuilder::OutputFailed);
            QCOMPARE(fileBytes(target), QByteArray("previous content"));
        }
    }

    void savedFileEqualsWrittenBytes()
    {
        const std::vector<ExportGroup> groups{{QStringLiteral("a"), {file("a.ild", threePointFrame())}}};
        GroupImageBuilder b;
        b.setCreationTime(1000);
        const QString target = m_dir.filePath("saved.ilg");
        QCOMPARE(b.save(GroupImageBuilder::GroupImage, groups, target), GroupImageBuilder::Written);
        QCOMPARE(fileBytes(target), build(GroupImageBuilder::GroupImage, groups));
    }

    void combinedIlda()
    {
        const QByteArray two =
            IldaBuilder().header(5, 2, "x").point5(0, 0, 0, 1, 1, 1).point5(1, 1, 0, 2, 2, 2).bytes();
        const ExportGroup group{QStringLiteral("c"), {file("a.ild", threePointFrame()), file("two.ild", two)}};
        GroupImageBuilder b;
        const QString target = m_dir.filePath("combined.ild");
        QCOMPARE(b.saveCombinedIlda(group, target), GroupImageBuilder::Written);
        const QByteArray bytes = fileBytes(target);
        QCOMPARE(bytes.size(), 32 + 3 * 8 + 32 + 2 * 8);
        // Frames numbered through the combined file.
        QCOMPARE(bytes.mid(26, 4), QByteArray::fromHex("00000002"));
        QCOMPARE(bytes.mid(32 + 24 + 26, 4), QByteArray::fromHex("00010002"));
    }
};

QTEST_GUILESS_MAIN(TestGroupBuilder)
#include "tst_groupbuilder.moc"
