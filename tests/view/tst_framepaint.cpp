#include "beamfan.h"
#include "framerenderer.h"
#include "ildframe.h"
#include "palette.h"

#include <QImage>
#include <QPainter>
#include <QtTest>

#include <cmath>
#include <memory>

namespace {

// 660 px for 66000 units: one pixel per 100 units.
constexpr int Side = 660;

IldVertex vtx(int x, int y, quint8 r, quint8 g, quint8 b, bool blanked = false)
{
    IldVertex v;
    v.x = qint16(x);
    v.y = qint16(y);
    v.r = r;
    v.g = g;
    v.b = b;
    v.status = blanked ? IldVertex::Blanked : 0;
    return v;
}

IldFrame frame5(std::initializer_list<IldVertex> vs)
{
    IldFrame f;
    f.format = 5;
    f.vertices = vs;
    f.pointCount = quint16(f.vertices.size());
    return f;
}

QPoint px(int x, int y, int side = Side)
{
    return QPoint(int(std::lround((x + 33000) * side / 66000.0)), int(std::lround((33000 - y) * side / 66000.0)));
}

QImage blank(int side = Side)
{
    QImage img(side, side, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::black);
    return img;
}

// Any pixel within `radius` of `at` that satisfies pred.
template <typename Pred> bool near(const QImage &img, QPoint at, int radius, Pred pred)
{
    for (int y = at.y() - radius; y <= at.y() + radius; ++y)
        for (int x = at.x() - radius; x <= at.x() + radius; ++x)
            if (img.rect().contains(x, y) && pred(img.pixel(x, y)))
                return true;
    return false;
}

bool isRed(QRgb c)
{
    return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60;
}
bool isGray(QRgb c)
{
    return qRed(c) > 100 && qAbs(qRed(c) - qGreen(c)) < 12 && qAbs(qRed(c) - qBlue(c)) < 12;
}
bool isYellow(QRgb c)
{
    return qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) < 60;
}
bool notBlack(QRgb c)
{
    return (c & 0xffffff) != 0;
}

int countPixels(const QImage &img, bool (*pred)(QRgb))
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += pred(img.pixel(x, y)) ? 1 : 0;
    return n;
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

// What a label drawn at (x, y) of the +Y-down window looks like on its own.
QImage labelAlone(const QString &text, QPoint baseline, const QColor &pen, int fontPixels, int side = Side)
{
    QImage img = blank(side);
    QPainter p(&img);
    p.setRenderHint(QPainter::Qt4CompatiblePainting);
    QFont font = p.font();
    font.setPixelSize(fontPixels);
    p.setFont(font);
    p.setWindow(-33000, -33000, 66000, 66000);
    p.setPen(QPen(pen));
    p.drawText(baseline, text);
    return img;
}

} // namespace

class TestFramePaint : public QObject
{
    Q_OBJECT
    // Each test paints with its own colours and renderer (dwell markers fresh).
    Palette m_palette;
    ColorContext m_colors{&m_palette, 0};
    bool m_centerLines = false;
    std::unique_ptr<FrameRenderer> m_renderer;

    QImage paintFrame(const IldFrame &f, bool beam, bool blanking, bool endLabel, bool warn, bool dwell,
                      int side = Side, int fontPixels = 0)
    {
        QImage img = blank(side);
        QPainter p(&img);
        p.setRenderHint(QPainter::Qt4CompatiblePainting);
        if (fontPixels > 0) {
            QFont font = p.font();
            font.setPixelSize(fontPixels);
            p.setFont(font);
        }
        PaintOptions options;
        options.beamView = beam;
        options.showBlanking = blanking;
        options.endLabel = endLabel;
        options.warn = warn;
        options.dwellMarkers = dwell;
        options.centerLines = m_centerLines;
        m_renderer->paint(&p, f, m_colors, options);
        return img;
    }

private slots:
    void init()
    {
        m_centerLines = false;
        m_colors.offset = 0;
        m_renderer.reset(new FrameRenderer);
    }

    void segmentColourFromEndVertex()
    {
        // Green start, red end: the segment takes the end vertex's colour.
        const IldFrame f = frame5({vtx(-20000, 0, 0, 255, 0), vtx(20000, 0, 255, 0, 0)});
        const QImage img = paintFrame(f, false, false, false, false, false);
        for (int x : {-19000, -5000, 0, 7000, 19000})
            QVERIFY2(near(img, px(x, 0), 1, isRed), qPrintable(QString::number(x)));
        QVERIFY(!near(img, px(0, 10000), 3, notBlack));
        QVERIFY(!near(img, px(25000, 0), 3, notBlack));
        QCOMPARE(countPixels(img, [](QRgb c) { return qGreen(c) > 100; }), 0);
    }

