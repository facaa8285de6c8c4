#pragma once

#include <QPointF>

#include <utility>
#include <vector>

// Numbered items at points in the plane, for "which remaining item is
// nearest" while items are taken away. A balanced k-d tree over the distinct
// points: items at the same point share one entry, so a pile of coincident
// strokes costs one step and clusters cannot make it degenerate. Among
// equally near items the lowest number wins, so answers do not depend on how
// the tree was built.
class PointIndex
{
public:
    // Item i lies at points[i] (one that is not finite, at the centre).
    explicit PointIndex(const std::vector<QPointF> &points);

    // The nearest item still in the index, -1 when none is left.
    int nearest(const QPointF &p);
    // Takes item out of the index (nothing happens when it is out already).
    void remove(int item);
    // Up to k items nearest to p, leaving out item exclude, nearest first.
    void nearestK(const QPointF &p, int k, int exclude, std::vector<int> &out) const;

private:
    struct Site
    {
        QPointF p;
        int first = 0; // its items in m_items[first, first + count), in order
        int count = 0;
        int alive = 0;
        int cursor = 0; // items before first + cursor are all gone
    };

    int build(int lo, int hi);
    void searchNearest(int lo, int hi, const QPointF &p, double &best, int &bestItem);
    void searchK(int lo, int hi, const QPointF &p, int k, int exclude, std::vector<std::pair<double, int>> &best) const;

    std::vector<Site> m_sites;   // in tree order: range [lo, hi) has its node at (lo + hi) / 2
    std::vector<char> m_axis;    // per node: 0 splits on x, 1 on y
    std::vector<int> m_live;     // per node: items still in its range
    std::vector<int> m_items;    // item numbers grouped by site
    std::vector<int> m_siteOf;   // per item
    std::vector<char> m_present; // per item
};
