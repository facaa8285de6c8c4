// Figures for making content: fidelity of SVG import on the scalable icons
// installed on this machine, blanked travel against document order and
// against nearest neighbour + 2-opt, and the speed of import and optimiser.
//
//   bench_content [SVG-FOLDER...]   (default: the Adwaita and hicolor themes)

#include "pathoptimizer.h"
#include "svgimport.h"
#include "textstrokes.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <limits>
#include <unordered_map>
#include <vector>

namespace {

QTextStream &out()
{
    static QTextStream s(stdout);
    return s;
}

double dist(const QPointF &a, const QPointF &b)
{
    return std::hypot(a.x() - b.x(), a.y() - b.y());
}

double distToSegment(const QPointF &p, const QPointF &a, const QPointF &b)
{
    const QPointF ab = b - a;
    const double len2 = ab.x() * ab.x() + ab.y() * ab.y();
    const double t =
        len2 > 0 ? std::clamp(((p.x() - a.x()) * ab.x() + (p.y() - a.y()) * ab.y()) / len2, 0.0, 1.0) : 0.0;
    return dist(p, a + ab * t);
}

// Segments in a uniform grid, for "how far is the nearest segment" queries.
class SegmentGrid
{
public:
    static constexpr double Cell = 1024.0;
    void add(const QPointF &a, const QPointF &b)
    {
        const int i = int(m_segs.size());
        m_segs.push_back({a, b});
        for (int cx = key(std::min(a.x(), b.x())); cx <= key(std::max(a.x(), b.x())); ++cx)
            for (int cy = key(std::min(a.y(), b.y())); cy <= key(std::max(a.y(), b.y())); ++cy)
                m_cells[cellId(cx, cy)].push_back(i);
    }
    // Distance to the nearest segment, searched up to radius (returns
    // more than radius when none is that close).
    double nearest(const QPointF &p, double radius) const
    {
        double best = std::numeric_limits<double>::max();
        for (int cx = key(p.x() - radius); cx <= key(p.x() + radius); ++cx)
            for (int cy = key(p.y() - radius); cy <= key(p.y() + radius); ++cy) {
                const auto it = m_cells.find(cellId(cx, cy));
                if (it == m_cells.end())
                    continue;
                for (int i : it->second)
                    best = std::min(best, distToSegment(p, m_segs[size_t(i)].first, m_segs[size_t(i)].second));
            }
        return best;
    }
    bool empty() const { return m_segs.empty(); }

private:
    std::vector<std::pair<QPointF, QPointF>> m_segs;
    std::unordered_map<qint64, std::vector<int>> m_cells;
    static int key(double v) { return int(std::floor(v / Cell)); }
    static qint64 cellId(int x, int y) { return (qint64(x) << 32) ^ quint32(y); }
};

// The comparison: nearest neighbour with the better end of each stroke (a
// closed stroke entered at its first point), then plain 2-opt.
double referenceTravel(const std::vector<Stroke> &strokes)
{
    const int n = int(strokes.size());
    if (n < 2)
        return 0.0;
    std::vector<QPointF> ent, ext;
    std::vector<char> used(size_t(n), 0);
    QPointF cur = strokes[0].entry();
    for (int step = 0; step < n; ++step) {
        double best = std::numeric_limits<double>::max();
        int bs = 0;
        bool brev = false;
        for (int s = 0; s < n; ++s) {
            if (used[size_t(s)])
                continue;
            const double da = dist(cur, strokes[size_t(s)].entry()), db = dist(cur, strokes[size_t(s)].exit());
            if (da < best)
                best = da, bs = s, brev = false;
            if (db < best)
                best = db, bs = s, brev = true;
        }
        used[size_t(bs)] = 1;
        ent.push_back(brev ? strokes[size_t(bs)].exit() : strokes[size_t(bs)].entry());
        ext.push_back(brev ? strokes[size_t(bs)].entry() : strokes[size_t(bs)].exit());
        cur = ext.back();
    }
    for (bool improved = true; improved;) {
        improved = false;
        for (int i = 0; i < n; ++i)
            for (int j = i; j < n; ++j) {
                double delta = 0.0;
                if (i > 0)
                    delta += dist(ext[size_t(i - 1)], ext[size_t(j)]) - dist(ext[size_t(i - 1)], ent[size_t(i)]);
                if (j < n - 1)
                    delta += dist(ent[size_t(i)], ent[size_t(j + 1)]) - dist(ext[size_t(j)], ent[size_t(j + 1)]);
                if (delta < -1e-6) {
                    std::reverse(ent.begin() + i, ent.begin() + j + 1);
                    std::reverse(ext.begin() + i, ext.begin() + j + 1);
                    for (int k = i; k <= j; ++k)
                        std::swap(ent[size_t(k)], ext[size_t(k)]);
                    improved = true;
                }
            }
    }
    double sum = 0.0;
    for (int k = 1; k < n; ++k)
        sum += dist(ext[size_t(k - 1)], ent[size_t(k)]);
    return sum;
}

double blankedTravel(const IldFrame &f)
{
    double sum = 0.0;
    for (size_t i = 1; i < f.vertices.size(); ++i)
        if (f.vertices[i].isBlanked())
            sum += dist(QPointF(f.vertices[i - 1].x, f.vertices[i - 1].y), QPointF(f.vertices[i].x, f.vertices[i].y));
    return sum;
}

struct Fidelity
{
    double maxPointError = 0.0; // lit point to the geometry
    double maxGap = 0.0;        // geometry to the lit segments
};

// The geometry sampled densely by curve parameter: independent of the
// importer's flattening (and of Qt's, which misses curves that double back
// along their chord).
std::vector<QPolygonF> sampled(const QPainterPath &path, bool close)
{
    std::vector<QPolygonF> polys;
    QPolygonF cur;
    auto flush = [&]() {
        if (cur.size() > 1) {
            if (close && cur.first() != cur.last())
                cur.append(cur.first());
            polys.push_back(cur);
        }
        cur.clear();
    };
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isMoveTo()) {
            flush();
            cur.append(e);
        } else if (e.isLineTo()) {
            cur.append(e);
        } else if (e.isCurveTo() && i + 2 < path.elementCount() && !cur.isEmpty()) {
            const QPointF p0 = cur.last(), p1 = e, p2 = path.elementAt(i + 1), p3 = path.elementAt(i + 2);
            for (int k = 1; k <= 256; ++k) {
                const double t = k / 256.0, u = 1 - t;
                cur.append(p0 * (u * u * u) + p1 * (3 * u * u * t) + p2 * (3 * u * t * t) + p3 * (t * t * t));
            }
            i += 2;
        }
    }
    flush();
    return polys;
}

