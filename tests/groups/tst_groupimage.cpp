// The pure parts of the group image: layout, record encoding, checksum,
// reading the tables back and the consistency check.

#include "crcengine.h"
#include "groupimageformat.h"
#include "groupimagereader.h"
#include "grouplayout.h"

#include <QTextCodec>
#include <QtTest>

using namespace GroupImageFormat;

namespace {

// Reference CRC-32/MPEG-2, bit by bit, independent of the table engine.
quint32 bitwiseMpeg2(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (char c : bytes) {
        crc ^= quint32(quint8(c)) << 24;
        for (int i = 0; i < 8; ++i)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

QByteArray reversedGroups(const QByteArray &bytes)
{
    QByteArray r = bytes;
    for (int i = 0; i + 4 <= r.size(); i += 4)
        std::reverse(r.begin() + i, r.begin() + i + 4);
    return r;
}

// Two groups of one file each (2 and 3 points): a complete, valid image.
QByteArray twoGroupImage()
{
    const GroupLayout L(512, true, {{{2}}, {{3}}});
    QByteArray img = imageHeader(1234);
    appendGroupRecord(img, encodedName(QStringLiteral("g1"), 8), 2, 0, 1, quint32(L.fileRecordAddress(0)));
    appendGroupRecord(img, encodedName(QStringLiteral("g2"), 8), 2, 1, 1, quint32(L.fileRecordAddress(1)));
    appendFileRecord(img, encodedName(QStringLiteral("a.ild"), 16), 0, 1, quint32(L.frameRecordAddress(0, 0)), 1, 0, 1);
    appendFileRecord(img, encodedName(QStringLiteral("b.ild"), 16), 0, 1, quint32(L.frameRecordAddress(1, 0)), 2, 3, 4);
    appendFrameRecord(img, 0, 2, quint32(L.vertexAddress(0, 0, 0)));
    appendFrameRecord(img, 0, 3, quint32(L.vertexAddress(1, 0, 0)));
    for (int i = 0; i < 5; ++i) {
        uchar rec[7];
        putVertexRecord(rec, qint16(i * 100), qint16(-i * 100), qRgb(i, 2 * i, 3 * i));
        img.append(reinterpret_cast<const char *>(rec), 7);
    }
    img.append(QByteArray(int(GroupLayout::paddingFor(quint64(img.size()), 512)), '\0'));
    uchar *p = reinterpret_cast<uchar *>(img.data());
    putLittleEndian32(p + ChecksumOffset, CrcEngine::imageChecksum(p + 512, img.size() - 512));
    putLittleEndian32(p + LengthOffset, quint32(img.size()));
    return img;
}

} // namespace

class TestGroupImage : public QObject
{
    Q_OBJECT

private slots:
    void crcCheckValue()
    {
        CrcEngine crc = CrcEngine::mpeg2();
        crc.addBytes(reinterpret_cast<const uchar *>("123456789"), 9);
        QCOMPARE(crc.value(), 0x0376E6E7u);
        QCOMPARE(crc.tableEntry(1), 0x04C11DB7u);
    }

    void crcOverReversedGroups()
    {
        QByteArray region;
        for (int i = 0; i < 1024 + 12; ++i)
            region.append(char((i * 37 + 11) & 0xFF));
        const auto *p = reinterpret_cast<const uchar *>(region.constData());
        const quint32 stored = CrcEngine::imageChecksum(p, region.size());
        QCOMPARE(stored, bitwiseMpeg2(reversedGroups(region)));
        QVERIFY(stored != bitwiseMpeg2(region));

        // Fed in pieces (whole groups) it gives the same value.
        CrcEngine pieces = CrcEngine::mpeg2();
        pieces.addReversedWords(p, 400);
        pieces.addReversedWords(p + 400, region.size() - 400);
        QCOMPARE(pieces.value(), stored);
    }

    void emptyRegionChecksum() { QCOMPARE(CrcEngine::imageChecksum(nullptr, 0), 0xFFFFFFFFu); }

    void coordinate_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("stored");
        QTest::newRow("most_negative") << -32768 << 65535;
        QTest::newRow("minus_16") << -16 << 2046;
        QTest::newRow("minus_15_truncates_to_zero") << -15 << 2047;
        QTest::newRow("zero") << 0 << 2047;
        QTest::newRow("plus_15") << 15 << 2047;
        QTest::newRow("plus_16") << 16 << 2048;
        QTest::newRow("most_positive") << 32767 << 4094;
    }
    void coordinate()
    {
        QFETCH(int, x);
        QFETCH(int, stored);
        uchar record[GroupLayout::VertexRecordSize];
        putVertexRecord(record, qint16(x), qint16(x), 0);
        QCOMPARE(record[0] << 8 | record[1], stored);
    }

    void vertexRecordIsBigEndianXYThenRgb()
    {
        uchar rec[7];
        QCOMPARE(putVertexRecord(rec, -16, 32767, qRgb(1, 2, 3)), rec + 7);
        QCOMPARE(QByteArray(reinterpret_cast<char *>(rec), 7), QByteArray::fromHex("07fe0ffe010203"));
    }

    void oneGroupLayout()
    {
        const GroupLayout L(512, true, {{{3}}});
        QCOMPARE(L.fileRecordAddress(0), quint64(527));
        QCOMPARE(L.frameRecordAddress(0, 0), quint64(553));
        QCOMPARE(L.vertexAddress(0, 0, 0), quint64(561));
        QCOMPARE(L.end(), quint64(582));
        QCOMPARE(L.end() + GroupLayout::paddingFor(L.end(), 512), quint64(768));
        QVERIFY(L.overflowMessage().isEmpty());
    }

    void twoGroupLayout()
    {
        const GroupLayout L(512, true, {{{2}}, {{3}}});
        QCOMPARE(L.fileRecordAddress(0), quint64(542));
        QCOMPARE(L.fileRecordAddress(1), quint64(568));
        QCOMPARE(L.frameRecordAddress(0, 0), quint64(594));
        QCOMPARE(L.frameRecordAddress(1, 0), quint64(602));
        QCOMPARE(L.vertexAddress(0, 0, 0), quint64(610));
        QCOMPARE(L.vertexAddress(1, 0, 0), quint64(624));
        QCOMPARE(L.end(), quint64(645));
        QCOMPARE(L.end() + GroupLayout::paddingFor(L.end(), 512), quint64(768));
    }

    void singleGroupLayout()
    {
        const GroupLayout L(0, false, {{{3}}});
        QCOMPARE(L.fileRecordAddress(0), quint64(0));
        QCOMPARE(L.frameRecordAddress(0, 0), quint64(26));
        QCOMPARE(L.vertexAddress(0, 0, 0), quint64(34));
        QCOMPARE(L.end(), quint64(55));
    }

    void addressesAcrossFilesAndFrames()
    {
        // Group 0: files of frames {2,1} and {4}; group 1: one file {3,3,3}.
        const GroupLayout L(24, true, {{{2, 1}, {4}}, {{3, 3, 3}}});
        QCOMPARE(L.fileTableStart(), quint64(24 + 30));
        QCOMPARE(L.fileRecordAddress(1), quint64(54 + 2 * 26));
        QCOMPARE(L.frameTableStart(), quint64(54 + 3 * 26));
        QCOMPARE(L.frameRecordAddress(0, 1), L.frameTableStart() + 2 * 8);
        QCOMPARE(L.frameRecordAddress(1, 0, 2), L.frameTableStart() + 5 * 8);
        QCOMPARE(L.xyrgbStart(), L.frameTableStart() + 6 * 8);
        QCOMPARE(L.vertexAddress(0, 0, 1), L.xyrgbStart() + 2 * 7);
        QCOMPARE(L.vertexAddress(0, 1, 0), L.xyrgbStart() + 3 * 7);
        QCOMPARE(L.vertexAddress(1, 0, 2), L.xyrgbStart() + 13 * 7);
        QCOMPARE(L.end(), L.xyrgbStart() + 16 * 7);
    }

    void padding_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("padding");
        QTest::newRow("header_only") << 512 << 0;
        QTest::newRow("one_byte_over") << 513 << 255;
        QTest::newRow("one_short") << 767 << 1;
        QTest::newRow("exact") << 768 << 0;
    }
    void padding()
    {
        QFETCH(int, length);
        QFETCH(int, padding);
        QCOMPARE(int(GroupLayout::paddingFor(quint64(length), 512)), padding);
    }