    void indexedColourUsesSelectedTable_data()
    {
        QTest::addColumn<int>("offset");
        QTest::newRow("Default_") << 0;
        QTest::newRow("IildStd") << 150;
    }
    void indexedColourUsesSelectedTable()
    {
        QFETCH(int, offset);
        m_colors.offset = quint8(offset);
        IldFrame f = frame5({vtx(-20000, 0, 0, 0, 0), vtx(20000, 0, 0, 0, 0)});
        f.format = 1;
        f.vertices[1].colorIndex = 3;
        const QImage img = paintFrame(f, false, false, false, false, false);
        const QRgb expected = m_palette.rgbAt(offset + 3) & 0xffffff;
        QCOMPARE(img.pixel(px(0, 0)) & 0xffffff, expected);
    }

    void scaleAndOffset()
    {
        // x = 1000 with scale 0.5 and offset 100 lands at 400.
        IldFrame f = frame5({vtx(1000, -10000, 255, 0, 0), vtx(1000, 10000, 255, 0, 0)});
        f.scaleX = 0.5f;
        f.offsetX = 100.0f;
        const QImage img = paintFrame(f, false, false, false, false, false, 6600); // 10 units a pixel
        const QRect r = bounds(img, isRed);
        QVERIFY(qAbs(r.center().x() - (400 + 33000) / 10) <= 1);
        QVERIFY(r.width() <= 2);
    }

    void blankedMoves_data()
    {
        QTest::addColumn<bool>("showBlanking");
        QTest::newRow("hidden") << false;
        QTest::newRow("shown") << true;
    }
    void blankedMoves()
    {
        QFETCH(bool, showBlanking);
        const IldFrame f = frame5(
            {vtx(-20000, 10000, 0, 0, 0, true), vtx(20000, 10000, 0, 0, 0, true), vtx(20000, -10000, 255, 0, 0, true)});
        const QImage img = paintFrame(f, false, showBlanking, false, false, false);
        QCOMPARE(near(img, px(0, 10000), 1, isGray), showBlanking);
        QCOMPARE(near(img, px(20000, 0), 1, isGray), showBlanking);
        // Gray and nothing else, even where the blanked vertex carries a colour.
        QCOMPARE(countPixels(img, [](QRgb c) { return notBlack(c) && !isGray(c); }), 0);
        if (!showBlanking)
            QCOMPARE(countPixels(img, notBlack), 0);
    }

    void centreCross_data()
    {
        QTest::addColumn<bool>("lines");
        QTest::addColumn<bool>("warn");
        QTest::addColumn<QString>("expected");
        QTest::newRow("off") << false << false << "none";
        QTest::newRow("centre lines") << true << false << "gray";
        QTest::newRow("warning") << false << true << "yellow";
        QTest::newRow("both") << true << true << "yellow";
    }
    void centreCross()
    {
        QFETCH(bool, lines);
        QFETCH(bool, warn);
        QFETCH(QString, expected);
        m_centerLines = lines;
        const QImage img = paintFrame(IldFrame(), false, false, false, warn, false);
        const int lit = countPixels(img, notBlack);
        if (expected == QLatin1String("none")) {
            QCOMPARE(lit, 0);
            return;
        }
        auto pred = expected == QLatin1String("gray") ? isGray : isYellow;
        QCOMPARE(countPixels(img, pred), lit);
        // Both arms, ±25000 long, dash-dot-dot so not every pixel is lit.
        const QRect r = bounds(img, notBlack);
        QVERIFY(qAbs(r.left() - px(-25000, 0).x()) <= 2);
        QVERIFY(qAbs(r.right() - px(25000, 0).x()) <= 2);
        QVERIFY(qAbs(r.top() - px(0, 25000).y()) <= 2);
        QVERIFY(qAbs(r.bottom() - px(0, -25000).y()) <= 2);
        QVERIFY(lit < 2 * 500);
        QVERIFY(lit > 500);
    }

    void oneVertexDrawsNoSegment()
    {
        const IldFrame f = frame5({vtx(1000, 1000, 255, 0, 0)});
        QCOMPARE(countPixels(paintFrame(f, true, true, false, false, true), notBlack), 0);
    }

