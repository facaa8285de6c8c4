#include "pathoptimizer.h"

#include "colorresolve.h"
#include "contentlog.h"
#include "pointindex.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

namespace {

constexpr double Epsilon = 1e-6;
constexpr int NeighbourCount = 10;
constexpr int MaxRounds = 3;

double dist(const QPointF &a, const QPointF &b)
{
    const double dx = a.x() - b.x(), dy = a.y() - b.y();
    return std::sqrt(dx * dx + dy * dy);
}

// Counts the work done and tells the caller every so often; remembers a
// cancel. A unit is a small, even piece of work (a point looked at, a stroke
// placed), so reports come often enough for the bar and the cancel button.
class Ticker
{
public:
    explicit Ticker(const ProgressCallback &progress) : m_progress(progress) {}
    void addTotal(qint64 units) { m_total += units; }
    // False once cancelled.
    bool tick(qint64 units = 1)
    {
        m_done += units;
        if (m_cancelled || !m_progress || m_done < m_next)
            return !m_cancelled;
        m_next = m_done + Interval;
        m_cancelled = !m_progress(std::min(m_done, m_total), m_total);
        return !m_cancelled;
    }
    bool cancelled() const { return m_cancelled; }

private:
    static constexpr qint64 Interval = 4096;
    const ProgressCallback &m_progress;
    qint64 m_done = 0;
    qint64 m_total = 0;
    qint64 m_next = 0;
    bool m_cancelled = false;
};

// Working state of one planning run. Each stroke has two end nodes (2s the
// first point, 2s+1 the last); a closed stroke has one, its current start.
class Planner
{
public:
    Planner(const std::vector<Stroke> &strokes, Ticker &ticker)
        : m_strokes(strokes), m_n(int(strokes.size())), m_pos(size_t(m_n)), m_rev(size_t(m_n), 0),
          m_start(size_t(m_n), 0), m_ticker(ticker)
    {}

    // What one run costs in ticks, about.
    static qint64 units(const std::vector<Stroke> &strokes)
    {
        qint64 u = 0;
        for (const Stroke &st : strokes)
            u += 4 + (st.closed ? qint64(st.points.size()) * (MaxRounds + 1) : 0);
        return u;
    }

    // pinStarts: the first pass enters closed strokes where they begin.
    // Empty when cancelled.
    std::vector<PathStep> run(bool pinStarts)
    {
        m_pinStarts = pinStarts;
        nearestNeighbour();
        // Neighbours are found once: closed strokes that change their start
        // later keep their old neighbours, which still point the right way.
        buildNeighbours();
        // 2-opt rarely needs more than a few passes; a bound on its work
        // keeps a pathological drawing from taking quadratic time.
        m_workLeft = 64 * qint64(m_n) + 1000000;
        for (int round = 0; round < MaxRounds && !m_ticker.cancelled(); ++round) {
            twoOpt();
            if (!improveStarts())
                break;
        }
        if (m_ticker.cancelled())
            return {};
        std::vector<PathStep> plan;
        plan.reserve(size_t(m_n));
        for (int s : m_order)
            plan.push_back({s, m_rev[size_t(s)] != 0, m_start[size_t(s)]});
        return plan;
    }

private:
    const std::vector<Stroke> &m_strokes;
    int m_n;
    std::vector<int> m_order;
    std::vector<int> m_pos;
    std::vector<char> m_rev;
    std::vector<int> m_start;
    std::vector<std::vector<int>> m_neigh; // per node, nearest nodes first
    bool m_pinStarts = false;
    Ticker &m_ticker;
    qint64 m_workLeft = 0;

    bool closed(int s) const { return m_strokes[size_t(s)].closed; }
    QPointF nodePoint(int node) const
    {
        const Stroke &st = m_strokes[size_t(node / 2)];
        if (st.closed)
            return st.points[size_t(m_start[size_t(node / 2)])];
        return node % 2 ? st.points.back() : st.points.front();
    }
    int entNode(int s) const { return closed(s) ? 2 * s : 2 * s + (m_rev[size_t(s)] ? 1 : 0); }
    int extNode(int s) const { return closed(s) ? 2 * s : 2 * s + (m_rev[size_t(s)] ? 0 : 1); }
    QPointF entAt(int j) const { return nodePoint(entNode(m_order[size_t(j)])); }
    QPointF extAt(int j) const { return nodePoint(extNode(m_order[size_t(j)])); }