Fidelity fidelity(const SvgDrawing &d, const IldFrame &f)
{
    Fidelity r;
    SegmentGrid geometry, lit;
    std::vector<QPolygonF> polys;
    for (const SvgShape &s : d.shapes)
        for (const QPolygonF &poly : sampled(s.path, s.filled)) {
            for (int i = 1; i < poly.size(); ++i)
                geometry.add(poly[i - 1], poly[i]);
            if (poly.size() == 1)
                geometry.add(poly[0], poly[0]);
            polys.push_back(poly);
        }
    for (size_t i = 0; i < f.vertices.size(); ++i) {
        const IldVertex &v = f.vertices[i];
        if (v.isBlanked())
            continue;
        const QPointF p(v.x, v.y);
        r.maxPointError = std::max(r.maxPointError, geometry.nearest(p, 400.0));
        if (i > 0)
            lit.add(QPointF(f.vertices[i - 1].x, f.vertices[i - 1].y), p);
    }
    for (const QPolygonF &poly : polys)
        for (int i = 0; i < poly.size(); ++i) {
            const QPointF a = poly[i], b = poly[std::min(i + 1, int(poly.size()) - 1)];
            const int samples = std::max(1, int(dist(a, b) / 32.0));
            for (int k = 0; k < samples; ++k)
                if (std::abs((a + (b - a) * (double(k) / samples)).x()) <= 32767 &&
                    std::abs((a + (b - a) * (double(k) / samples)).y()) <= 32767) // cut off at the edge
                    r.maxGap = std::max(r.maxGap, lit.nearest(a + (b - a) * (double(k) / samples), 800.0));
        }
    return r;
}