    void endLabelOffsets_data()
    {
        QTest::addColumn<QPoint>("vertex");
        QTest::addColumn<QPoint>("baseline"); // +Y-down window
        QTest::newRow("middle") << QPoint(1000, 1000) << QPoint(1000, -1000);
        QTest::newRow("right edge") << QPoint(31000, 0) << QPoint(29500, 0);
        QTest::newRow("left edge") << QPoint(-31000, 0) << QPoint(-31000, 0);
        QTest::newRow("top edge") << QPoint(0, 32000) << QPoint(-1500, -30500);
        QTest::newRow("bottom edge") << QPoint(0, -31000) << QPoint(-1500, 31000);
        QTest::newRow("lower middle") << QPoint(-2000, -2000) << QPoint(-3500, 3500);
    }
    void endLabelOffsets()
    {
        QFETCH(QPoint, vertex);
        QFETCH(QPoint, baseline);
        const IldFrame f = frame5({vtx(vertex.x(), vertex.y(), 255, 0, 0)});
        const QImage painted = paintFrame(f, false, false, true, false, false, Side, 2000);
        QColor darkCyan(Qt::darkCyan);
        darkCyan.setAlpha(80);
        QCOMPARE(painted, labelAlone(QStringLiteral("End"), baseline, darkCyan, 2000));
        QVERIFY(countPixels(painted, notBlack) > 20);
    }

    void endLabelOnlyWhenAsked()
    {
        const IldFrame f = frame5({vtx(0, 0, 255, 0, 0)});
        QCOMPARE(countPixels(paintFrame(f, false, false, false, false, false, Side, 2000), notBlack), 0);
    }

    void dwellLabelAndDot()
    {
        // Three blue points at the origin, then away to the right in red.
        const IldFrame f =
            frame5({vtx(0, 0, 0, 0, 255), vtx(0, 0, 0, 0, 255), vtx(0, 0, 0, 0, 255), vtx(20000, 0, 255, 0, 0)});
        const int side = 1320; // 50 units a pixel: the 400-unit dot is 8 px
        const QImage img = paintFrame(f, false, false, false, false, true, side);
        // "3" (two repeats plus one) at the point, shifted left by one step.
        const QImage label = labelAlone(QStringLiteral("3"), QPoint(-1500, 0), QColor(255, 255, 255, 100), 2000, side);
        const QRect labelBox = bounds(label, notBlack);
        QVERIFY(!labelBox.isEmpty());
        QVERIFY(labelBox.right() < px(0, 0, side).x() - 3); // clear of the dot
        QCOMPARE(img.copy(labelBox), label.copy(labelBox));
        // One dot at the repeated point, in the repeated points' blue.
        QVERIFY(near(img, px(0, 0, side) + QPoint(-1, 1), 1, [](QRgb c) { return qBlue(c) > 200 && qRed(c) < 60; }));
        QVERIFY(!near(img, px(20000, 0, side) + QPoint(0, 3), 2, notBlack)); // no dot at the far end
        QVERIFY(near(img, px(10000, 0, side), 1, isRed));
    }

    void dwellRunCarriesToNextFrame()
    {
        const int side = 1320;
        const IldFrame tail =
            frame5({vtx(5000, 5000, 0, 255, 0), vtx(5000, 5000, 0, 255, 0), vtx(5000, 5000, 0, 255, 0)});
        const QImage first = paintFrame(tail, false, false, false, false, true, side);
        QCOMPARE(countPixels(first, [](QRgb c) { return qRed(c) > 150 && qBlue(c) > 150; }), 0); // no label yet
        // The next frame's first real segment labels the run (2 repeats + 1) at its own start.
        const IldFrame next = frame5({vtx(-10000, -10000, 255, 0, 0), vtx(10000, -10000, 255, 0, 0)});
        const QImage second = paintFrame(next, false, false, false, false, true, side);
        const QImage label = labelAlone(QStringLiteral("3"), QPoint(-10000 - 1500, 10000 + 1500),
                                        QColor(255, 255, 255, 100), 2000, side);
        const QRect box = bounds(label, notBlack);
        QCOMPARE(second.copy(box), label.copy(box));
        // The marker kept the green of the run.
        QVERIFY(near(second, px(-10000, -10000, side) + QPoint(-1, 1), 1,
                     [](QRgb c) { return qGreen(c) > 200 && qRed(c) < 60; }));
    }

    void beamFanFromProjector()
    {
        const IldFrame f = frame5({vtx(-10000, -10000, 255, 0, 0), vtx(10000, -10000, 255, 0, 0)});
        const QImage img = paintFrame(f, true, false, false, false, false);
        // Bright at the projector, fading along the fan, nothing beside it.
        int last = 256;
        for (int y : {4850, 4500, 3000, 0, -12000, -20000, -27000}) {
            const QRgb c = img.pixel(px(0, y));
            QVERIFY2(qRed(c) <= last, qPrintable(QString::number(y)));
            QCOMPARE(qGreen(c), 0);
            last = qRed(c);
        }
        QVERIFY(qRed(img.pixel(px(0, 4850))) >= 40); // the bright start is under 2 px long here
        const QRgb farOut = img.pixel(px(0, -25000));
        QVERIFY(qRed(farOut) > 2 && qRed(farOut) < 30);
        QCOMPARE(img.pixel(px(-20000, 20000)) & 0xffffff, 0u);
        QCOMPARE(img.pixel(px(25000, -20000)) & 0xffffff, 0u);
        QVERIFY(near(img, px(0, -10000), 1, isRed)); // the segment itself
    }

