#include "bytecursor.h"
#include "filesizelimit.h"
#include "ildabuilder.h"
#include "ildframeset.h"
#include "palette.h"
#include "vertices.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// What the editor's save does: the bytes, then the frames take what was written.
QByteArray writeBytes(IldFrameSet &set, const ColorContext &colors)
{
    QByteArray out;
    if (!set.toIldaBytes(out, colors))
        return QByteArray("refused");
    set.bakeWritten(colors);
    return out;
}

IldFrameSet read(const QByteArray &bytes)
{
    IldFrameSet set;
    set.fromBytes(reinterpret_cast<const uchar *>(bytes.constData()), bytes.size(), false);
    return set;
}

} // namespace

class TestIldaWriter : public QObject
{
    Q_OBJECT
    Palette m_palette;
    ColorContext m_colors{&m_palette, 0};

    QByteArray write(IldFrameSet &set) { return writeBytes(set, m_colors); }

private slots:

    void byteLayoutOfADefaultFrame()
    {
        IldFrameSet set;
        IldFrame f;
        f.format = 5;
        f.check = true;
        f.vertices = {vtx(1, -2, 0x40, 10, 20, 30), vtx(3, 4, 0x80), vtx(-32767, 32767, 0x01)};
        set.frames.push_back(f);
        const QByteArray bytes = write(set);
        QCOMPARE(bytes.size(), 56);
        QCOMPARE(bytes.left(32), IldaBuilder().header(5, 3, "Tovrim..", "I", 0, 1).bytes());
        QCOMPARE(bytes.mid(16, 8), QByteArray("I\0\0\0\0\0\0\0", 8));
        // records: X, Y, status, blue, green, red
        QCOMPARE(bytes.mid(32, 8), QByteArray("\x00\x01\xff\xfe\x40\x1e\x14\x0a", 8));
        QCOMPARE(quint8(bytes[32 + 4]), quint8(0x40));
        QCOMPARE(quint8(bytes[40 + 4]), quint8(0x00)); // stored 0x80 cleared
        QCOMPARE(quint8(bytes[48 + 4]), quint8(0x81)); // last point gets 0x80, other bits kept
    }

    void noCheckedFramesWritesNothing()
    {
        IldFrameSet set;
        set.frames.resize(3);
        QCOMPARE(write(set), QByteArray());
    }

    void frameNumbersCountCheckedFramesOnly()
    {
        IldFrameSet set;
        for (int i = 0; i < 5; ++i) {
            IldFrame f;
            f.format = 5;
            f.vertices = {vtx(qint16(i), 0)};
            f.check = (i == 1 || i == 3 || i == 4);
            set.frames.push_back(f);
        }
        const IldFrameSet back = read(write(set));
        QCOMPARE(int(back.frames.size()), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(int(back.frames[size_t(i)].frameNumber), i);
            QCOMPARE(int(back.frames[size_t(i)].totalFrames), 3);
        }
        QCOMPARE(int(back.frames[0].vertices[0].x), 1);
    }

    void lastPointMovesWhenAFrameGrows()
    {
        IldFrameSet set = read(IldaBuilder().header(5, 2).point5(0, 0, 0, 1, 1, 1).point5(5, 5, 0x80, 1, 1, 1).bytes());
        IldFrame &f = set.frames[0];
        f.check = true;
        f.appendVertex(vtx(9, 9), false);
        const QByteArray bytes = write(set);
        QCOMPARE(quint8(bytes[32 + 8 + 4]), quint8(0x00));
        QCOMPARE(quint8(bytes[32 + 16 + 4]), quint8(0x80));
    }

