#include "frameoutput.h"
#include "ildabuilder.h"
#include "ildadrawwidget.h"
#include "ildaframedraw.h"
#include "ildframeset.h"
#include "palette.h"
#include "sharedframes.h"
#include "vertexmodel.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

// Counts and keeps what the items hand over for the device.
class RecordingOutput : public FrameOutput
{
public:
    void sendFrame(const IldFrame &frame) override { sent.push_back(frame); }
    std::vector<IldFrame> sent;
};

// frames frames of `points` points each: a red square outline scaled by `reach`.
QByteArray squares(int frames, int points, int reach = 20000)
{
    IldaBuilder b;
    for (int i = 0; i < frames; ++i) {
        b.header(5, quint16(points), "sq", "t", quint16(i), quint16(frames));
        for (int p = 0; p < points; ++p) {
            const int corner = p % 4;
            const qint16 x = qint16(corner == 0 || corner == 3 ? -reach : reach);
            const qint16 y = qint16(corner < 2 ? -reach : reach);
            b.point5(x, y, quint8(p == 0 ? 0x40 : 0) | quint8(p == points - 1 ? 0x80 : 0), 255, 0, 0);
        }
    }
    b.header(5, 0);
    return b.bytes();
}

QImage paintItem(QQuickPaintedItem &item, QSize size)
{
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::black);
    QPainter p(&img);
    item.paint(&p);
    return img;
}

QImage paintItem(QQuickPaintedItem &item, int side = 400)
{
    return paintItem(item, QSize(side, side));
}

QRect bounds(const QImage &img, bool (*pred)(QRgb))
{
    QRect r;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (pred(img.pixel(x, y)))
                r |= QRect(x, y, 1, 1);
    return r;
}

bool isRed(QRgb c)
{
    return qRed(c) > 200 && qGreen(c) < 60;
}
bool isYellow(QRgb c)
{
    return qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) < 60;
}
bool notBlack(QRgb c)
{
    return (c & 0xffffff) != 0;
}

} // namespace

class TestFrameItems : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }

    std::unique_ptr<SharedFrames> m_shared;