void fidelityAndTravel(const QStringList &folders)
{
    QStringList files;
    for (const QString &folder : folders) {
        QDirIterator it(folder, {QStringLiteral("*.svg")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
    }
    files.sort();
    const double width = FrameWidth;
    int used = 0, pointFails = 0, gapFails = 0, longer = 0, withTravel = 0;
    double worstPoint = 0, worstGap = 0, ratioDoc = 0, ratioRef = 0, sumOurs = 0, sumDoc = 0, sumRef = 0;
    OptimizerOptions o;
    o.budget = 65535;
    for (const QString &file : qAsConst(files)) {
        const SvgDrawing d = readSvg(file, 0.0);
        if (!d.ok || d.shapes.empty())
            continue;
        const std::vector<Stroke> strokes = svgStrokes(d);
        const FrameBuild b = buildFrame(strokes, o);
        if (!b.fits || b.frame.vertices.empty())
            continue;
        ++used;
        const Fidelity fid = fidelity(d, b.frame);
        worstPoint = std::max(worstPoint, fid.maxPointError);
        worstGap = std::max(worstGap, fid.maxGap);
        pointFails += fid.maxPointError > 0.001 * width;
        gapFails += fid.maxGap > 0.005 * width;
        if (fid.maxPointError > 0.001 * width || fid.maxGap > 0.005 * width)
            out() << "  over: " << file << " point " << std::min(fid.maxPointError, 1e9) / width * 100 << " %, gap "
                  << std::min(fid.maxGap, 1e9) / width * 100 << " %\n";

        OptimizerOptions keep = o;
        keep.reorder = false;
        const double doc = blankedTravel(buildFrame(strokes, keep).frame);
        const double ours = blankedTravel(b.frame);
        const double ref = referenceTravel(prepareStrokes(strokes));
        sumOurs += ours;
        sumDoc += doc;
        sumRef += ref;
        if (doc > 0) {
            ++withTravel;
            ratioDoc += ours / doc;
            ratioRef += ref > 0 ? ours / ref : 1.0;
        }
        longer += ours > ref + 1.0;
    }
    out() << "fidelity: " << used << " SVG files of " << files.size() << " (budget 65535)\n"
          << "  worst lit point to geometry: " << worstPoint / width * 100 << " % of the width (goal <= 0.1 %), "
          << pointFails << " files over\n"
          << "  worst geometry to lit segment: " << worstGap / width * 100 << " % (goal <= 0.5 %), " << gapFails
          << " files over\n";
    out() << "travel over " << withTravel << " files with blanked moves:\n"
          << "  optimised / document order: mean " << (withTravel ? ratioDoc / withTravel * 100 : 0) << " %, total "
          << (sumDoc > 0 ? sumOurs / sumDoc * 100 : 0) << " % (goal <= 60 %)\n"
          << "  optimised / nearest neighbour + 2-opt: mean " << (withTravel ? ratioRef / withTravel * 100 : 0)
          << " %, total " << (sumRef > 0 ? sumOurs / sumRef * 100 : 0) << " %, " << longer
          << " files longer (goal: none)\n";
    out().flush();
}

// About 1 MB of paths, circles and curves in several colours.
QByteArray bigSvg()
{
    QRandomGenerator rng(7);
    QByteArray svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 1000 1000\">\n";
    const char *colours[] = {"#ff0000", "#00ff00", "#0000ff", "#ffff00"};
    while (svg.size() < 1000 * 1000) {
        const int x = rng.bounded(1000), y = rng.bounded(1000);
        switch (rng.bounded(3)) {
        case 0:
            svg += QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"none\" stroke=\"%4\"/>\n")
                       .arg(x)
                       .arg(y)
                       .arg(2 + rng.bounded(20))
                       .arg(colours[rng.bounded(4)])
                       .toUtf8();
            break;
        case 1:
            svg += QStringLiteral("<path d=\"M%1 %2 C%3 %4 %5 %6 %7 %8\" fill=\"none\" stroke=\"%9\"/>\n")
                       .arg(x)
                       .arg(y)
                       .arg(x + rng.bounded(40))
                       .arg(y - 20)
                       .arg(x + 20)
                       .arg(y + rng.bounded(40))
                       .arg(x + 40)
                       .arg(y)
                       .arg(colours[rng.bounded(4)])
                       .toUtf8();
            break;
        default:
            svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\"/>\n")
                       .arg(x)
                       .arg(y)
                       .arg(1 + rng.bounded(30))
                       .arg(1 + rng.bounded(30))
                       .arg(colours[rng.bounded(4)])
                       .toUtf8();
        }
    }
    return svg + "</svg>\n";
}