    // Nearest unused stroke end (or any point of a closed stroke) from the
    // current position; among equally near ones the first in document order.
    void nearestNeighbour()
    {
        struct Candidate
        {
            int stroke;
            int index; // point of a closed stroke, or 0 front / 1 back
        };
        std::vector<Candidate> cands;
        std::vector<QPointF> at;
        std::vector<int> first(size_t(m_n) + 1); // candidates of stroke s: [first[s], first[s + 1])
        for (int s = 0; s < m_n; ++s) {
            first[size_t(s)] = int(cands.size());
            const Stroke &st = m_strokes[size_t(s)];
            if (st.closed) {
                for (size_t k = 0; k < (m_pinStarts ? 1 : st.points.size()); ++k) {
                    cands.push_back({s, int(k)});
                    at.push_back(st.points[k]);
                }
            } else {
                cands.push_back({s, 0});
                at.push_back(st.points.front());
                cands.push_back({s, 1});
                at.push_back(st.points.back());
            }
        }
        first[size_t(m_n)] = int(cands.size());
        PointIndex index(at);
        m_order.clear();
        // Start where the document starts; 2-opt is free to turn the
        // beginning round.
        QPointF cur = m_strokes[0].entry();
        for (int step = 0; step < m_n; ++step) {
            if (!m_ticker.tick())
                return;
            const Candidate &c = cands[size_t(index.nearest(cur))];
            const int bs = c.stroke;
            for (int k = first[size_t(bs)]; k < first[size_t(bs) + 1]; ++k)
                index.remove(k);
            if (m_strokes[size_t(bs)].closed)
                m_start[size_t(bs)] = c.index;
            else
                m_rev[size_t(bs)] = c.index == 1;
            m_pos[size_t(bs)] = int(m_order.size());
            m_order.push_back(bs);
            cur = nodePoint(extNode(bs));
        }
    }

    // K nearest nodes of every node; equally near ones by number.
    void buildNeighbours()
    {
        m_neigh.assign(size_t(2 * m_n), {});
        if (m_ticker.cancelled())
            return;
        std::vector<int> nodes;
        std::vector<QPointF> at;
        for (int s = 0; s < m_n; ++s) {
            nodes.push_back(2 * s);
            at.push_back(nodePoint(2 * s));
            if (!closed(s)) {
                nodes.push_back(2 * s + 1);
                at.push_back(nodePoint(2 * s + 1));
            }
        }
        const int k = std::min(NeighbourCount, int(nodes.size()) - 1);
        if (k <= 0)
            return;
        const PointIndex index(at);
        std::vector<int> near;
        for (size_t i = 0; i < nodes.size(); ++i) {
            if (i % 2 == 0 && !m_ticker.tick())
                return;
            index.nearestK(at[i], k, int(i), near);
            std::vector<int> &list = m_neigh[size_t(nodes[i])];
            for (int item : near)
                list.push_back(nodes[size_t(item)]);
        }
    }

    void reverseRange(int i, int j)
    {
        m_workLeft -= j - i + 1;
        std::reverse(m_order.begin() + i, m_order.begin() + j + 1);
        for (int k = i; k <= j; ++k) {
            const int s = m_order[size_t(k)];
            m_rev[size_t(s)] ^= 1;
            m_pos[size_t(s)] = k;
        }
    }