    void overflow_data()
    {
        QTest::addColumn<int>("groups");
        QTest::addColumn<int>("filesPerGroup");
        QTest::addColumn<int>("framesPerFile");
        QTest::addColumn<int>("verticesPerFrame");
        QTest::addColumn<QString>("mentions");
        QTest::newRow("255_groups_fit") << 255 << 1 << 1 << 1 << QString();
        QTest::newRow("256_groups") << 256 << 1 << 1 << 1 << "groups";
        QTest::newRow("256_files") << 1 << 256 << 1 << 1 << "files";
        QTest::newRow("65536_frames") << 1 << 1 << 65536 << 1 << "frames";
        QTest::newRow("65536_points") << 1 << 1 << 1 << 65536 << "points";
        QTest::newRow("past_32_bits") << 1 << 2 << 65535 << 65535 << "bytes";
    }
    void overflow()
    {
        QFETCH(int, groups);
        QFETCH(int, filesPerGroup);
        QFETCH(int, framesPerFile);
        QFETCH(int, verticesPerFrame);
        QFETCH(QString, mentions);
        const GroupLayout::FileCounts file(static_cast<size_t>(framesPerFile), static_cast<quint32>(verticesPerFrame));
        const GroupLayout::GroupCounts group(static_cast<size_t>(filesPerGroup), file);
        const GroupLayout L(512, true, std::vector<GroupLayout::GroupCounts>(size_t(groups), group));
        QCOMPARE(L.overflowMessage().isEmpty(), mentions.isEmpty());
        QVERIFY2(L.overflowMessage().contains(mentions), qPrintable(L.overflowMessage()));
    }