std::vector<Stroke> randomStrokes(int count)
{
    QRandomGenerator rng(11);
    std::vector<Stroke> strokes;
    for (int i = 0; i < count; ++i) {
        Stroke st;
        const QPointF c(rng.bounded(60000) - 30000, rng.bounded(60000) - 30000);
        const int n = 2 + int(rng.bounded(6));
        for (int k = 0; k < n; ++k)
            st.points.push_back(c + QPointF(rng.bounded(2000) - 1000, rng.bounded(2000) - 1000));
        st.colors.assign(st.points.size(), qRgb(255, 255, 255));
        st.closed = i % 4 == 0;
        strokes.push_back(st);
    }
    return strokes;
}

// Best of a few runs, in processor time: the build machine is shared, and
// wall time there measures the neighbours as much as this code.
template <typename F> double bestOf(int runs, F f)
{
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < runs; ++i) {
        const std::clock_t start = std::clock();
        f();
        best = std::min(best, double(std::clock() - start) * 1000.0 / CLOCKS_PER_SEC);
    }
    return best;
}

void speed()
{
    const QByteArray svg = bigSvg();
    size_t strokes = 0;
    int points = 0;
    double parse = 0, frame = 0;
    const double import = bestOf(3, [&] {
        const std::clock_t start = std::clock();
        const SvgDrawing d = readSvgData(svg, 0.0);
        const std::vector<Stroke> s = svgStrokes(d);
        parse = double(std::clock() - start) * 1000.0 / CLOCKS_PER_SEC;
        strokes = s.size();
        points = buildFrame(s, OptimizerOptions()).frame.vertexCount();
        frame = double(std::clock() - start) * 1000.0 / CLOCKS_PER_SEC - parse;
    });
    out() << "import of a " << svg.size() / 1000 << " kB SVG (" << strokes << " strokes, " << points
          << " points in the budget): " << import
          << " ms processor time (goal < 500 ms; last run: reading and flattening " << parse
          << " ms, optimising and fitting " << frame << " ms)\n";
    const std::vector<Stroke> many = randomStrokes(2000);
    double before = travelLength(many), after = 0.0;
    const double plan = bestOf(3, [&] { after = travelLength(applyPlan(many, planPath(many))); });
    const double whole = bestOf(3, [&] {
        OptimizerOptions o;
        o.budget = 65535;
        buildFrame(many, o);
    });
    out() << "optimising 2000 strokes (processor time): order " << plan << " ms, whole frame " << whole
          << " ms (goal < 200 ms); travel " << before / 1000 << "k -> " << after / 1000 << "k units\n";
    out().flush();
}

// Inputs that once made the neighbour search degenerate: many strokes on top
// of one another, and a long line of letters.
void crowds()
{
    for (const int count : {32 * 1024, 64 * 1024, 128 * 1024, 1024 * 1024}) {
        Stroke one;
        one.points = {QPointF(-1000, 0), QPointF(1000, 500)};
        one.colors.assign(2, qRgb(255, 255, 255));
        const std::vector<Stroke> copies(size_t(count), one);
        const double ms = bestOf(count > 200000 ? 1 : 2, [&] { buildFrame(copies, OptimizerOptions()); });
        out() << "optimising " << count << " coincident strokes into one frame: " << ms << " ms"
              << (count == 64 * 1024 ? " (goal < 2000 ms)" : "") << "\n";
        out().flush();
    }
    const QString letters = QString(QStringLiteral("LASER SHOW ")).repeated(1000).left(10000);
    for (const bool stroke : {true, false}) {
        TextOptions t;
        t.stroke = stroke;
        size_t strokes = 0;
        const double ms = bestOf(1, [&] {
            const TextDrawing d = textStrokes(letters, t);
            strokes = d.strokes.size();
            buildFrame(d.strokes, OptimizerOptions());
        });
        out() << "text of " << letters.size() << " letters (" << (stroke ? "single strokes" : "outlines") << ", "
              << strokes << " strokes) to a frame: " << ms << " ms\n";
        out().flush();
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("beamdeck.*.debug=false\nqt.svg.warning=false"));
    QStringList folders = app.arguments().mid(1);
    if (folders.isEmpty())
        folders = QStringList{QStringLiteral("/usr/share/icons/Adwaita/scalable"),
                              QStringLiteral("/usr/share/icons/hicolor/scalable")};
    fidelityAndTravel(folders);
    speed();
    crowds();
    return 0;
}
