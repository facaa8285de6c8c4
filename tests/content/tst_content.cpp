// Making content: SVG mapping and colours, curve flattening, text, the laser
// path optimiser, and the import/text/optimize commands of ildatool.

#include "ildframeset.h"
#include "pathoptimizer.h"
#include "svgimport.h"
#include "textcodec.h"
#include "textstrokes.h"
#include "toolrunner.h"

#include <QLineF>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <sys/stat.h>

namespace {

QString fixture(const char *name)
{
    return QStringLiteral(BEAMDECK_TEST_DATA "/content/") + QLatin1String(name);
}

Stroke line(std::initializer_list<QPointF> points, bool closed = false)
{
    Stroke st;
    st.points = points;
    st.colors.assign(st.points.size(), qRgb(255, 255, 255));
    st.closed = closed;
    return st;
}

double longestLitStep(const IldFrame &f)
{
    double longest = 0;
    for (size_t i = 1; i < f.vertices.size(); ++i)
        if (!f.vertices[i].isBlanked())
            longest = std::max(
                longest, QLineF(f.vertices[i - 1].x, f.vertices[i - 1].y, f.vertices[i].x, f.vertices[i].y).length());
    return longest;
}

// <use> nested depth deep, each level drawing the one below ten times; the
// root has no size.
QByteArray nestedUse(int depth)
{
    QByteArray svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\"><defs>"
                     "<g id=\"l0\"><path d=\"M0 0 L1 1\" stroke=\"red\"/></g>";
    for (int level = 1; level <= depth; ++level) {
        svg += "<g id=\"l" + QByteArray::number(level) + "\">";
        for (int i = 0; i < 10; ++i)
            svg += "<use xlink:href=\"#l" + QByteArray::number(level - 1) + "\" x=\"" + QByteArray::number(i) + "\"/>";
        svg += "</g>";
    }
    return svg + "</defs><use xlink:href=\"#l" + QByteArray::number(depth) + "\"/></svg>";
}

QByteArray lineSvg(const QByteArray &extra)
{
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
           "viewBox=\"0 0 100 100\"><line x1=\"0\" y1=\"0\" x2=\"100\" y2=\"100\" stroke=\"red\"/>" +
           extra + "</svg>";
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QPointF lit(const IldVertex &v)
{
    return QPointF(v.x, v.y);
}

} // namespace

Q_DECLARE_METATYPE(Stroke)

class TestContent : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void mapping_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<double>("margin");
        QTest::addColumn<QPointF>("svgPoint");
        QTest::addColumn<QPointF>("ildaPoint");
        // viewBox 10 20 200 100: the width spans the square, centred, Y up.
        const QString vb = fixture("viewbox.svg");
        QTest::newRow("viewBox_top_left") << vb << 0.0 << QPointF(10, 20) << QPointF(-32767, 16383.5);
        QTest::newRow("viewBox_top_right") << vb << 0.0 << QPointF(210, 20) << QPointF(32767, 16383.5);
        QTest::newRow("viewBox_bottom_right") << vb << 0.0 << QPointF(210, 120) << QPointF(32767, -16383.5);
        QTest::newRow("viewBox_bottom_left") << vb << 0.0 << QPointF(10, 120) << QPointF(-32767, -16383.5);
        QTest::newRow("viewBox_centre") << vb << 0.0 << QPointF(110, 70) << QPointF(0, 0);
        QTest::newRow("margin_half_top_left") << vb << 0.5 << QPointF(10, 20) << QPointF(-16383.5, 8191.75);
        // No viewBox: width 50, height 100; the height spans the square.
        QTest::newRow("size_only_start") << fixture("size.svg") << 0.0 << QPointF(0, 0) << QPointF(-16383.5, 32767);
        QTest::newRow("size_only_end") << fixture("size.svg") << 0.0 << QPointF(50, 100) << QPointF(16383.5, -32767);
    }
    void mapping()
    {
        QFETCH(QString, file);
        QFETCH(double, margin);
        QFETCH(QPointF, svgPoint);
        QFETCH(QPointF, ildaPoint);
        const SvgDrawing d = readSvg(file, margin);
        QVERIFY2(d.ok, qPrintable(d.error));
        // The drawing's points are known in SVG units: find the mapped one.
        double best = 1e9;
        for (const Stroke &st : svgStrokes(d))
            for (const QPointF &p : st.points)
                best = std::min(best, QLineF(p, ildaPoint).length());
        QVERIFY2(best < 0.05, qPrintable(QStringLiteral("nearest point %1 units away").arg(best)));
        Q_UNUSED(svgPoint)
    }

    void nestedTransforms()
    {
        // translate(50,50) rotate(90) scale(2) of (0,0)-(10,0) is (50,50)-(50,70).
        const SvgDrawing d = readSvg(fixture("nested.svg"), 0.0);
        const std::vector<Stroke> strokes = svgStrokes(d);
        QCOMPARE(int(strokes.size()), 1);
        const double k = 2 * 32767.0 / 100;
        QVERIFY(QLineF(strokes[0].points.front(), QPointF(0, 0)).length() < 0.05);
        QVERIFY(QLineF(strokes[0].points.back(), QPointF(0, -20 * k)).length() < 0.05);
        QCOMPARE(strokes[0].colors.front(), qRgb(0, 255, 0));
    }

    void strokeAndFillColours()
    {
        const SvgDrawing d = readSvg(fixture("colours.svg"), 0.0);
        QVERIFY(d.ok);
        // Nothing for a shape without paint or fully transparent.
        QCOMPARE(int(d.shapes.size()), 3);
        QCOMPARE(d.shapes[0].color, qRgb(255, 0, 0));
        QCOMPARE(d.shapes[0].filled, false);
        QCOMPARE(d.shapes[1].color, qRgb(0, 0, 255));
        QCOMPARE(d.shapes[1].filled, true);
        // Filled and stroked: the outline once, in the stroke colour.
        QCOMPARE(d.shapes[2].color, qRgb(255, 255, 0));
        const std::vector<Stroke> strokes = svgStrokes(d);
        QCOMPARE(int(strokes.size()), 3);
        QCOMPARE(strokes[0].closed, false);
        QCOMPARE(strokes[1].closed, true);
        QCOMPARE(int(strokes[1].points.size()), 4);
    }

    void flatteningError_data()
    {
        QTest::addColumn<double>("tolerance");
        QTest::newRow("default_0.05_percent") << DefaultFlattenTolerance;
        QTest::newRow("coarse_200_units") << 200.0;
        QTest::newRow("fine_2_units") << 2.0;
    }
    void flatteningError()
    {
        QFETCH(double, tolerance);
        const SvgDrawing d = readSvg(fixture("circle.svg"), 0.0);
        const std::vector<Stroke> strokes = svgStrokes(d, tolerance);
        QCOMPARE(int(strokes.size()), 1);
        const Stroke &st = strokes[0];
        QVERIFY(st.closed);
        const double r = 40 * 2 * 32767.0 / 100;
        // Vertices on the circle, chords no farther inside than the
        // tolerance; Qt draws arcs as cubics, off the true circle by up to
        // 2.7e-4 of the radius.
        const double arc = 2.8e-4 * r;
        double worst = 0;
        const int n = int(st.points.size());
        for (int i = 0; i < n; ++i) {
            const QPointF a = st.points[size_t(i)], b = st.points[size_t((i + 1) % n)];
            worst = std::max(worst, std::abs(std::hypot(a.x(), a.y()) - r));
            const QPointF m = (a + b) / 2;
            worst = std::max(worst, r - std::hypot(m.x(), m.y()));
        }
        QVERIFY2(worst <= tolerance + arc, qPrintable(QStringLiteral("%1 > %2").arg(worst).arg(tolerance)));
        // ...and not far finer than asked: the chord error reaches a quarter of it.
        QVERIFY2(worst >= tolerance / 4, qPrintable(QStringLiteral("%1 points").arg(n)));
    }

    void optimiserOrder_data()
    {
        QTest::addColumn<QVector<Stroke>>("strokes");
        QTest::addColumn<double>("travel");
        QTest::addColumn<QPointF>("closedStart");
        // Document order jumps 20000 back; the other order leaves 1000.
        QTest::newRow("order_reversed") << QVector<Stroke>{line({{10000, 0}, {20000, 0}}), line({{0, 0}, {9000, 0}})}
                                        << 1000.0 << QPointF();
        QTest::newRow("direction_reversed")
            << QVector<Stroke>{line({{0, 0}, {1000, 0}}), line({{9000, 0}, {1100, 0}})} << 100.0 << QPointF();
        // A closed square entered at the corner nearest the open stroke's end.
        QTest::newRow("closed_rotated_to_best_start")
            << QVector<Stroke>{line({{-20000, 30000}, {19000, 21000}}),
                               line({{0, 0}, {20000, 0}, {20000, 20000}, {0, 20000}}, true)}
            << std::hypot(1000.0, 1000.0) << QPointF(20000, 20000);
    }
    void optimiserOrder()
    {
        QFETCH(QVector<Stroke>, strokes);
        QFETCH(double, travel);
        QFETCH(QPointF, closedStart);
        const std::vector<Stroke> in(strokes.begin(), strokes.end());
        const std::vector<Stroke> ordered = applyPlan(in, planPath(in));
        QCOMPARE(int(ordered.size()), 2);
        QVERIFY(std::abs(travelLength(ordered) - travel) < 0.01);
        for (const Stroke &st : ordered)
            if (st.closed)
                QCOMPARE(st.entry(), closedStart);

        // The frame starts blanked at the first stroke and dwells at the move.
        const FrameBuild b = buildFrame(in, OptimizerOptions());
        const IldFrame &f = b.frame;
        QCOMPARE(f.format, quint8(5));
        QVERIFY(f.vertices.front().isBlanked());
        QCOMPARE(QPointF(f.vertices.front().x, f.vertices.front().y), ordered.front().entry());
        QVERIFY(longestLitStep(f) <= OptimizerOptions::DefaultMaxStep);
        QVERIFY(std::abs(b.travel - travel) < 0.01);
    }

    void budget_data()
    {
        QTest::addColumn<int>("budget");
        QTest::addColumn<bool>("fits");
        QTest::addColumn<bool>("stepLengthened");
        // A 60000-unit line in steps of at most 100 needs about 600 points.
        QTest::newRow("room_enough") << 65535 << true << false;
        QTest::newRow("step_lengthened_to_fit") << 200 << true << true;
        QTest::newRow("cannot_fit") << 3 << false << true;
    }
    void budget()
    {
        QFETCH(int, budget);
        QFETCH(bool, fits);
        QFETCH(bool, stepLengthened);
        OptimizerOptions o;
        o.maxStep = 100;
        o.budget = budget;
        const FrameBuild b = buildFrame({line({{-30000, 0}, {30000, 0}}), line({{0, 5000}, {0, 9000}})}, o);
        QCOMPARE(b.fits, fits);
        QCOMPARE(b.step > o.maxStep, stepLengthened);
        QVERIFY(b.pointsNeeded > 600);
        QCOMPARE(b.message.isEmpty(), fits);
        if (fits) {
            QVERIFY(b.frame.vertexCount() <= budget);
            QVERIFY(longestLitStep(b.frame) <= b.step + 1.0);
        }
        // The steps of the long line are even.
        QVERIFY(longestLitStep(b.frame) > 0);
    }

    void cornersAndDwell()
    {
        // An L: one corner, dwell copies at the corner and before the end.
        OptimizerOptions o;
        o.maxStep = 65534;
        o.cornerDwell = 4;
        o.dwellOn = 3;
        o.dwellOff = 2;
        const IldFrame f = buildFrame({line({{0, 0}, {1000, 0}, {1000, 1000}})}, o).frame;
        QCOMPARE(f.vertexCount(), 3 + 1 + 1 + 4 + 1 + 2);
        QCOMPARE(int(std::count_if(f.vertices.begin(), f.vertices.end(),
                                   [](const IldVertex &v) { return v.x == 1000 && v.y == 0; })),
                 1 + 4);
    }

    void frameStrokesRoundTrip()
    {
        // A frame's lit runs come back as strokes without their dwell copies.
        OptimizerOptions o;
        o.maxStep = 300;
        const std::vector<Stroke> in{line({{0, 0}, {1000, 0}, {1000, 1000}}),
                                     line({{5000, 5000}, {6000, 5000}, {6000, 6000}, {5000, 6000}}, true)};
        const std::vector<Stroke> back = strokesFromFrame(buildFrame(in, o).frame, ColorContext());
        QCOMPARE(int(back.size()), 2);
        QCOMPARE(back[0].closed, false);
        QCOMPARE(back[1].closed, true);
        QCOMPARE(std::round(back[0].length() + back[1].length()), 2000.0 + 4000.0);
    }

    void text_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("stroke");
        QTest::addColumn<bool>("allClosed");
        QTest::addColumn<int>("fallbackChars");
        QTest::newRow("chinese_outlines") << QStringLiteral("激光秀") << false << true << 0;
        QTest::newRow("hershey_single_strokes") << QStringLiteral("LASER") << true << false << 0;
        QTest::newRow("hershey_with_chinese_fallback") << QStringLiteral("光 L") << true << false << 1;
    }
    void text()
    {
        QFETCH(QString, text);
        QFETCH(bool, stroke);
        QFETCH(bool, allClosed);
        QFETCH(int, fallbackChars);
        TextOptions t;
        t.stroke = stroke;
        const TextDrawing d = textStrokes(text, t);
        QVERIFY2(d.ok, qPrintable(d.error));
        QVERIFY(d.strokes.size() >= 3);
        QCOMPARE(d.fallbackChars, fallbackChars);
        bool closed = true;
        double right = -1e9;
        for (const Stroke &st : d.strokes) {
            closed = closed && st.closed;
            for (const QPointF &p : st.points)
                right = std::max(right, p.x());
        }
        QCOMPARE(closed, allClosed);
        QVERIFY(std::abs(right - 32767) < 1.0); // the line spans the square
    }

    // Documents that must be refused or read, and never hang: each row names
    // a file made in a scratch folder (FIFO: a named pipe with no writer).
    void hostileSvg_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("svg");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("error");
        QTest::newRow("svg_is_a_fifo") << "fifo" << QByteArray() << false << "not a regular file";
        QTest::newRow("device") << "/dev/zero" << QByteArray() << false << "not a regular file";
        QTest::newRow("larger_than_the_limit") << "huge" << QByteArray() << false << "larger than";
        QTest::newRow("image_names_a_fifo")
            << "svg" << lineSvg("<image xlink:href=\"@fifo\" width=\"10\" height=\"10\"/>") << true << "";
        QTest::newRow("image_names_etc_passwd")
            << "svg" << lineSvg("<image href=\"/etc/passwd\" width=\"10\" height=\"10\"/>") << true << "";
        QTest::newRow("nested_use_depth_8_without_size")
            << "svg" << nestedUse(8) << false << "more than 200000 elements";
        QTest::newRow("nested_use_depth_3_without_size") << "svg" << nestedUse(3) << true << "";
        QTest::newRow("use_refers_to_itself")
            << "svg" << lineSvg("<g id=\"a\"><use xlink:href=\"#b\"/></g><g id=\"b\"><use xlink:href=\"#a\"/></g>")
            << false << "refers to itself";
        QTest::newRow("not_svg") << "svg" << QByteArray("<html><p>no</p></html>") << false << "not a readable SVG";
    }
    void hostileSvg()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, svg);
        QFETCH(bool, ok);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("pipe"));
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QString path = dir.filePath(QStringLiteral("in.svg"));
        if (kind == QLatin1String("fifo")) {
            path = fifo;
        } else if (kind == QLatin1String("huge")) {
            writeFile(path, lineSvg(""));
            QFile f(path);
            QVERIFY(f.resize(MaxSvgFileSize + 1)); // sparse: costs no disk
        } else if (kind == QLatin1String("svg")) {
            writeFile(path, svg.replace("@fifo", QFile::encodeName(fifo)));
        } else {
            path = kind;
        }
        const SvgDrawing d = readSvg(path, 0.0);
        QVERIFY2(d.ok == ok, qPrintable(d.error));
        QVERIFY2(d.error.contains(error), qPrintable(d.error));
        if (ok)
            QVERIFY(!d.shapes.empty());
    }

    // Names of imported frames: printable characters GBK holds, at most the
    // 8 bytes of the name field, as the bytes are written.
    void importedName_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("field");
        QTest::newRow("plain") << "/x/logo.svg" << QByteArray("logo");
        QTest::newRow("cut_to_8_bytes") << "abcdefghij.svg" << QByteArray("abcdefgh");
        QTest::newRow("escape_and_newline_dropped") << "a\x1b[1m\nb.svg" << QByteArray("a[1mb");
        QTest::newRow("chinese_in_gbk") << QStringLiteral("图标.svg") << TextCodec::toGbk(QStringLiteral("图标"));
        QTest::newRow("chinese_cut_between_characters")
            << QStringLiteral("a激光秀图标.svg") << TextCodec::toGbk(QStringLiteral("a激光秀"));
        QTest::newRow("emoji_dropped") << QStringLiteral("x\U0001F600y.svg") << QByteArray("xy");
    }
    void importedName()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, field);
        const QString name = importedFrameName(file);
        QCOMPARE(name.toLatin1(), field);
        QVERIFY(!name.contains(QLatin1Char('?')));
    }

    // Far-off and overflowing geometry: what crosses the square is drawn
    // clipped to it, what is not finite leaves nothing lit.
    void extremeCoordinates_data()
    {
        QTest::addColumn<QByteArray>("shape");
        QTest::addColumn<QPointF>("from");
        QTest::addColumn<QPointF>("to");
        QTest::newRow("diagonal_far_beyond_the_viewBox")
            << QByteArray("<line x1=\"-1e20\" y1=\"-1e20\" x2=\"1e20\" y2=\"1e20\" stroke=\"red\"/>")
            << QPointF(-32767, 32767) << QPointF(32767, -32767);
        QTest::newRow("overflowing_transform_leaves_nothing")
            << QByteArray("<g transform=\"scale(1e300)\"><g transform=\"scale(1e300)\"><line x1=\"1\" y1=\"1\" "
                          "x2=\"2\" y2=\"3\" stroke=\"red\"/></g></g>")
            << QPointF() << QPointF();
    }
    void extremeCoordinates()
    {
        QFETCH(QByteArray, shape);
        QFETCH(QPointF, from);
        QFETCH(QPointF, to);
        const SvgDrawing d = readSvgData(
            "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"-50 -50 100 100\">" + shape + "</svg>", 0.0);
        QVERIFY2(d.ok, qPrintable(d.error));
        const IldFrame f = buildFrame(svgStrokes(d), OptimizerOptions()).frame;
        std::vector<QPointF> points;
        for (const IldVertex &v : f.vertices)
            if (!v.isBlanked())
                points.push_back(lit(v));
        if (from.isNull()) {
            QVERIFY(points.empty());
            return;
        }
        QVERIFY(!points.empty());
        const auto near = [&](const QPointF &p) {
            return std::any_of(points.begin(), points.end(),
                               [&](const QPointF &q) { return QLineF(p, q).length() < 2; });
        };
        QVERIFY(near(from));
        QVERIFY(near(to));
        QVERIFY(near(QPointF(0, 0)));
    }

    // Settings no frame can use must not make unbounded work or memory.
    void unboundedSettings_data()
    {
        QTest::addColumn<double>("tolerance");
        QTest::addColumn<double>("maxStep");
        QTest::newRow("tolerance_nan") << std::nan("") << 2048.0;
        QTest::newRow("tolerance_zero") << 0.0 << 2048.0;
        QTest::newRow("tolerance_infinite") << HUGE_VAL << 2048.0;
        QTest::newRow("step_nan") << DefaultFlattenTolerance << std::nan("");
        QTest::newRow("step_tiny") << DefaultFlattenTolerance << 1e-300;
    }
    void unboundedSettings()
    {
        QFETCH(double, tolerance);
        QFETCH(double, maxStep);
        const SvgDrawing d = readSvg(fixture("circle.svg"), 0.0);
        const std::vector<Stroke> strokes = svgStrokes(d, tolerance);
        const std::vector<Stroke> reference = svgStrokes(d);
        QCOMPARE(strokes.size(), reference.size());
        if (!(tolerance > 0) || std::isinf(tolerance) || std::isnan(tolerance))
            QCOMPARE(strokes.front().points.size(), reference.front().points.size());
        OptimizerOptions o;
        o.maxStep = maxStep;
        o.budget = 65535;
        const FrameBuild b = buildFrame(strokes, o);
        QVERIFY(b.frame.vertexCount() > 1 && b.frame.vertexCount() <= IldFrame::MaxPoints);
    }

    void hersheyFontNames_data()
    {
        QTest::addColumn<QString>("font");
        QTest::addColumn<bool>("ok");
        QTest::newRow("installed") << "futural" << true;
        QTest::newRow("parent_folder") << "../../x" << false;
        QTest::newRow("absolute_path") << "/usr/share/hershey-fonts/rowmans" << false;
        QTest::newRow("dot_dot_inside") << "rowmans/../rowmans" << false;
    }
    void hersheyFontNames()
    {
        QFETCH(QString, font);
        QFETCH(bool, ok);
        TextOptions t;
        t.stroke = true;
        t.family = font;
        const TextDrawing d = textStrokes(QStringLiteral("A"), t);
        QCOMPARE(d.ok, ok);
        if (!ok)
            QVERIFY(d.error.contains(QLatin1String("no Hershey font named")));
    }

    // Crowds of strokes and long texts: done (not timed here; see
    // bench_content), watched and stoppable.
    void crowdsAndCancel_data()
    {
        QTest::addColumn<int>("copies");
        QTest::addColumn<int>("stopAfter"); // reports before cancelling, -1 never
        QTest::newRow("coincident_strokes") << 20000 << -1;
        QTest::newRow("coincident_strokes_cancelled") << 20000 << 2;
    }
    void crowdsAndCancel()
    {
        QFETCH(int, copies);
        QFETCH(int, stopAfter);
        const std::vector<Stroke> strokes(size_t(copies), line({{-1000, 0}, {1000, 300}, {0, 900}}));
        int reports = 0;
        const FrameBuild b = buildFrame(strokes, OptimizerOptions(), [&](qint64 done, qint64 total) {
            [&] { QVERIFY(done >= 0 && done <= total); }();
            return stopAfter < 0 || ++reports <= stopAfter;
        });
        QCOMPARE(b.cancelled, stopAfter >= 0);
        if (stopAfter < 0) {
            QVERIFY(b.frame.vertexCount() <= IldFrame::MaxPoints);
            QVERIFY(std::abs(b.travel) < 1.0); // every stroke starts where the last one ended
        }
    }

    void textCancelled()
    {
        int reports = 0;
        const TextDrawing d =
            textStrokes(QString(5000, QLatin1Char('A')), TextOptions(), [&](qint64, qint64) { return ++reports < 3; });
        QVERIFY(d.cancelled);
        QVERIFY(!d.ok);
        QCOMPARE(reports, 3);
        QVERIFY(!textStrokes(QString(MaxTextLength + 1, QLatin1Char('A')), TextOptions()).ok);
    }

    void tool_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("frames");
        const QString circle = fixture("circle.svg");
        QTest::newRow("import_two_files_animation")
            << QStringList{"import", circle, fixture("colours.svg"), "out.ild"} << 0 << 2;
        QTest::newRow("import_margin_and_options")
            << QStringList{"import", circle, "out.ild", "--margin", "0.1", "--dwell-on", "5", "--max-step", "500"} << 0
            << 1;
        QTest::newRow("text_stroke") << QStringList{"text", "Laser", "out.ild", "--stroke"} << 0 << 1;
        QTest::newRow("text_outline") << QStringList{"text", "Laser", "out.ild", "--budget", "600"} << 0 << 1;
        QTest::newRow("import_broken_svg") << QStringList{"import", fixture("broken.svg"), "out.ild"} << 1 << 0;
        QTest::newRow("text_unknown_hershey_font")
            << QStringList{"text", "A", "out.ild", "--stroke", "--font", "nosuchfont"} << 1 << 0;
        QTest::newRow("bad_budget") << QStringList{"import", circle, "out.ild", "--budget", "0"} << 2 << 0;
        QTest::newRow("no_output") << QStringList{"import", circle} << 2 << 0;
    }
    void tool()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(int, frames);
        const QString out = m_dir.filePath(QStringLiteral("out.ild"));
        QFile::remove(out);
        args.replaceInStrings(QRegularExpression(QStringLiteral("^out\\.ild$")), out);
        const ToolResult r = runIldatool(args);
        QVERIFY2(r.exitCode == exitCode, r.err.constData());
        if (exitCode != 0) {
            QVERIFY(!QFile::exists(out));
            return;
        }
        IldFrameSet set;
        set.fromFileIld(out, false);
        QCOMPARE(int(set.frames.size()), frames);
        for (const IldFrame &f : set.frames) {
            QCOMPARE(f.format, quint8(5));
            QVERIFY(f.vertexCount() > 0 && f.vertexCount() <= 1800);
            QVERIFY(f.vertices.front().isBlanked());
        }
        // optimize takes the result again and keeps it clean.
        const QString again = m_dir.filePath(QStringLiteral("again.ild"));
        const ToolResult o = runIldatool({QStringLiteral("optimize"), out, again});
        QVERIFY2(o.exitCode == 0, o.err.constData());
        IldFrameSet optimized;
        optimized.fromFileIld(again, false);
        QCOMPARE(int(optimized.frames.size()), frames);
        QVERIFY(optimized.frames[0].vertices.front().isBlanked());
    }
};

QTEST_MAIN(TestContent)
#include "tst_content.moc"
