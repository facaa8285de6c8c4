#include "pathflatten.h"

#include <QLineF>
#include <QPainterPath>
#include <QRectF>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace {

double distToSegment(const QPointF &p, const QPointF &a, const QPointF &b)
{
    const QPointF ab = b - a;
    const double len2 = ab.x() * ab.x() + ab.y() * ab.y();
    double t = len2 > 0 ? ((p.x() - a.x()) * ab.x() + (p.y() - a.y()) * ab.y()) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const QPointF q = a + ab * t;
    return std::hypot(p.x() - q.x(), p.y() - q.y());
}

// The curve stays inside the hull of its control points, so when both inner
// points lie within tolerance of the chord the whole curve does.
void flattenCubic(const QPointF &p0, const QPointF &p1, const QPointF &p2, const QPointF &p3, double tolerance,
                  int depth, std::vector<QPointF> &out)
{
    if (depth >= 18 || std::max(distToSegment(p1, p0, p3), distToSegment(p2, p0, p3)) <= tolerance) {
        out.push_back(p3);
        return;
    }
    const QPointF p01 = (p0 + p1) / 2, p12 = (p1 + p2) / 2, p23 = (p2 + p3) / 2;
    const QPointF p012 = (p01 + p12) / 2, p123 = (p12 + p23) / 2;
    const QPointF mid = (p012 + p123) / 2;
    flattenCubic(p0, p01, p012, mid, tolerance, depth + 1, out);
    flattenCubic(mid, p123, p23, p3, tolerance, depth + 1, out);
}

// Points are counted down from budget as they are added.
void finishSubpath(std::vector<QPointF> &pts, QRgb color, bool closeAll, std::vector<Stroke> &out, qint64 *budget)
{
    // A lone move draws nothing.
    if (pts.size() < 2) {
        pts.clear();
        return;
    }
    if (budget)
        *budget -= qint64(pts.size());
    Stroke st;
    const bool endsAtStart = pts.size() > 2 && QLineF(pts.front(), pts.back()).length() < 1e-6;
    if (endsAtStart)
        pts.pop_back();
    st.closed = (closeAll || endsAtStart) && pts.size() > 2;
    st.points = std::move(pts);
    st.colors.assign(st.points.size(), color);
    out.push_back(std::move(st));
    pts.clear();
}

bool finite(const QPointF &p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

// A little beyond the square, so that a curve just touching it is flattened.
constexpr double Outside = 32768.0 * 1.01;

bool whollyOutside(const QPointF &p0, const QPointF &p1, const QPointF &p2, const QPointF &p3)
{
    const double x0 = std::min({p0.x(), p1.x(), p2.x(), p3.x()}), x1 = std::max({p0.x(), p1.x(), p2.x(), p3.x()});
    const double y0 = std::min({p0.y(), p1.y(), p2.y(), p3.y()}), y1 = std::max({p0.y(), p1.y(), p2.y(), p3.y()});
    return x0 > Outside || x1 < -Outside || y0 > Outside || y1 < -Outside;
}

} // namespace

QTransform fitTransform(const QRectF &box, double margin)
{
    const double side = std::max(box.width(), box.height());
    if (side <= 0)
        return QTransform::fromTranslate(-box.center().x(), box.center().y()) * QTransform::fromScale(1, -1);
    const double k = 2.0 * 32767.0 * (1.0 - margin) / side;
    QTransform t;
    t.scale(k, -k);
    t.translate(-box.center().x(), -box.center().y());
    return t;
}

bool appendPathStrokes(const QPainterPath &path, QRgb color, bool closeAll, double tolerance, std::vector<Stroke> &out,
                       qint64 *budget)
{
    std::vector<QPointF> pts;
    // NaN fails every comparison: it would subdivide every curve to the limit.
    const double tol = tolerance > 0 && std::isfinite(tolerance) ? std::max(tolerance, 1e-3) : DefaultFlattenTolerance;
    const auto spent = [&]() { return budget && *budget - qint64(pts.size()) < 0; };
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            finishSubpath(pts, color, closeAll, out, budget);
            if (finite(e))
                pts.push_back(e);
            break;
        case QPainterPath::LineToElement:
            if (finite(e))
                pts.push_back(e);
            else
                finishSubpath(pts, color, closeAll, out, budget);
            break;
        case QPainterPath::CurveToElement:
            if (i + 2 < path.elementCount()) {
                const QPointF c2 = path.elementAt(i + 1), end = path.elementAt(i + 2);
                i += 2;
                if (!finite(e) || !finite(c2) || !finite(end)) {
                    finishSubpath(pts, color, closeAll, out, budget);
                    if (finite(end))
                        pts.push_back(end);
                } else if (pts.empty() || whollyOutside(pts.back(), e, c2, end)) {
                    pts.push_back(end);
                } else {
                    flattenCubic(pts.back(), e, c2, end, tol, 0, pts);
                }
            }
            break;
        case QPainterPath::CurveToDataElement:
            break;
        }
        if (spent()) {
            pts.clear();
            return false;
        }
    }
    finishSubpath(pts, color, closeAll, out, budget);
    return !budget || *budget >= 0;
}