    void roundTrip_data()
    {
        QTest::addColumn<int>("format");
        for (int f : {0, 1, 4, 5})
            QTest::newRow(qPrintable(QStringLiteral("format_%1").arg(f))) << f;
    }
    void roundTrip()
    {
        QFETCH(int, format);
        IldaBuilder b;
        b.header(quint8(format), 3, "name1234", "comp", 0, 1, 3, -2);
        const qint16 xs[3] = {-32767, 0, 32767};
        for (int i = 0; i < 3; ++i) {
            const quint8 st = quint8(i == 0 ? 0x40 : i == 2 ? 0x80 : 0x00);
            switch (format) {
            case 0:
                b.point0(xs[i], qint16(-xs[i]), qint16(i * 100), st, quint8(i * 16));
                break;
            case 1:
                b.point1(xs[i], qint16(-xs[i]), st, quint8(i * 16));
                break;
            case 4:
                b.point4(xs[i], qint16(-xs[i]), qint16(i * 100), st, quint8(i), 2, 3);
                break;
            default:
                b.point5(xs[i], qint16(-xs[i]), st, quint8(i), 2, 3);
                break;
            }
        }
        const QByteArray original = b.bytes();
        IldFrameSet set = read(original);
        QCOMPARE(int(set.frames.size()), 1);
        set.frames[0].check = true;
        const QByteArray written = write(set);
        QCOMPARE(written, original);
        // A second save writes the same bytes.
        QCOMPARE(write(set), original);
    }

    void indexedColoursComeFromTheDefaultTable()
    {
        m_colors.offset = 150; // display choice; the writer ignores it
        IldFrameSet set;
        IldFrame f;
        f.format = 1;
        f.check = true;
        f.vertices = {vtx(0, 0, 0, 0, 0, 0, 2)};
        set.frames.push_back(f);
        write(set);
        const IldVertex &v = set.frames[0].vertices[0];
        QCOMPARE(QColor(v.r, v.g, v.b), QColor(255, 32, 0));
    }

    // Writing leaves the frames alone; baking is the editor's own step, and
    // either way the bytes are the same.
    void writingLeavesTheFramesAsTheyWere()
    {
        IldFrameSet set;
        IldFrame f;
        f.format = 1;
        f.check = true;
        f.scaleX = 2.0f;
        f.offsetY = 100.0f;
        f.vertices = {vtx(20000, 0, 0, 0, 0, 0, 2), vtx(100, 1000, 0, 0, 0, 0, 3)};
        set.frames.push_back(f);
        const IldFrameSet before = set;
        QByteArray bytes;
        QVERIFY(set.toIldaBytes(bytes, m_colors));
        QVERIFY(set.frames[0].vertices == before.frames[0].vertices);
        QCOMPARE(set.frames[0].scaleX, 2.0f);
        QCOMPARE(set.frames[0].pointCount, quint16(0));
        QCOMPARE(write(set), bytes);
        QCOMPARE(set.frames[0].scaleX, 1.0f);
        QCOMPARE(int(set.frames[0].vertices[0].x), 32767);
    }

    void transformIsBakedOnce()
    {
        IldFrameSet set;
        IldFrame f;
        f.format = 5;
        f.check = true;
        f.scaleX = 2.0f;
        f.offsetY = 100.0f;
        f.vertices = {vtx(20000, 0), vtx(-20000, 50), vtx(100, 1000)};
        set.frames.push_back(f);
        const QByteArray first = write(set);
        const IldFrame &after = set.frames[0];
        QCOMPARE(int(after.vertices[0].x), 32767);
        QCOMPARE(int(after.vertices[1].x), -32767);
        QCOMPARE(int(after.vertices[2].x), 200);
        QCOMPARE(int(after.vertices[2].y), 900);
        QCOMPARE(after.scaleX, 1.0f);
        QCOMPARE(after.offsetY, 0.0f);
        QCOMPARE(write(set), first);
    }

