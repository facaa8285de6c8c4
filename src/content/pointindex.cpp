#include "pointindex.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace {

double dist2(const QPointF &a, const QPointF &b)
{
    const double dx = a.x() - b.x(), dy = a.y() - b.y();
    return dx * dx + dy * dy;
}

double coord(const QPointF &p, int axis)
{
    return axis == 0 ? p.x() : p.y();
}

} // namespace

PointIndex::PointIndex(const std::vector<QPointF> &given) : m_siteOf(given.size()), m_present(given.size(), 1)
{
    // A point that is not finite would break the ordering below; it is kept
    // at the centre instead.
    std::vector<QPointF> points(given);
    for (QPointF &p : points)
        if (!std::isfinite(p.x()) || !std::isfinite(p.y()))
            p = QPointF();
    // Items sorted by place and then by number: equal places become one site.
    m_items.resize(points.size());
    std::iota(m_items.begin(), m_items.end(), 0);
    std::sort(m_items.begin(), m_items.end(), [&](int a, int b) {
        const QPointF &p = points[size_t(a)], &q = points[size_t(b)];
        if (p.x() != q.x())
            return p.x() < q.x();
        if (p.y() != q.y())
            return p.y() < q.y();
        return a < b;
    });
    for (size_t i = 0; i < m_items.size(); ++i) {
        const QPointF &p = points[size_t(m_items[i])];
        if (m_sites.empty() || m_sites.back().p != p) {
            Site s;
            s.p = p;
            s.first = int(i);
            m_sites.push_back(s);
        }
        ++m_sites.back().count;
        ++m_sites.back().alive;
    }
    m_axis.assign(m_sites.size(), 0);
    m_live.assign(m_sites.size(), 0);
    build(0, int(m_sites.size()));
    for (size_t s = 0; s < m_sites.size(); ++s)
        for (int k = 0; k < m_sites[s].count; ++k)
            m_siteOf[size_t(m_items[size_t(m_sites[s].first + k)])] = int(s);
}

// Splits on the wider side at the median; returns the items in the range.
int PointIndex::build(int lo, int hi)
{
    if (lo >= hi)
        return 0;
    double x0 = std::numeric_limits<double>::max(), y0 = x0, x1 = -x0, y1 = -x0;
    for (int i = lo; i < hi; ++i) {
        const QPointF &p = m_sites[size_t(i)].p;
        x0 = std::min(x0, p.x());
        x1 = std::max(x1, p.x());
        y0 = std::min(y0, p.y());
        y1 = std::max(y1, p.y());
    }
    const int axis = x1 - x0 >= y1 - y0 ? 0 : 1;
    const int mid = lo + (hi - lo) / 2;
    std::nth_element(m_sites.begin() + lo, m_sites.begin() + mid, m_sites.begin() + hi,
                     [axis](const Site &a, const Site &b) {
                         const double ca = coord(a.p, axis), cb = coord(b.p, axis);
                         if (ca != cb)
                             return ca < cb;
                         return coord(a.p, 1 - axis) < coord(b.p, 1 - axis);
                     });
    m_axis[size_t(mid)] = char(axis);
    const int live = m_sites[size_t(mid)].count + build(lo, mid) + build(mid + 1, hi);
    m_live[size_t(mid)] = live;
    return live;
}

void PointIndex::remove(int item)
{
    if (item < 0 || item >= int(m_present.size()) || !m_present[size_t(item)])
        return;
    m_present[size_t(item)] = 0;
    const int site = m_siteOf[size_t(item)];
    --m_sites[size_t(site)].alive;
    int lo = 0, hi = int(m_sites.size());
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        --m_live[size_t(mid)];
        if (site == mid)
            break;
        if (site < mid)
            hi = mid;
        else
            lo = mid + 1;
    }
}

int PointIndex::nearest(const QPointF &p)
{
    double best = std::numeric_limits<double>::infinity();
    int bestItem = -1;
    searchNearest(0, int(m_sites.size()), p, best, bestItem);
    return bestItem;
}

void PointIndex::searchNearest(int lo, int hi, const QPointF &p, double &best, int &bestItem)
{
    if (lo >= hi)
        return;
    const int mid = lo + (hi - lo) / 2;
    if (m_live[size_t(mid)] == 0)
        return;
    Site &s = m_sites[size_t(mid)];
    if (s.alive > 0) {
        while (!m_present[size_t(m_items[size_t(s.first + s.cursor)])])
            ++s.cursor;
        const int item = m_items[size_t(s.first + s.cursor)];
        const double d = dist2(p, s.p);
        if (d < best || (d == best && item < bestItem)) {
            best = d;
            bestItem = item;
        }
    }
    const int axis = m_axis[size_t(mid)];
    const double diff = coord(p, axis) - coord(s.p, axis);
    // Equal coordinates go either way in the split: both sides are near.
    if (diff < 0) {
        searchNearest(lo, mid, p, best, bestItem);
        if (diff * diff <= best)
            searchNearest(mid + 1, hi, p, best, bestItem);
    } else {
        searchNearest(mid + 1, hi, p, best, bestItem);
        if (diff * diff <= best)
            searchNearest(lo, mid, p, best, bestItem);
    }
}

void PointIndex::nearestK(const QPointF &p, int k, int exclude, std::vector<int> &out) const
{
    out.clear();
    if (k <= 0)
        return;
    std::vector<std::pair<double, int>> best; // sorted, at most k
    best.reserve(size_t(k) + 1);
    searchK(0, int(m_sites.size()), p, k, exclude, best);
    for (const auto &b : best)
        out.push_back(b.second);
}

void PointIndex::searchK(int lo, int hi, const QPointF &p, int k, int exclude,
                         std::vector<std::pair<double, int>> &best) const
{
    if (lo >= hi)
        return;
    const int mid = lo + (hi - lo) / 2;
    if (m_live[size_t(mid)] == 0)
        return;
    const Site &s = m_sites[size_t(mid)];
    const double d = dist2(p, s.p);
    // A site's items are in order of number: once one does not get in,
    // none of the later ones does.
    for (int i = s.first; i < s.first + s.count; ++i) {
        const int item = m_items[size_t(i)];
        if (item == exclude || !m_present[size_t(item)])
            continue;
        const std::pair<double, int> e(d, item);
        if (int(best.size()) == k && !(e < best.back()))
            break;
        if (int(best.size()) == k)
            best.pop_back();
        best.insert(std::upper_bound(best.begin(), best.end(), e), e);
    }
    const int axis = m_axis[size_t(mid)];
    const double diff = coord(p, axis) - coord(s.p, axis);
    const auto far = [&]() { return int(best.size()) < k || diff * diff <= best.back().first; };
    if (diff < 0) {
        searchK(lo, mid, p, k, exclude, best);
        if (far())
            searchK(mid + 1, hi, p, k, exclude, best);
    } else {
        searchK(mid + 1, hi, p, k, exclude, best);
        if (far())
            searchK(lo, mid, p, k, exclude, best);
    }
}