    // 2-opt over the open path of blanked moves: reversing positions i..j
    // replaces the moves into i and out of j. Every improving move shortens
    // one of the two moves it removes, so looking at each move's near nodes
    // from both of its ends finds it.
    void twoOpt()
    {
        // The move out of each stroke is looked at again only when a change
        // came near it.
        std::vector<char> active(size_t(m_n), 1);
        auto wake = [&](int position) {
            if (position >= 0 && position < m_n)
                active[size_t(m_order[size_t(position)])] = 1;
        };
        bool improved = true;
        while (improved) {
            improved = false;
            for (int i = 1; i < m_n; ++i) {
                if (--m_workLeft < 0 || !m_ticker.tick())
                    return;
                if (!active[size_t(m_order[size_t(i - 1)])])
                    continue;
                const QPointF u = extAt(i - 1);
                const QPointF v = entAt(i);
                const double duv = dist(u, v);
                int from = -1, to = -1;
                for (int w : m_neigh[size_t(extNode(m_order[size_t(i - 1)]))]) {
                    const double duw = dist(u, nodePoint(w));
                    if (duw >= duv)
                        break;
                    const int s = w / 2;
                    const int j = m_pos[size_t(s)];
                    if (j < i || extNode(s) != w)
                        continue;
                    const double delta =
                        duw - duv + (j < m_n - 1 ? dist(v, entAt(j + 1)) - dist(extAt(j), entAt(j + 1)) : 0.0);
                    if (delta < -Epsilon) {
                        from = i;
                        to = j;
                        break;
                    }
                }
                if (from < 0) {
                    for (int w : m_neigh[size_t(entNode(m_order[size_t(i)]))]) {
                        const double dvw = dist(v, nodePoint(w));
                        if (dvw >= duv)
                            break;
                        const int s = w / 2;
                        const int j = m_pos[size_t(s)];
                        if (j > i - 1 || entNode(s) != w)
                            continue;
                        const double delta =
                            dvw - duv + (j > 0 ? dist(extAt(j - 1), u) - dist(extAt(j - 1), entAt(j)) : 0.0);
                        if (delta < -Epsilon) {
                            from = j;
                            to = i - 1;
                            break;
                        }
                    }
                }
                if (from < 0) {
                    active[size_t(m_order[size_t(i - 1)])] = 0;
                    continue;
                }
                reverseRange(from, to);
                for (int p : {from - 1, from, to, to + 1})
                    wake(p);
                improved = true;
            }
        }
    }

    // A closed stroke is entered and left at the same point: the one closest
    // to both neighbours in the path.
    bool improveStarts()
    {
        bool improved = false;
        for (int j = 0; j < m_n; ++j) {
            const int s = m_order[size_t(j)];
            if (!closed(s))
                continue;
            if (!m_ticker.tick(qint64(m_strokes[size_t(s)].points.size())))
                return false;
            const bool hasPrev = j > 0, hasNext = j < m_n - 1;
            if (!hasPrev && !hasNext)
                continue;
            const QPointF prev = hasPrev ? extAt(j - 1) : QPointF();
            const QPointF next = hasNext ? entAt(j + 1) : QPointF();
            const Stroke &st = m_strokes[size_t(s)];
            auto cost = [&](const QPointF &p) {
                return (hasPrev ? dist(prev, p) : 0.0) + (hasNext ? dist(p, next) : 0.0);
            };
            double best = cost(st.points[size_t(m_start[size_t(s)])]);
            for (size_t k = 0; k < st.points.size(); ++k) {
                const double c = cost(st.points[k]);
                if (c < best - Epsilon) {
                    best = c;
                    m_start[size_t(s)] = int(k);
                    improved = true;
                }
            }
        }
        return improved;
    }
};

qint16 toUnit(double v)
{
    return qint16(std::clamp(std::lround(v), -32767l, 32767l));
}

QPointF lerp(const QPointF &a, const QPointF &b, double t)
{
    return a + (b - a) * t;
}

// Direction change at b on the way a -> b -> c, in degrees.
double turnAngle(const QPointF &a, const QPointF &b, const QPointF &c)
{
    const QPointF u = b - a, v = c - b;
    const double lu = std::hypot(u.x(), u.y()), lv = std::hypot(v.x(), v.y());
    if (lu < Epsilon || lv < Epsilon)
        return 0.0;
    const double cosA = std::clamp((u.x() * v.x() + u.y() * v.y()) / (lu * lv), -1.0, 1.0);
    return std::acos(cosA) * 180.0 / M_PI;
}

// Writes the frame's points (or only counts them when out is null). With
// resample, each run between corners and colour changes is redrawn with
// evenly spaced points instead of keeping every vertex.
class Emitter
{
public:
    Emitter(const OptimizerOptions &o, double step, bool resample, IldFrame *out)
        : m_o(o), m_step(step), m_resample(resample), m_out(out)
    {}
    qint64 count = 0;

