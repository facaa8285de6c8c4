#pragma once

#include <QPointF>
#include <QRgb>

#include <vector>

// One piece of a laser picture drawn without blanking, in ILDA units (+Y up).
// colors[k] is the colour of the segment from points[k] to the next point (a
// closed stroke wraps back to points[0]); both vectors have the same length,
// so the last colour of an open stroke only matters for a single dot.
struct Stroke
{
    std::vector<QPointF> points;
    std::vector<QRgb> colors;
    bool closed = false;

    int segmentCount() const
    {
        const int n = int(points.size());
        return closed ? n : n - 1;
    }
    QPointF entry() const { return points.front(); }
    QPointF exit() const { return closed ? points.front() : points.back(); }
    double length() const;

    // The same drawing travelled the other way round.
    void reverse();
    // A closed stroke started at points[start] instead.
    void rotate(int start);
};