    void names()
    {
        QCOMPARE(encodedName(groupName(QStringLiteral("show.csv")), 8), QByteArray("show\0\0\0\0", 8));
        QCOMPARE(encodedName(QStringLiteral("abcdefghij"), 8), QByteArray("abcdefgh"));
        // GBK whatever the locale, cut between characters: a two-byte
        // character that does not fit leaves a zero byte instead of half of it.
        QCOMPARE(encodedName(QStringLiteral("abcdefghijklmno中"), 16), QByteArray("abcdefghijklmno\0", 16));
        QCOMPARE(encodedName(QStringLiteral("test组1"), 8), QByteArray("test\xd7\xe9"
                                                                       "1\0",
                                                                       8));
        QCOMPARE(encodedName(QStringLiteral("激光秀激光秀"), 8), QByteArray("\xbc\xa4\xb9\xe2\xd0\xe3\xbc\xa4"));
        QCOMPARE(encodedName(QStringLiteral("a激光秀激光秀"), 8), QByteArray("a\xbc\xa4\xb9\xe2\xd0\xe3\0", 8));
        QCOMPARE(groupName(QStringLiteral("a.csv.csv")), QStringLiteral("a"));
    }

    void header()
    {
        const QByteArray h = imageHeader(0x0102030405060708LL);
        QCOMPARE(h.size(), 512);
        QCOMPARE(h.left(8), QByteArray("tovrim\0\0", 8));
        QCOMPARE(h.mid(8, 8), QByteArray::fromHex("0102030405060708"));
        QCOMPARE(h.mid(16, 8), QByteArray("CRCFlash"));
        QCOMPARE(h.mid(24), QByteArray(488, '\0'));
    }

    void records()
    {
        QByteArray out;
        appendGroupRecord(out, encodedName(QStringLiteral("show"), 8), 2, 1, 3, 0x0A0B0C0D);
        QCOMPARE(out, QByteArray("show\0\0\0\0\x02\x01\x03\x0a\x0b\x0c\x0d", 15));
        out.clear();
        appendFileRecord(out, encodedName(QStringLiteral("a.ild"), 16), 4, 0x0102, 0x00000229, 7, 2, 9);
        QCOMPARE(out.size(), 26);
        QCOMPARE(out.mid(16), QByteArray::fromHex("0401020000022907"
                                                  "0209"));
        out.clear();
        appendFrameRecord(out, 5, 0x0203, 561);
        QCOMPARE(out, QByteArray::fromHex("0005020300000231"));
    }