    void paletteFramesWrittenAsTrueColour()
    {
        m_palette.append(QColor(1, 2, 3));
        IldFrameSet set;
        IldFrame f;
        f.format = 2;
        f.check = true;
        f.vertices = {vtx(1, 1, 0, 0, 0, 0, 0), vtx(2, 2, 0, 9, 9, 9, 200)};
        set.frames.push_back(f);
        const QByteArray bytes = write(set);
        QCOMPARE(int(quint8(bytes[7])), 5);
        QCOMPARE(bytes.size(), 32 + 2 * 8);
        const IldFrameSet back = read(bytes);
        QCOMPARE(QColor(back.frames[0].vertices[0].r, back.frames[0].vertices[0].g, back.frames[0].vertices[0].b),
                 QColor(1, 2, 3));
        // index past the colour list: black, no read outside it
        QCOMPARE(QColor(back.frames[0].vertices[1].r, back.frames[0].vertices[1].g, back.frames[0].vertices[1].b),
                 QColor(0, 0, 0));
    }

    void oversizedFrameIsRefusedAndOldFileKept()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("show.ild"));
        IldFrameSet small;
        IldFrame f;
        f.format = 5;
        f.check = true;
        f.vertices = {vtx(1, 1)};
        small.frames.push_back(f);
        QVERIFY(small.saveIld(path, m_colors));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();

        IldFrameSet big;
        f.vertices.assign(70000, vtx(2, 2));
        big.frames.push_back(f);
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("exceeds the ILDA limit"));
        QVERIFY(!big.saveIld(path, m_colors));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    }

    // The writer streams: the fake size limit stands for a full disk, hit at
    // the first write or after several megabytes written (the way an output
    // past 2 GiB once ended). The reason is the system's, the old file stays.
    void fullDiskKeepsTheOldFile_data()
    {
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("limit");
        QTest::newRow("at_the_first_write") << 1 << 64;
        QTest::newRow("after_streaming_megabytes") << 1000 << (3 << 20);
    }
    void fullDiskKeepsTheOldFile()
    {
        QFETCH(int, frames);
        QFETCH(int, limit);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("show.ild"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("previous content");
        old.close();
        IldFrameSet set;
        IldFrame f;
        f.format = 5;
        f.check = true;
        f.vertices.assign(500, vtx(1, 1));
        set.frames.assign(size_t(frames), f); // 1000 frames: 4 MB
        bool saved = true;
        QString why;
        {
            const FileSizeLimit full{rlim_t(limit)};
            QTest::ignoreMessage(QtDebugMsg, QRegularExpression("File too large"));
            saved = set.saveIld(path, m_colors, &why);
        }
        QVERIFY(!saved);
        QVERIFY2(why.contains(QLatin1String("File too large")), qPrintable(why));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("previous content"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("show.ild")});
    }

    void refusalsSayWhy_data()
    {
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("points");
        QTest::addColumn<QString>("why");
        QTest::newRow("no_frames") << 0 << 1 << "no frames to save";
        QTest::newRow("too_many_frames") << 65536 << 1 << "65536 frames: more than 65,535 frames";
        QTest::newRow("too_many_points") << 2 << 65536 << "more than 65,535 points in frame 0 (65536 points)";
    }
    void refusalsSayWhy()
    {
        QFETCH(int, frames);
        QFETCH(int, points);
        QFETCH(QString, why);
        IldFrameSet set;
        IldFrame f;
        f.format = 5;
        f.check = true;
        f.vertices.assign(size_t(points), vtx(1, 1));
        set.frames.assign(size_t(frames), f);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("show.ild"));
        QString said;
        QVERIFY(!set.saveIld(path, m_colors, &said));
        QVERIFY2(said.startsWith(why), qPrintable(said));
        QVERIFY(!QFile::exists(path));
        QByteArray bytes;
        QCOMPARE(set.toIldaBytes(bytes, m_colors), frames == 0); // in memory, no frames still make 0 bytes
    }

    void unwritablePathFails()
    {
        IldFrameSet set;
        IldFrame f;
        f.format = 5;
        f.check = true;
        f.vertices = {vtx(1, 1)};
        set.frames.push_back(f);
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("cannot write"));
        QString why;
        QVERIFY(!set.saveIld(QStringLiteral("/nonexistent-dir/x/y.ild"), m_colors, &why));
        QVERIFY(why.contains("No such file or directory"));
    }
};

QTEST_GUILESS_MAIN(TestIldaWriter)
#include "tst_ildawriter.moc"