    void stroke(const Stroke &st)
    {
        const QPointF q = st.points.front();
        if (m_havePrev) {
            for (int k = 0; k < m_o.dwellOff; ++k)
                push(m_prev, m_prevColor, false);
            const int m = steps(dist(m_prev, q));
            if (!m_out)
                count += m - 1;
            else
                for (int t = 1; t < m; ++t)
                    push(lerp(m_prev, q, double(t) / m), 0, true);
        }
        for (int k = 0; k < std::max(1, m_o.dwellOn); ++k)
            push(q, 0, true);
        push(q, st.colors.front(), false);

        const int n = int(st.points.size());
        const int segs = st.segmentCount();
        auto pt = [&](int k) { return st.points[size_t(k % n)]; };
        auto corner = [&](int k) { // vertex k between segments k-1 and k
            if (!st.closed && (k <= 0 || k >= n - 1))
                return false;
            return turnAngle(pt(k + n - 1), pt(k), pt(k + 1)) > m_o.cornerAngle;
        };
        if (!m_resample) {
            for (int k = 0; k < segs; ++k) {
                const QPointF a = pt(k), b = pt(k + 1);
                const QRgb c = st.colors[size_t(k)];
                const int m = steps(dist(a, b));
                if (!m_out)
                    count += m;
                else
                    for (int t = 1; t <= m; ++t)
                        push(lerp(a, b, double(t) / m), c, false);
                if (k + 1 < segs && corner(k + 1))
                    for (int d = 0; d < m_o.cornerDwell; ++d)
                        push(b, c, false);
            }
        } else {
            int k0 = 0;
            for (int k = 1; k <= segs; ++k) {
                const bool last = k == segs;
                if (!last && !corner(k) && st.colors[size_t(k)] == st.colors[size_t(k - 1)])
                    continue;
                piece(st, k0, k);
                if (!last && corner(k))
                    for (int d = 0; d < m_o.cornerDwell; ++d)
                        push(pt(k), st.colors[size_t(k - 1)], false);
                k0 = k;
            }
        }
        m_prev = st.exit();
        m_prevColor = st.colors[size_t(std::max(0, segs - 1))];
        m_havePrev = true;
    }

    void finish()
    {
        if (m_havePrev)
            for (int k = 0; k < m_o.dwellOff; ++k)
                push(m_prev, m_prevColor, false);
    }

private:
    const OptimizerOptions &m_o;
    double m_step;
    bool m_resample;
    IldFrame *m_out;
    QPointF m_prev;
    QRgb m_prevColor = 0;
    bool m_havePrev = false;

    // Whatever the length (a NaN included), a count an int holds.
    int steps(double length) const
    {
        const double n = std::ceil(length / m_step - 1e-9);
        return n >= 1 ? int(std::min(n, 1e9)) : 1;
    }

    void push(const QPointF &p, QRgb c, bool blanked)
    {
        ++count;
        if (!m_out)
            return;
        IldVertex v;
        v.x = toUnit(p.x());
        v.y = toUnit(p.y());
        v.status = blanked ? IldVertex::Blanked : 0;
        if (!blanked) {
            v.r = quint8(qRed(c));
            v.g = quint8(qGreen(c));
            v.b = quint8(qBlue(c));
        }
        m_out->vertices.push_back(v);
    }