    void textLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("expected");
        QTest::newRow("header") << textHeaderLine(1000) << "tovrim  ,1000,exFlash ,";
        QTest::newRow("group") << textGroupLine(QStringLiteral("show"), 2, 1, 3, 568)
                               << "show    ,tab/group:2,1,file num:3,file address:0x238,568,";
        QTest::newRow("group_long_name") << textGroupLine(QStringLiteral("abcdefghij"), 1, 0, 1, 39)
                                         << "abcdefgh,tab/group:1,0,file num:1,file address:0x27,39,";
        QTest::newRow("group_address") << textGroupAddressLine(26) << "new group address:------------0x1a,";
        QTest::newRow("file") << textFileLine(QStringLiteral("a.ild"), 0, 1, 553, 1, 2, 3)
                              << "a.ild           ,file:0,frame:1,frame address:0x229,553,speed:1,color:2,repeater:3";
        QTest::newRow("file_address") << textFileAddressLine(553) << "new file address:------------0x229,";
        QTest::newRow("frame") << textFrameLine(4, 3, 561) << "frame:4,vertex num:3,vertex address:0x231,561,";
        QTest::newRow("frame_address") << textFrameAddressLine(561) << "new frame address:------------0x231,";
        QTest::newRow("red_centre") << textVertexLine(0, 0, false, qRgb(255, 0, 0)) << "7ff,7ff,ff,0,0,";
        QTest::newRow("blanked_centre") << textVertexLine(0, 0, true, qRgb(255, 0, 0)) << "7ff,7ff,0x00,0x00,0x00,";
        QTest::newRow("corner") << textVertexLine(-32768, 32767, false, qRgb(1, 0xab, 16)) << "ffff,ffe,1,ab,10,";
    }
    void textLines()
    {
        QFETCH(QString, line);
        QFETCH(QString, expected);
        QCOMPARE(line, expected);
    }

    void readTablesBack()
    {
        const QByteArray img = twoGroupImage();
        const GroupImageTables t = readGroupImageTables(reinterpret_cast<const uchar *>(img.constData()), img.size());
        QVERIFY2(t.problems.isEmpty(), qPrintable(t.problems.join("; ")));
        QCOMPARE(int(t.groupCount), 2);
        QCOMPARE(int(t.groups.size()), 2);
        QCOMPARE(t.groups[1].name, QStringLiteral("g2"));
        QCOMPARE(t.groups[1].fileTableAddress, 568u);
        QCOMPARE(int(t.groups[1].files.size()), 1);
        const GroupImageTables::File &f = t.groups[1].files[0];
        QCOMPARE(f.name, QStringLiteral("b.ild"));
        QCOMPARE(int(f.frameCount), 1);
        QCOMPARE(f.frameTableAddress, 602u);
        QCOMPARE(int(f.playSpeed), 2);
        QCOMPARE(int(f.colorType), 3);
        QCOMPARE(int(f.repeater), 4);
    }

    void readTablesNeverPassTheEnd()
    {
        // Every prefix of a valid image, read from a copy of exactly that size
        // (ASan builds catch any read behind it).
        const QByteArray img = twoGroupImage();
        for (int n = 0; n <= img.size(); ++n) {
            const QByteArray cut = img.left(n);
            const GroupImageTables t = readGroupImageTables(reinterpret_cast<const uchar *>(cut.constData()), n);
            QVERIFY(t.groups.size() <= 2);
            if (n < 512 + 2 * 15 + 2 * 26)
                QVERIFY(!t.problems.isEmpty());
        }
    }

    void readTablesWithBadCounts_data()
    {
        QTest::addColumn<QList<int>>("offsets");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("groups");
        QTest::addColumn<bool>("noticed");
        QTest::newRow("group_count_0") << QList<int>{512 + 8} << 0 << 0 << true;
        QTest::newRow("group_count_255_last_index_never_comes") << QList<int>{512 + 8, 527 + 8} << 255 << -1 << true;
        QTest::newRow("file_count_200_runs_into_other_tables") << QList<int>{512 + 10} << 200 << 2 << true;
        QTest::newRow("second_index_wrong") << QList<int>{527 + 9} << 7 << -1 << true;
    }
    void readTablesWithBadCounts()
    {
        QFETCH(QList<int>, offsets);
        QFETCH(int, value);
        QFETCH(int, groups);
        QFETCH(bool, noticed);
        QByteArray img = twoGroupImage();
        for (int offset : offsets)
            img[offset] = char(value);
        const GroupImageTables t = readGroupImageTables(reinterpret_cast<const uchar *>(img.constData()), img.size());
        if (groups >= 0)
            QCOMPARE(int(t.groups.size()), groups);
        QVERIFY(t.groups.size() <= 256);
        for (const auto &g : t.groups)
            QVERIFY(g.files.size() <= 256);
        QCOMPARE(!t.problems.isEmpty(), noticed);
    }

    void verifyAcceptsValidImage()
    {
        const QByteArray img = twoGroupImage();
        const GroupImageCheck c = verifyGroupImage(reinterpret_cast<const uchar *>(img.constData()), img.size());
        QVERIFY2(c.ok(), qPrintable(c.errors.join("; ")));
        QCOMPARE(c.groups, 2);
        QCOMPARE(c.files, quint64(2));
        QCOMPARE(c.frames, quint64(2));
        QCOMPARE(c.vertices, quint64(5));
        QCOMPARE(c.dataEnd, quint64(645));
        QCOMPARE(c.creationTime, qint64(1234));
    }

    // Well formed, but it plays nothing: the builder never writes one.
    void verifyRefusesEmptyImage()
    {
        QByteArray img = imageHeader(5);
        uchar *p = reinterpret_cast<uchar *>(img.data());
        putLittleEndian32(p + ChecksumOffset, 0xFFFFFFFFu);
        putLittleEndian32(p + LengthOffset, 512);
        QCOMPARE(verifyGroupImage(p, img.size()).errors, QStringList{"the image holds no groups"});
    }

    void verifyFindsEveryFlippedByte()
    {
        const QByteArray img = twoGroupImage();
        for (int i = 0; i < img.size(); ++i) {
            if (i >= 8 && i < 16)
                continue; // the creation time may be anything
            QByteArray bad = img;
            bad[i] = char(bad[i] ^ 0x20);
            const GroupImageCheck c = verifyGroupImage(reinterpret_cast<const uchar *>(bad.constData()), bad.size());
            QVERIFY2(!c.ok(), qPrintable(QStringLiteral("flipped byte %1 not noticed").arg(i)));
        }
    }

    void verifyFindsWrongAddressWithMatchingChecksum()
    {
        QByteArray img = twoGroupImage();
        img[512 + 15 + 14] = char(img[512 + 15 + 14] + 1); // second group's file address
        uchar *p = reinterpret_cast<uchar *>(img.data());
        putLittleEndian32(p + ChecksumOffset, CrcEngine::imageChecksum(p + 512, img.size() - 512));
        const GroupImageCheck c = verifyGroupImage(p, img.size());
        QVERIFY(!c.ok());
        QVERIFY(c.errors.join(' ').contains(QLatin1String("points to 569")));
    }

    // A body shorter than one group record holds no group count to read
    // (fuzzer find: 512 header bytes and 8 more). The bytes live in an
    // exact-size buffer so that sanitizer builds catch any read behind them.
    void verifyBodyShorterThanGroupRecord_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("fuzzer_find") << QByteArray("\x7f\x7f\x7f\x7f\x7f\x7f\x00\x7f", 8);
        QTest::newRow("one_byte") << QByteArray(1, '\x01');
        QTest::newRow("name_and_count") << twoGroupImage().mid(512, 9);
        QTest::newRow("one_short_of_a_record") << twoGroupImage().mid(512, 14);
    }
    void verifyBodyShorterThanGroupRecord()
    {
        QFETCH(QByteArray, body);
        const QByteArray bytes = twoGroupImage().left(512) + body;
        const std::vector<uchar> img(bytes.begin(), bytes.end());
        const GroupImageCheck c = verifyGroupImage(img.data(), qint64(img.size()));
        QVERIFY(!c.ok());
        QVERIFY2(c.errors.join(' ').contains(QLatin1String("first group record runs past the end")),
                 qPrintable(c.errors.join("; ")));
    }

    void verifyTruncated()
    {
        const QByteArray img = twoGroupImage();
        for (int n : {0, 100, 511, 512, 530, 600, 700}) {
            const QByteArray cut = img.left(n);
            QVERIFY(!verifyGroupImage(reinterpret_cast<const uchar *>(cut.constData()), n).ok());
        }
    }
};

QTEST_GUILESS_MAIN(TestGroupImage)
#include "tst_groupimage.moc"
