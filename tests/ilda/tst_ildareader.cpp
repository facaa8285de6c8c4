#include "ildabuilder.h"
#include "ildframeset.h"
#include "palette.h"
#include "regularfile.h"

#include <sys/stat.h>

#include <memory>
#include <QTemporaryDir>
#include <QtTest>

class TestIldaReader : public QObject
{
    Q_OBJECT

    // Each test's own colour list; the palettes read are appended to it, as the app does.
    std::unique_ptr<Palette> m_palette;

    IldFrameSet read(const QByteArray &bytes, bool firstOnly = false)
    {
        IldFrameSet set;
        const IldReadResult r = set.fromBytes(reinterpret_cast<const uchar *>(bytes.constData()), bytes.size(),
                                              firstOnly, {}, m_palette->size());
        m_palette->appendColors(r.palette);
        return set;
    }

private slots:
    void init() { m_palette.reset(new Palette); }

    void standardFileEndsAtClosingHeader()
    {
        const QByteArray bytes = IldaBuilder()
                                     .header(5, 2, "abc", "I", 0, 2)
                                     .point5(1, 2, 0, 10, 20, 30)
                                     .point5(3, 4, 0x80, 40, 50, 60)
                                     .header(5, 1, "def", "I", 1, 2)
                                     .point5(5, 6, 0x80, 1, 2, 3)
                                     .header(5, 0, "", "", 0, 0)
                                     .bytes();
        const IldFrameSet set = read(bytes);
        QCOMPARE(int(set.frames.size()), 2);
        const IldFrame &f = set.frames[0];
        QCOMPARE(f.name, QStringLiteral("abc"));
        QCOMPARE(f.company, QStringLiteral("I"));
        QCOMPARE(int(f.pointCount), 2);
        QCOMPARE(int(f.totalFrames), 2);
        QCOMPARE(int(f.vertices[1].x), 3);
        QCOMPARE(int(f.vertices[1].r), 40);
        QCOMPARE(int(f.vertices[1].b), 60);
        QCOMPARE(int(f.vertices[1].status), 0x80);
        QCOMPARE(int(f.vertices[1].colorIndex), 55); // template value for true colour
        QCOMPARE(int(f.check), 0);
        QCOMPARE(int(set.maxPointCount), 2);
    }