    // Vertices k0..k1 (wrapping) redrawn with evenly spaced points.
    void piece(const Stroke &st, int k0, int k1)
    {
        const int n = int(st.points.size());
        double total = 0.0;
        for (int k = k0; k < k1; ++k)
            total += dist(st.points[size_t(k % n)], st.points[size_t((k + 1) % n)]);
        const QRgb c = st.colors[size_t(k0)];
        const int m = steps(total);
        if (!m_out) {
            count += m;
            return;
        }
        int seg = k0;
        double before = 0.0; // length up to the start of seg
        for (int t = 1; t <= m; ++t) {
            const double s = total * t / m;
            double len = dist(st.points[size_t(seg % n)], st.points[size_t((seg + 1) % n)]);
            while (seg < k1 - 1 && before + len < s) {
                before += len;
                ++seg;
                len = dist(st.points[size_t(seg % n)], st.points[size_t((seg + 1) % n)]);
            }
            const QPointF a = st.points[size_t(seg % n)], b = st.points[size_t((seg + 1) % n)];
            push(t == m ? st.points[size_t(k1 % n)] : lerp(a, b, len > 0 ? (s - before) / len : 1.0), c, false);
        }
    }
};

// Points of the frame, written to out when given (then at most limit of
// them: a frame holds no more); -1 when cancelled.
qint64 emitFrame(const std::vector<Stroke> &ordered, const OptimizerOptions &o, double step, bool resample,
                 IldFrame *out, Ticker &ticker, int limit = IldFrame::MaxPoints)
{
    Emitter e(o, step, resample, out);
    for (const Stroke &st : ordered) {
        if (!ticker.tick(qint64(st.points.size())))
            return -1;
        e.stroke(st);
        if (out && int(out->vertices.size()) > limit)
            break;
    }
    e.finish();
    if (out && int(out->vertices.size()) > limit)
        out->vertices.resize(size_t(limit));
    return e.count;
}

// Half a unit of slack: points on the edge come out of the mapping with
// rounding noise and are rounded onto it anyway.
constexpr double Edge = 32767.5;

bool inside(const QPointF &p)
{
    return std::abs(p.x()) <= Edge && std::abs(p.y()) <= Edge;
}

// Liang-Barsky: the part of a -> b inside the square as parameters t0 <= t1.
bool clipParams(const QPointF &a, const QPointF &b, double &t0, double &t1)
{
    t0 = 0.0;
    t1 = 1.0;
    const double d[2] = {b.x() - a.x(), b.y() - a.y()};
    const double p0[2] = {a.x(), a.y()};
    for (int axis = 0; axis < 2; ++axis) {
        for (const double side : {-1.0, 1.0}) {
            // inside when side * (p0 + t d) <= Edge
            const double num = Edge - side * p0[axis];
            const double den = side * d[axis];
            if (std::abs(den) < 1e-12) {
                if (num < 0)
                    return false;
                continue;
            }
            const double t = num / den;
            if (den > 0)
                t1 = std::min(t1, t);
            else
                t0 = std::max(t0, t);
        }
    }
    return t0 <= t1;
}

// The part of a segment inside the square; startCut/endCut say whether the
// ends were cut off.
struct ClippedSegment
{
    QPointF from, to;
    bool startCut = false, endCut = false;
};

// Beyond this, a + (b - a) * t loses the square's units in the rounding of
// the far ends (a diagonal from -1e20 to +1e20 would shrink to a dot).
constexpr double FarOff = 1e7;

bool clipSegment(const QPointF &a, const QPointF &b, ClippedSegment &c)
{
    const double s = std::max({std::abs(a.x()), std::abs(a.y()), std::abs(b.x()), std::abs(b.y())});
    if (s <= FarOff) {
        double t0 = 0, t1 = 0;
        if (!clipParams(a, b, t0, t1))
            return false;
        c.from = a + (b - a) * t0;
        c.to = a + (b - a) * t1;
        c.startCut = t0 > 0.0;
        c.endCut = t1 < 1.0;
        return true;
    }
    // Measure along the line from its point nearest the centre, in units
    // scaled down by s, where the precision is.
    const QPointF a1 = a / s, d1 = b / s - a1;
    const double len2 = d1.x() * d1.x() + d1.y() * d1.y();
    if (!(len2 > 0))
        return false;
    const double tc = -(a1.x() * d1.x() + a1.y() * d1.y()) / len2;
    const QPointF centre = (a1 + d1 * tc) * s;
    double u0 = -tc, u1 = 1.0 - tc; // along the line from centre, in steps of b - a
    const double cs[2] = {centre.x(), centre.y()};
    const double ds[2] = {d1.x() * s, d1.y() * s};
    for (int axis = 0; axis < 2; ++axis) {
        if (std::abs(ds[axis]) < 1e-12) {
            if (std::abs(cs[axis]) > Edge)
                return false;
            continue;
        }
        double lo = (-Edge - cs[axis]) / ds[axis], hi = (Edge - cs[axis]) / ds[axis];
        if (lo > hi)
            std::swap(lo, hi);
        u0 = std::max(u0, lo);
        u1 = std::min(u1, hi);
    }
    if (!(u0 <= u1))
        return false;
    c.from = QPointF(cs[0] + ds[0] * u0, cs[1] + ds[1] * u0);
    c.to = QPointF(cs[0] + ds[0] * u1, cs[1] + ds[1] * u1);
    c.startCut = u0 > -tc;
    c.endCut = u1 < 1.0 - tc;
    return true;
}

bool finite(const QPointF &p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

// What lies outside the ILDA square is cut off, as the SVG viewport does;
// a closed stroke that crosses the edge becomes open pieces.
void clipStroke(const Stroke &st, std::vector<Stroke> &out)
{
    if (std::all_of(st.points.begin(), st.points.end(), inside)) {
        out.push_back(st);
        return;
    }
    const int n = int(st.points.size());
    std::vector<Stroke> runs;
    Stroke cur;
    auto flush = [&]() {
        if (cur.points.size() > 1)
            runs.push_back(std::move(cur));
        cur = Stroke();
    };
    if (n == 1)
        return;
    for (int k = 0; k < st.segmentCount(); ++k) {
        const QPointF a = st.points[size_t(k)], b = st.points[size_t((k + 1) % n)];
        const QRgb c = st.colors[size_t(k)];
        ClippedSegment seg;
        if (!clipSegment(a, b, seg)) {
            flush();
            continue;
        }
        if (cur.points.empty() || seg.startCut) {
            flush();
            cur.points.push_back(seg.from);
            cur.colors.push_back(c);
        }
        cur.colors.back() = c;
        cur.points.push_back(seg.to);
        cur.colors.push_back(c);
        if (seg.endCut)
            flush();
    }
    flush();
    // A closed stroke whose start is inside: its last run continues into the first.
    if (st.closed && runs.size() > 1 && inside(st.points.front()) &&
        runs.back().points.back() == runs.front().points.front()) {
        Stroke &last = runs.back();
        last.colors.pop_back();
        last.points.pop_back();
        last.points.insert(last.points.end(), runs.front().points.begin(), runs.front().points.end());
        last.colors.insert(last.colors.end(), runs.front().colors.begin(), runs.front().colors.end());
        runs.erase(runs.begin());
    }
    for (Stroke &r : runs)
        out.push_back(std::move(r));
}

// A point that is not finite (an overflowing transform) cannot be drawn or
// clipped: the stroke is cut there, and the finite pieces go on.
void clipFinite(const Stroke &st, std::vector<Stroke> &out)
{
    const int n = int(st.points.size());
    int bad = -1;
    for (int k = 0; k < n && bad < 0; ++k)
        if (!finite(st.points[size_t(k)]))
            bad = k;
    if (bad < 0) {
        clipStroke(st, out);
        return;
    }
    // A closed stroke is walked round from just after a bad point.
    const int begin = st.closed ? bad + 1 : 0;
    Stroke piece;
    auto flush = [&]() {
        if (piece.points.size() > 1)
            clipStroke(piece, out);
        piece = Stroke();
    };
    for (int i = 0; i < n; ++i) {
        const size_t k = size_t((begin + i) % n);
        if (!finite(st.points[k])) {
            flush();
            continue;
        }
        piece.points.push_back(st.points[k]);
        piece.colors.push_back(st.colors[k]);
    }
    flush();
}

// Clips to the square and drops repeated points so that every segment has a length; a closed stroke
// does not repeat its first point at the end.
} // namespace

std::vector<Stroke> prepareStrokes(const std::vector<Stroke> &strokes)
{
    std::vector<Stroke> clipped;
    for (const Stroke &st : strokes)
        if (!st.points.empty() && st.colors.size() == st.points.size())
            clipFinite(st, clipped);
    std::vector<Stroke> out;
    for (const Stroke &st : clipped) {
        Stroke c;
        c.closed = st.closed;
        for (size_t k = 0; k < st.points.size(); ++k) {
            if (!c.points.empty() && dist(c.points.back(), st.points[k]) < Epsilon) {
                c.colors.back() = st.colors[k];
                continue;
            }
            c.points.push_back(st.points[k]);
            c.colors.push_back(st.colors[k]);
        }
        if (c.closed && c.points.size() > 1 && dist(c.points.back(), c.points.front()) < Epsilon) {
            c.points.pop_back();
            c.colors.pop_back();
        }
        if (c.points.size() < 3)
            c.closed = c.closed && c.points.size() > 2;
        out.push_back(std::move(c));
    }
    return out;
}

namespace {

// Empty when cancelled.
std::vector<PathStep> plan(const std::vector<Stroke> &strokes, Ticker &ticker)
{
    if (strokes.empty())
        return {};
    // Two starts, the better one wins: nearest neighbour entering closed
    // strokes anywhere usually leads further, but not always. Large drawings
    // take the first only, for time.
    const bool twice = strokes.size() <= 4000;
    ticker.addTotal(Planner::units(strokes) * (twice ? 2 : 1));
    std::vector<PathStep> best = Planner(strokes, ticker).run(false);
    if (twice && !ticker.cancelled()) {
        std::vector<PathStep> other = Planner(strokes, ticker).run(true);
        if (ticker.cancelled())
            return {};
        if (travelLength(applyPlan(strokes, other)) < travelLength(applyPlan(strokes, best)))
            best.swap(other);
    }
    return best;
}

} // namespace

std::vector<PathStep> planPath(const std::vector<Stroke> &strokes, const ProgressCallback &progress)
{
    Ticker ticker(progress);
    return plan(strokes, ticker);
}

std::vector<Stroke> applyPlan(const std::vector<Stroke> &strokes, const std::vector<PathStep> &plan)
{
    std::vector<Stroke> out;
    out.reserve(plan.size());
    for (const PathStep &p : plan) {
        Stroke st = strokes[size_t(p.stroke)];
        // A closed stroke keeps its drawing direction: only its start counts.
        st.rotate(p.start);
        if (p.reversed && !st.closed)
            st.reverse();
        out.push_back(std::move(st));
    }
    return out;
}

double travelLength(const std::vector<Stroke> &ordered)
{
    double sum = 0.0;
    for (size_t k = 1; k < ordered.size(); ++k)
        sum += dist(ordered[k - 1].exit(), ordered[k].entry());
    return sum;
}

FrameBuild buildFrame(const std::vector<Stroke> &strokes, const OptimizerOptions &options,
                      const ProgressCallback &progress)
{
    FrameBuild r;
    r.frame.format = 5;
    r.frame.check = true;
    // Counts beyond what a frame holds only make the work longer.
    OptimizerOptions o = options;
    for (int *n : {&o.dwellOff, &o.dwellOn, &o.cornerDwell})
        *n = std::clamp(*n, 0, int(IldFrame::MaxPoints));
    const int budget = std::clamp(o.budget, 1, int(IldFrame::MaxPoints));
    // NaN is no step: the longest one wins then.
    const double step = std::isnan(o.maxStep) ? 2.0 * 65535.0 : std::clamp(o.maxStep, 1.0, 2.0 * 65535.0);

    Ticker ticker(progress);
    std::vector<Stroke> ordered = prepareStrokes(strokes);
    qint64 points = 0;
    for (const Stroke &st : ordered)
        points += qint64(st.points.size());
    // Two passes over the points to count and write, a few dozen more when
    // the step must grow.
    ticker.addTotal(4 * points);
    if (o.reorder) {
        const std::vector<PathStep> p = plan(ordered, ticker);
        if (ticker.cancelled()) {
            r.cancelled = true;
            r.message = QStringLiteral("cancelled");
            return r;
        }
        ordered = applyPlan(ordered, p);
    }
    r.travel = travelLength(ordered);
    const auto cancelled = [&]() {
        r.cancelled = true;
        r.frame.vertices.clear();
        r.message = QStringLiteral("cancelled");
        return r;
    };
    const qint64 needed = emitFrame(ordered, o, step, false, nullptr, ticker);
    if (needed < 0)
        return cancelled();
    r.pointsNeeded = int(std::min<qint64>(needed, INT_MAX));
    r.step = step;
    if (needed <= budget) {
        if (emitFrame(ordered, o, step, false, &r.frame, ticker) < 0)
            return cancelled();
    } else {
        // The longest step any frame can need: a jump across the square.
        double lo = step, hi = 2.0 * 65535.0;
        const qint64 longest = emitFrame(ordered, o, hi, true, nullptr, ticker);
        if (longest < 0)
            return cancelled();
        if (longest > budget) {
            r.fits = false;
            r.step = hi;
        } else {
            for (int it = 0; it < 40 && hi - lo > 0.5; ++it) {
                ticker.addTotal(points);
                const double mid = (lo + hi) / 2;
                const qint64 n = emitFrame(ordered, o, mid, true, nullptr, ticker);
                if (n < 0)
                    return cancelled();
                (n <= budget ? hi : lo) = mid;
            }
            r.step = hi;
        }
        if (emitFrame(ordered, o, r.step, true, &r.frame, ticker) < 0)
            return cancelled();
        if (!r.fits) {
            r.message =
                QStringLiteral("frame needs %1 points even with the longest step, budget %2").arg(longest).arg(budget);
            qCDebug(lcContent) << "{buildFrame}" << r.message;
        }
    }
    if (r.frame.vertices.empty()) {
        // Nothing to draw: one blanked point keeps the frame a valid, dark one.
        IldVertex v;
        v.status = IldVertex::Blanked;
        r.frame.vertices.push_back(v);
        r.message = QStringLiteral("nothing to draw: a dark frame");
    }
    r.frame.pointCount = quint16(std::min(r.frame.vertexCount(), int(IldFrame::MaxPoints)));
    return r;
}

std::vector<Stroke> strokesFromFrame(const IldFrame &frame, const ColorContext &colors)
{
    std::vector<Stroke> out;
    Stroke cur;
    auto close = [&]() {
        if (cur.points.empty())
            return;
        if (cur.points.size() > 3 && dist(cur.points.front(), cur.points.back()) < Epsilon) {
            cur.points.pop_back();
            cur.colors.pop_back();
            cur.closed = true;
        }
        out.push_back(std::move(cur));
        cur = Stroke();
    };
    QPointF prev;
    bool havePrev = false;
    for (const IldVertex &v : frame.vertices) {
        const QPointF p(v.x, v.y);
        if (v.isBlanked()) {
            close();
        } else {
            const QRgb c = frame.format <= 3 ? storedIndexColor(colors, frame.format, v) : qRgb(v.r, v.g, v.b);
            if (cur.points.empty()) {
                cur.points.push_back(havePrev ? prev : p);
                cur.colors.push_back(c);
            }
            if (dist(cur.points.back(), p) < Epsilon) {
                if (cur.points.size() == 1)
                    cur.colors.back() = c;
            } else {
                cur.colors.back() = c;
                cur.points.push_back(p);
                cur.colors.push_back(c);
            }
        }
        prev = p;
        havePrev = true;
    }
    close();
    return out;
}