private slots:
    void init() { m_shared.reset(new SharedFrames); }

    void firstPictureThenFullRead()
    {
        IldaDrawWidget view;
        view.setFrameContext(&m_shared->frames);
        QSignalSpy maxSpy(&view, &IldaDrawWidget::frameMaxIndexChanged);
        view.setSource(write(QStringLiteral("five.ild"), squares(5, 6)));
        QCOMPARE(view.frameMaxIndex(), 0); // first frame only
        QCOMPARE(view.fileFrames(), 5);    // counted from the headers
        QVERIFY(view.currentFrame());
        QCOMPARE(view.countP(), 6);
        QCOMPARE(view.frameTotal(), 5);
        QCOMPARE(view.format(), 5);
        view.setFrameIndex(1);
        QCOMPARE(view.frameMaxIndex(), 4);
        QCOMPARE(view.frameIndex(), 1);
        QCOMPARE(view.currentFrame()->frameNumber, quint16(1));
        QCOMPARE(maxSpy.count(), 2);
        QCOMPARE(maxSpy.last().at(0).toInt(), 4);
    }

    void sameSourceReadOnce()
    {
        const QString path = write(QStringLiteral("three.ild"), squares(3, 5));
        IldaDrawWidget view;
        view.setFrameContext(&m_shared->frames);
        view.setSource(path);
        view.setFrameIndex(2);
        const IldFrameSet *set = view.frameSet();
        view.setSource(path);
        QCOMPARE(view.frameSet(), set); // not replaced, not re-read
        QCOMPARE(view.frameMaxIndex(), 2);
        QCOMPARE(view.frameIndex(), 2);

        // A different file replaces the set and starts with its first frame
        // again, and says so: the pages' progress bars follow the index.
        QSignalSpy indexSpy(&view, &IldaDrawWidget::frameIndexChanged);
        view.setSource(write(QStringLiteral("other.ild"), squares(4, 5)));
        QCOMPARE(view.frameMaxIndex(), 0);
        QCOMPARE(indexSpy.count(), 1);
        QCOMPARE(indexSpy.at(0).at(0).toInt(), 0);
        view.setFrameIndex(0);
        QCOMPARE(view.frameMaxIndex(), 3);
    }

    void wrapAround_data()
    {
        QTest::addColumn<int>("write");
        QTest::addColumn<int>("shown");
        QTest::newRow("inside") << 2 << 2;
        QTest::newRow("frame count") << 4 << 0;
        QTest::newRow("far past the end") << 99 << 0;
        QTest::newRow("minus one") << -1 << 3;
        QTest::newRow("far below") << -50 << 3;
    }
    void wrapAround()
    {
        QFETCH(int, write);
        QFETCH(int, shown);
        IldaDrawWidget view;
        view.setFrameContext(&m_shared->frames);
        view.setSource(this->write(QStringLiteral("four.ild"), squares(4, 5)));
        QSignalSpy spy(&view, &IldaDrawWidget::frameIndexChanged);
        view.setFrameIndex(write);
        QCOMPARE(view.frameIndex(), shown);
        QCOMPARE(int(view.currentFrame()->frameNumber), shown);
        QCOMPARE(spy.count(), shown == 0 ? 0 : 1);
    }

    void playsInALoop()
    {
        IldaDrawWidget view;
        view.setFrameContext(&m_shared->frames);
        view.setSource(write(QStringLiteral("loop.ild"), squares(3, 5)));
        QList<int> seen;
        for (int i = 0; i < 7; ++i) {
            view.setFrameIndex(view.frameIndex() + 1);
            seen << view.frameIndex();
        }
        QCOMPARE(seen, (QList<int>{1, 2, 0, 1, 2, 0, 1}));
    }

    void warningThreshold_data()
    {
        QTest::addColumn<int>("points");
        QTest::addColumn<bool>("warned");
        QTest::newRow("600 points") << 600 << false;
        QTest::newRow("601 points") << 601 << true;
    }
    void warningThreshold()
    {
        QFETCH(int, points);
        QFETCH(bool, warned);
        IldaDrawWidget view;
        view.setFrameContext(&m_shared->frames);
        view.setWarningMaxPoint(600);
        view.setSource(write(QStringLiteral("many%1.ild").arg(points), squares(2, points, 10000)));
        view.setFrameIndex(0);
        QCOMPARE(view.countPMax(), points);
        const QImage img = paintItem(view);
        QCOMPARE(view.frameSet()->overLimit, warned);
        QCOMPARE(!bounds(img, isYellow).isEmpty(), warned);
    }

    void sizeScalesPictureAndOutput()
    {
        RecordingOutput out;
        m_shared->frames.output = &out;
        IldaDrawWidget view;
        view.setFrameContext(&m_shared->frames);
        view.setSource(write(QStringLiteral("size.ild"), squares(1, 5)));
        QCOMPARE(view.sizeM(), 100);
        const QRect full = bounds(paintItem(view), isRed);
        view.setSize(50);
        QCOMPARE(view.size(), 50);
        QCOMPARE(view.sizeM(), 100);
        view.setNetWork(true);
        const QRect half = bounds(paintItem(view), isRed);
        QVERIFY(qAbs((half.width() - 1) * 2 - (full.width() - 1)) <= 3);
        QVERIFY(qAbs((half.height() - 1) * 2 - (full.height() - 1)) <= 3);
        QCOMPARE(half.center(), full.center());
        QCOMPARE(out.sent.size(), size_t(1)); // once per repaint, with the scale on it
        QCOMPARE(out.sent[0].scaleX, 0.5f);
        m_shared->frames.output = nullptr;
    }

    // ILDA space is square: a wide or tall item shows the picture of a square
    // item of its shorter side, centred, with bars beside it.
    void picturesKeepTheirShape_data()
    {
        QTest::addColumn<bool>("thumbnail");
        QTest::addColumn<QSize>("size");
        for (bool thumbnail : {false, true})
            for (const QSize &size : {QSize(660, 330), QSize(330, 661)})
                QTest::addRow("%s %dx%d", thumbnail ? "thumbnail" : "view", size.width(), size.height())
                    << thumbnail << size;
    }
    void picturesKeepTheirShape()
    {
        QFETCH(bool, thumbnail);
        QFETCH(QSize, size);
        IldaDrawWidget view;
        view.setFrameContext(&m_shared->frames);
        view.setSource(write(QStringLiteral("shape.ild"), squares(1, 5)));
        IldaFrameDraw thumb;
        thumb.setFrameContext(&m_shared->frames);
        IldFrame frame = *view.currentFrame();
        thumb.setName(&frame);
        QQuickPaintedItem &item = thumbnail ? static_cast<QQuickPaintedItem &>(thumb) : view;
        const int side = std::min(size.width(), size.height());
        m_shared->renderer.resetDwellMarkers();
        const QImage square = paintItem(item, side);
        const QRect red = bounds(square, isRed);
        QVERIFY(qAbs(red.width() - side * 40000 / 66000) <= 4); // ±20000 of the ±33000 window
        QCOMPARE(red.height(), red.width());
        m_shared->renderer.resetDwellMarkers();
        const QRect shown = bounds(paintItem(item, size), notBlack);
        QCOMPARE(shown, bounds(square, notBlack).translated((size.width() - side) / 2, (size.height() - side) / 2));
    }

    void frameIndexBeforeAnySource()
    {
        IldaDrawWidget view;
        view.setFrameContext(&m_shared->frames);
        QCOMPARE(view.frameMaxIndex(), -1);
        QCOMPARE(view.frameIndex(), 0);
        QCOMPARE(view.countP(), 0);
        view.setFrameIndex(3);
        QVERIFY(view.currentFrame());
        QCOMPARE(view.currentFrame()->vertexCount(), 0);
        QVERIFY(bounds(paintItem(view), notBlack).isEmpty());
    }

    void fileWithoutFrames_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("end header only") << IldaBuilder().header(5, 0).bytes();
        QTest::newRow("not ILDA") << QByteArray("hello, world");
        QTest::newRow("empty file") << QByteArray();
    }
    void fileWithoutFrames()
    {
        QFETCH(QByteArray, bytes);
        IldaDrawWidget view;
        view.setFrameContext(&m_shared->frames);
        view.setSource(write(QStringLiteral("%1.ild").arg(QTest::currentDataTag()), bytes));
        QCOMPARE(view.frameMaxIndex(), -1);
        QCOMPARE(view.fileFrames(), 0);
        QCOMPARE(view.currentFrame(), &view.frameSet()->emptyFrame);
        view.setFrameIndex(1);
        QCOMPARE(view.currentFrame(), &view.frameSet()->emptyFrame);
        QVERIFY(bounds(paintItem(view), notBlack).isEmpty());

        view.setSource(dir.filePath(QStringLiteral("does-not-exist.ild")));
        view.setFrameIndex(0);
        QCOMPARE(view.currentFrame(), &view.frameSet()->emptyFrame);
    }

    void thumbnailPicksRowOfSet_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("expectedNumber"); // -1: nothing drawn
        QTest::newRow("work row 1") << 0 << 1 << 11;
        QTest::newRow("revised row 1") << 1 << 1 << 21;
        QTest::newRow("type 2 counts as revised") << 2 << 0 << 20;
        QTest::newRow("row count") << 0 << 2 << -1;
        QTest::newRow("negative") << 0 << -1 << -1;
    }
    void thumbnailPicksRowOfSet()
    {
        QFETCH(int, type);
        QFETCH(int, index);
        QFETCH(int, expectedNumber);
        m_shared->work.frames.assign(2, IldFrame());
        m_shared->revised.frames.assign(2, IldFrame());
        for (int i = 0; i < 2; ++i) {
            m_shared->work.frames[size_t(i)].frameNumber = quint16(10 + i);
            m_shared->revised.frames[size_t(i)].frameNumber = quint16(20 + i);
        }
        IldaFrameDraw thumb;
        thumb.setFrameContext(&m_shared->frames);
        thumb.setType(type);
        thumb.setIndex(index);
        QCOMPARE(thumb.index(), index);
        if (expectedNumber < 0)
            QVERIFY(!thumb.currentFrame());
        else
            QCOMPARE(int(thumb.currentFrame()->frameNumber), expectedNumber);
    }

    void thumbnailFollowsTheSetWhenItChanges()
    {
        m_shared->work.frames.assign(1, IldFrame());
        m_shared->work.frames[0].frameNumber = 7;
        IldaFrameDraw thumb;
        thumb.setFrameContext(&m_shared->frames);
        thumb.setIndex(0);
        // The set reallocates (frames appended) and later shrinks: the item
        // must never keep a frame that is gone.
        m_shared->work.frames.resize(5000);
        QCOMPARE(thumb.currentFrame(), &m_shared->work.frames[0]);
        QCOMPARE(int(thumb.currentFrame()->frameNumber), 7);
        m_shared->work.frames.clear();
        QVERIFY(!thumb.currentFrame());
        paintItem(thumb, 50); // nothing to draw, nothing read
    }

    void thumbnailWarningAndOutput_data()
    {
        QTest::addColumn<int>("points");
        QTest::addColumn<bool>("warned");
        QTest::newRow("at the limit") << 8 << false;
        QTest::newRow("one more") << 9 << true;
        QTest::newRow("no points") << 0 << false;
    }
    void thumbnailWarningAndOutput()
    {
        QFETCH(int, points);
        QFETCH(bool, warned);
        IldFrameSet set;
        set.fromBytes(reinterpret_cast<const uchar *>(squares(1, std::max(points, 1)).constData()),
                      squares(1, std::max(points, 1)).size(), false);
        QCOMPARE(set.frames.size(), size_t(1));
        IldFrame frame = set.frames[0];
        if (points == 0) {
            frame.vertices.clear();
            frame.pointCount = 0;
        }
        RecordingOutput out;
        m_shared->frames.output = &out;
        IldaFrameDraw thumb;
        thumb.setFrameContext(&m_shared->frames);
        thumb.setWarningPoint(8);
        thumb.setPlay(true);
        thumb.setName(&frame);
        const QImage img = paintItem(thumb, 200);
        QCOMPARE(!bounds(img, isYellow).isEmpty(), warned);
        QCOMPARE(out.sent.size(), size_t(points > 0 ? 1 : 0));
        if (points == 0)
            QVERIFY(bounds(img, notBlack).isEmpty());
        m_shared->frames.output = nullptr;
    }

    void vertexModelRows()
    {
        vertexModel model;
        QCOMPARE(model.roleNames().value(257), QByteArray("point"));
        QCOMPARE(model.roleNames().value(258), QByteArray("color"));
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        IldVertex v;
        v.x = -5;
        v.y = 7;
        v.r = 10;
        v.g = 20;
        v.b = 30;
        model.addVertex(v);
        model.addVertex(IldVertex());
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(inserted.count(), 2);
        QCOMPARE(inserted.at(1).at(1).toInt(), 1);
        QCOMPARE(inserted.at(1).at(2).toInt(), 1);
        QCOMPARE(model.data(model.index(0), 257).toPoint(), QPoint(-5, 7));
        QCOMPARE(model.data(model.index(0), 258).value<QColor>(), QColor(10, 20, 30));
        QVERIFY(!model.data(model.index(0), 259).isValid());
        QVERIFY(!model.data(model.index(2), 257).isValid());
    }
};

QTEST_MAIN(TestFrameItems)
#include "tst_frameitems.moc"