    void beamDwellShowsAsStroke()
    {
        const IldFrame f = frame5({vtx(10000, 10000, 0, 255, 0), vtx(10000, 10000, 0, 255, 0)});
        const QImage img = paintFrame(f, true, false, false, false, false, 6600);
        QVERIFY(near(img, px(10100, 10100, 6600), 2, [](QRgb c) { return qGreen(c) > 200; }));
    }

    void beamSegmentOnProjectorOrigin()
    {
        // The fan of a segment ending on the projector has no direction: line only.
        const IldFrame f = frame5({vtx(-10000, 5000, 255, 0, 0), vtx(0, 5000, 255, 0, 0)});
        const QImage img = paintFrame(f, true, false, false, false, false);
        QVERIFY(near(img, px(-5000, 5000), 1, isRed));
        QCOMPARE(img.pixel(px(-5000, -20000)) & 0xffffff, 0u);
    }

    // The layer must look like one QPainter gradient fill per fan.
    void beamLayerMatchesPlainFans()
    {
        IldFrame f;
        f.format = 5;
        const double pi = 3.14159265358979;
        for (int i = 0; i <= 400; ++i) { // a star around the projector, then a zigzag below it
            const double a = 2 * pi * i / 400;
            const double r = (i / 20) % 2 ? 9000 : 24000;
            const QColor c = QColor::fromHsv((i * 3) % 360, 255, 255);
            f.vertices.push_back(vtx(int(r * std::cos(a)), int(r * std::sin(a)), quint8(c.red()), quint8(c.green()),
                                     quint8(c.blue()), i == 0));
        }
        for (int i = 0; i < 200; ++i)
            f.vertices.push_back(
                vtx(-28000 + 280 * i, -26000 + (i % 20) * 400 - ((i / 20) % 2) * 3000, 255, 255, 0, i == 0));
        const QImage layered = paintFrame(f, true, false, false, false, false);

        QImage plain = blank();
        {
            QPainter p(&plain);
            p.setRenderHint(QPainter::Qt4CompatiblePainting);
            p.setWindow(-33000, 33000, 66000, -66000);
            const QPoint o(0, 5000);
            auto reach = [&o](QPoint q) {
                const QPoint d = q - o;
                const double k = 33000.0 / std::max(std::abs(d.x()), std::abs(d.y()));
                return o + QPoint(int(d.x() * k), int(d.y() * k));
            };
            for (size_t i = 1; i < f.vertices.size(); ++i) {
                const IldVertex &v = f.vertices[i];
                if (v.isBlanked())
                    continue;
                const QPoint a(f.vertices[i - 1].x, f.vertices[i - 1].y), b(v.x, v.y);
                p.setPen(QPen(QColor(v.r, v.g, v.b)));
                p.drawLine(a, b);
                const QPoint ra = reach(a), rb = reach(b);
                const QPoint mid(int(std::lround((ra.x() + rb.x()) / 2.0)), int(std::lround((ra.y() + rb.y()) / 2.0)));
                paintBeamFan(&p, o, ra, rb, mid, qRgb(v.r, v.g, v.b));
            }
        }
        double total = 0;
        int off = 0;
        for (int y = 0; y < Side; ++y)
            for (int x = 0; x < Side; ++x) {
                const QRgb a = layered.pixel(x, y), b = plain.pixel(x, y);
                const int d =
                    std::max({qAbs(qRed(a) - qRed(b)), qAbs(qGreen(a) - qGreen(b)), qAbs(qBlue(a) - qBlue(b))});
                total += d;
                off += d > 12 ? 1 : 0;
            }
        const double mean = total / (Side * Side);
        QVERIFY2(mean < 2.0, qPrintable(QString::number(mean)));
        QVERIFY2(off < Side * Side / 50, qPrintable(QString::number(off))); // stray pixels at edges and lines only
    }

    void fanAlphaRamp()
    {
        QCOMPARE(beamFanAlpha(0.0), 255);
        QCOMPARE(beamFanAlpha(0.005), 50);
        QCOMPARE(beamFanAlpha(1.0), 5);
        QCOMPARE(beamFanAlpha(-1.0), 255);
        QCOMPARE(beamFanAlpha(3.0), 5);
        QVERIFY(qAbs(beamFanAlpha(0.5025) - 28) <= 1);
    }
};

QTEST_MAIN(TestFramePaint)
#include "tst_framepaint.moc"
