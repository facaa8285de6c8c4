#include "stroke.h"

#include <QLineF>

#include <algorithm>

double Stroke::length() const
{
    double sum = 0.0;
    const int n = int(points.size());
    for (int k = 0; k < segmentCount(); ++k)
        sum += QLineF(points[size_t(k)], points[size_t((k + 1) % n)]).length();
    return sum;
}

void Stroke::reverse()
{
    const int n = int(points.size());
    if (n < 2)
        return;
    std::reverse(points.begin(), points.end());
    // Each segment keeps its colour: segment k of the reversed stroke is
    // segment n-2-k of the original (wrapping for a closed one).
    std::vector<QRgb> c(static_cast<size_t>(n));
    for (int k = 0; k < n - 1; ++k)
        c[size_t(k)] = colors[size_t(n - 2 - k)];
    c[size_t(n - 1)] = closed ? colors[size_t(n - 1)] : c[size_t(n - 2)];
    colors.swap(c);
}

void Stroke::rotate(int start)
{
    if (!closed || start <= 0 || start >= int(points.size()))
        return;
    std::rotate(points.begin(), points.begin() + start, points.end());
    std::rotate(colors.begin(), colors.begin() + start, colors.end());
}