    void nullFramesInTheMiddle_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<bool>("logs");
        QTest::newRow("format1_skipped_silently") << 1 << false;
        QTest::newRow("format5_logged") << 5 << true;
    }
    void nullFramesInTheMiddle()
    {
        QFETCH(int, format);
        QFETCH(bool, logs);
        const QByteArray bytes = IldaBuilder()
                                     .header(5, 1)
                                     .point5(1, 1, 0, 255, 0, 0)
                                     .header(quint8(format), 0)
                                     .header(5, 1)
                                     .point5(2, 2, 0, 0, 255, 0)
                                     .bytes();
        if (logs) {
            QTest::ignoreMessage(QtDebugMsg, "{IldFrame::ildFromStream}<NullFrame>quantity: 0");
            QTest::ignoreMessage(QtDebugMsg, "open Frame failure(RGB 2D|3D).");
        }
        const IldFrameSet set = read(bytes);
        QCOMPARE(int(set.frames.size()), 2);
        QCOMPARE(int(set.frames[1].vertices[0].x), 2);
    }

    void badHeaders_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("bad_magic") << QByteArray("XYZA\0\0\0\x05", 8)
                                   << QStringList{"{IldHeader-error:ILDA-4:} XYZA",
                                                  "\"[88 , 89, 90, 65 : 0, 0, 0, 0]\""};
        QTest::newRow("format_6") << IldaBuilder().header(6, 1).point5(0, 0, 0, 0, 0, 0).bytes()
                                  << QStringList{"{IldHeader-error:format:} 6"};
        QTest::newRow("format_0x80") << IldaBuilder().header(0x80, 1).point5(0, 0, 0, 0, 0, 0).bytes()
                                     << QStringList{"{IldHeader-error:format:} -128"};
        QTest::newRow("empty_file") << QByteArray() << QStringList();
    }
    void badHeaders()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, messages);
        for (const QString &m : messages)
            QTest::ignoreMessage(QtDebugMsg, m.toUtf8().constData());
        QTest::ignoreMessage(QtDebugMsg, "{IldFrameSet::fromFileIld}readHeader invalid.");
        const IldFrameSet set = read(bytes);
        QVERIFY(set.frames.empty());
    }

    void badHeaderAfterFirstPassEndsSilently()
    {
        const QByteArray bytes =
            IldaBuilder().header(5, 1).point5(1, 1, 0, 1, 1, 1).raw("garbage-not-a-header...").bytes();
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("IldHeader-error"));
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^\"\\["));
        const IldFrameSet set = read(bytes);
        QCOMPARE(int(set.frames.size()), 1);
    }

    void coordinatesAndBlanking()
    {
        const QByteArray bytes = IldaBuilder()
                                     .header(4, 2)
                                     .point4(-32768, 32767, -32768, 0, 1, 2, 3)
                                     .point4(-5, 6, 7, 0x40, 4, 5, 6)
                                     .header(0, 1)
                                     .point0(10, 20, 30, 0, 9)
                                     .header(1, 1)
                                     .point1(-32768, 5, 0, 12)
                                     .bytes();
        const IldFrameSet set = read(bytes);
        QCOMPARE(int(set.frames.size()), 3);
        const IldVertex &a = set.frames[0].vertices[0];
        QCOMPARE(int(a.x), -32767);
        QCOMPARE(int(a.y), 32767);
        QCOMPARE(int(a.z), -32767);
        QCOMPARE(int(a.status), 0x40); // first point blanked even when its status was 0
        QCOMPARE(int(a.r), 1);
        QCOMPARE(int(set.frames[0].vertices[1].z), 7);
        const IldVertex &idx = set.frames[1].vertices[0];
        QCOMPARE(int(idx.z), 30);
        QCOMPARE(int(idx.colorIndex), 9);
        QCOMPARE(int(idx.r), 255); // indexed frames keep the template colour
        QCOMPARE(int(idx.status), 0x40);
        const IldVertex &twoD = set.frames[2].vertices[0];
        QCOMPARE(int(twoD.x), -32767);
        QCOMPARE(int(twoD.z), 0);
        QCOMPARE(int(twoD.colorIndex), 12);
    }

    void paletteSectionGrowsColourList()
    {
        IldaBuilder b;
        b.header(2, 256, "pal");
        for (int i = 0; i < 256; ++i)
            b.rgb(quint8(i), quint8(255 - i), 7);
        b.header(1, 1).point1(0, 0, 0, 3);
        QTest::ignoreMessage(QtDebugMsg, "ILD_PALETTE:size: 1174 - 918 = 256");
        const IldFrameSet set = read(b.bytes());
        QCOMPARE(m_palette->rowCount(), 1174);
        QCOMPARE(m_palette->colorAt(918 + 3), QColor(3, 252, 7));
        QCOMPARE(int(set.frames.size()), 1);
        QCOMPARE(int(set.maxPointCount), 256);
    }

    void colourTableSectionWithTableHeader()
    {
        // Format 3: name field holds length (4 + 3N) and count N.
        IldaBuilder b;
        b.raw(QByteArray("ILDA\0\0\0\x03", 8)).u32(4 + 3 * 2).u32(2);
        b.raw(QByteArray(8, '\0')).u16(0).u16(0).u16(0).raw(QByteArray(2, '\0'));
        // The records start right after byte 15 of the header.
        QByteArray bytes = b.bytes().left(16);
        bytes += IldaBuilder().rgb(1, 2, 3).rgb(4, 5, 6).bytes();
        bytes += IldaBuilder().header(5, 1).point5(9, 9, 0, 1, 1, 1).bytes();
        bytes += IldaBuilder().header(5, 1).point5(8, 8, 0, 2, 2, 2).bytes();
        const IldFrameSet first = read(bytes, true);
        QCOMPARE(m_palette->size(), 920);
        QCOMPARE(m_palette->colorAt(919), QColor(4, 5, 6));
        QCOMPARE(int(first.frames.size()), 1);
        QCOMPARE(int(first.frames[0].vertices[0].x), 9);
    }

    void firstOnlyStopsAfterOnePass()
    {
        const QByteArray palFirst =
            IldaBuilder().header(2, 1).rgb(1, 1, 1).header(5, 1).point5(0, 0, 0, 1, 1, 1).bytes();
        QTest::ignoreMessage(QtDebugMsg, "ILD_PALETTE:size: 919 - 918 = 1");
        QVERIFY(read(palFirst, true).frames.empty());
        QCOMPARE(m_palette->size(), 919);

        const QByteArray frames =
            IldaBuilder().header(5, 1).point5(1, 0, 0, 1, 1, 1).header(5, 1).point5(2, 0, 0, 1, 1, 1).bytes();
        QCOMPARE(int(read(frames, true).frames.size()), 1);
        QCOMPARE(int(read(frames, false).frames.size()), 2);
    }

    // A preview of a large file reads only its start; what it gives must be
    // what a first-frame read of the whole file gives.
    void firstFrameOfLargeFile_data()
    {
        QTest::addColumn<QVector<int>>("frames"); // points per frame
        QTest::addColumn<int>("cut");             // bytes taken off the end
        QTest::newRow("many_small_frames") << QVector<int>(400, 100) << 0;
        QTest::newRow("first_frame_past_the_piece") << QVector<int>{40000, 10} << 0;
        QTest::newRow("first_frame_cut_short") << QVector<int>{40000} << 8 * 1000 + 32;
    }
    void firstFrameOfLargeFile()
    {
        QFETCH(QVector<int>, frames);
        QFETCH(int, cut);
        IldaBuilder b;
        for (int points : frames) {
            b.header(5, quint16(points));
            for (int p = 0; p < points; ++p)
                b.point5(qint16(p), qint16(-p), 0, 1, 2, 3);
        }
        QByteArray bytes = b.header(5, 0).bytes();
        bytes.chop(cut);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("large.ild"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        f.close();

        IldFrameSet whole;
        const IldReadResult expected =
            whole.fromBytes(reinterpret_cast<const uchar *>(bytes.constData()), bytes.size(), true);
        IldFrameSet piece;
        const IldReadResult got = piece.fromFileIld(path, true);
        QCOMPARE(int(got.kind), int(expected.kind));
        QCOMPARE(got.offset, expected.offset);
        QCOMPARE(int(piece.frames.size()), 1);
        QCOMPARE(piece.frames[0].vertices.size(), whole.frames[0].vertices.size());
        QCOMPARE(piece.maxPointCount, whole.maxPointCount);
    }

    void truncation_data()
    {
        QTest::addColumn<int>("cut");
        QTest::addColumn<int>("vertices");
        // header 32 + 3 records of 8 bytes
        QTest::newRow("all_records") << 0 << 3;
        QTest::newRow("last_record_half") << 4 << 3;
        QTest::newRow("last_record_missing") << 8 << 2;
        QTest::newRow("only_header") << 24 << 0;
        QTest::newRow("half_header") << 40 << 0;
    }
    void truncation()
    {
        QFETCH(int, cut);
        QFETCH(int, vertices);
        QByteArray bytes = IldaBuilder()
                               .header(5, 3)
                               .point5(1, 1, 0, 1, 1, 1)
                               .point5(2, 2, 0, 2, 2, 2)
                               .point5(3, 3, 0, 3, 3, 3)
                               .bytes();
        bytes.chop(cut);
        const IldFrameSet set = read(bytes);
        if (vertices == 0) {
            QVERIFY(set.frames.empty());
            return;
        }
        QCOMPARE(int(set.frames.size()), 1);
        QCOMPARE(int(set.frames[0].pointCount), 3);
        QCOMPARE(int(set.frames[0].vertices.size()), vertices);
        if (cut == 4) {
            const IldVertex &v = set.frames[0].vertices[2];
            QCOMPARE(int(v.x), 3);
            QCOMPARE(int(v.y), 3);
            QCOMPARE(int(v.status), 0); // completed with zeros
            QCOMPARE(int(v.r), 0);
        }
    }

    void hostileCountReservesNothing()
    {
        // A header claiming 65535 records with one record behind it.
        const QByteArray bytes = IldaBuilder().header(5, 65535).point5(1, 1, 0, 1, 1, 1).bytes();
        const IldFrameSet set = read(bytes);
        QCOMPARE(int(set.frames.size()), 1);
        QCOMPARE(int(set.frames[0].pointCount), 65535);
        QCOMPARE(int(set.frames[0].vertices.size()), 1);
        QVERIFY(set.frames[0].vertices.capacity() <= 2);
    }

    void readingTwiceDoublesAndMissingFileLogs()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.ild"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(IldaBuilder().header(5, 1).point5(1, 1, 0, 1, 1, 1).bytes());
        f.close();
        IldFrameSet set;
        set.fromFileIld(path, false);
        set.fromFileIld(path, false);
        QCOMPARE(int(set.frames.size()), 2);

        const QString missing = dir.filePath(QStringLiteral("none.ild"));
        QTest::ignoreMessage(
            QtDebugMsg, qPrintable(QStringLiteral("{IldFrameSet::fromFileIld}open file failure: \"%1\"").arg(missing)));
        set.fromFileIld(missing, false);
        QCOMPARE(int(set.frames.size()), 2);
    }
    // What a read ends with, from memory and from a file, and the header-only
    // count agreeing with the full read.
    void readResultKinds_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kind");
        QTest::addColumn<qint64>("offset");
        QTest::addColumn<int>("frames");
        const QByteArray two = IldaBuilder()
                                   .header(5, 1)
                                   .point5(1, 1, 0, 1, 1, 1)
                                   .header(1, 2)
                                   .point1(2, 2, 0, 3)
                                   .point1(3, 3, 0, 4)
                                   .bytes(); // 32 + 8 + 32 + 12 = 84 bytes
        QTest::newRow("ok_to_the_end") << two << int(IldReadResult::Ok) << qint64(84) << 2;
        QTest::newRow("ok_closing_header")
            << IldaBuilder().raw(two).header(5, 0).bytes() << int(IldReadResult::Ok) << qint64(84) << 2;
        QTest::newRow("empty_file") << QByteArray() << int(IldReadResult::Empty) << qint64(0) << 0;
        QTest::newRow("empty_palette_only")
            << IldaBuilder().header(2, 1).rgb(1, 2, 3).bytes() << int(IldReadResult::Empty) << qint64(0) << 0;
        QTest::newRow("not_ilda") << QByteArray("this is not ILDA at all, not even close")
                                  << int(IldReadResult::NotIlda) << qint64(0) << 0;
        QTest::newRow("not_ilda_after_frames") << IldaBuilder().raw(two).raw("garbage that follows the frames").bytes()
                                               << int(IldReadResult::NotIlda) << qint64(84) << 2;
        QTest::newRow("truncated_records") << two.left(80) << int(IldReadResult::Truncated) << qint64(40) << 2;
        QTest::newRow("truncated_header") << two.left(60) << int(IldReadResult::Truncated) << qint64(40) << 1;
        QTest::newRow("truncated_header_only") << two.left(72) << int(IldReadResult::Truncated) << qint64(40) << 1;
        QTest::newRow("truncated_palette") << IldaBuilder().raw(two).header(2, 4).rgb(1, 2, 3).bytes()
                                           << int(IldReadResult::Truncated) << qint64(84) << 2;
    }
    void readResultKinds()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, kind);
        QFETCH(qint64, offset);
        QFETCH(int, frames);
        IldFrameSet set;
        const IldReadResult r = set.fromBytes(reinterpret_cast<const uchar *>(bytes.constData()), bytes.size(), false);
        QCOMPARE(IldReadResult::kindName(r.kind), IldReadResult::kindName(IldReadResult::Kind(kind)));
        QCOMPARE(r.offset, offset);
        QCOMPARE(r.frames, frames);
        QCOMPARE(int(set.frames.size()), frames);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("x.ild"));
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        out.close();
        IldFrameSet fromFile;
        const IldReadResult f = fromFile.fromFileIld(path, false);
        QCOMPARE(int(f.kind), kind);
        QCOMPARE(f.offset, offset);
        const IldReadResult c = IldFrameSet::countFramesIld(path);
        QCOMPARE(IldReadResult::kindName(c.kind), IldReadResult::kindName(IldReadResult::Kind(kind)));
        QCOMPARE(c.offset, offset);
        QCOMPARE(c.frames, frames);
    }

    void onlyRegularFilesAreRead_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("kind");
        QTest::newRow("folder") << QStringLiteral("/tmp") << int(IldReadResult::NotRegularFile);
        QTest::newRow("dev_zero") << QStringLiteral("/dev/zero") << int(IldReadResult::NotRegularFile);
        QTest::newRow("dev_urandom") << QStringLiteral("/dev/urandom") << int(IldReadResult::NotRegularFile);
        QTest::newRow("fifo") << QStringLiteral("fifo") << int(IldReadResult::NotRegularFile);
        QTest::newRow("missing") << QStringLiteral("/nonexistent/x.ild") << int(IldReadResult::Unreadable);
    }
    void onlyRegularFilesAreRead()
    {
        QFETCH(QString, path);
        QFETCH(int, kind);
        QTemporaryDir dir;
        if (path == QLatin1String("fifo")) {
            path = dir.filePath(path);
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0); // no writer: opening must not block
        }
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("open file failure"));
        IldFrameSet set;
        const IldReadResult r = set.fromFileIld(path, false);
        QCOMPARE(int(r.kind), kind);
        QVERIFY(set.frames.empty());
        QCOMPARE(int(IldFrameSet::countFramesIld(path).kind), kind);
        QVERIFY(r.reason().startsWith(IldReadResult::kindName(r.kind)));
    }

    // The reader reads the file into memory instead of mapping it: cutting the
    // file while it is read cannot fault, and a file cut before the read
    // simply reads as truncated.
    void shrunkFileReadsAsTruncated()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("x.ild"));
        const QByteArray bytes =
            IldaBuilder().header(5, 1).point5(1, 1, 0, 1, 1, 1).header(5, 2).point5(1, 1, 0, 1, 1, 1).bytes();
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        out.close();
        QFile file(path);
        QVERIFY(openRegularFile(path, file).ok());
        QVERIFY(QFile::resize(path, 60)); // cut after the file was opened
        std::unique_ptr<uchar[]> data;
        qint64 length = 0;
        IldReadResult r;
        QVERIFY(readWholeFile(file, data, length, r));
        QCOMPARE(length, qint64(60));
        IldFrameSet set;
        r = set.fromBytes(data.get(), length, false);
        QCOMPARE(int(r.kind), int(IldReadResult::Truncated));
        QCOMPARE(r.frames, 1);
    }
};

QTEST_GUILESS_MAIN(TestIldaReader)
#include "tst_ildareader.moc"
