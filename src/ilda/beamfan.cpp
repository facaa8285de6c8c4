#include "beamfan.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPaintDevice>
#include <QtMath>

#include <algorithm>
#include <vector>
#include <cmath>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// x * a / 255 on all four premultiplied channels at once.
inline uint byteMul(uint x, uint a)
{
    uint t = (x & 0xff00ff) * a;
    t = (t + ((t >> 8) & 0xff00ff) + 0x800080) >> 8;
    t &= 0xff00ff;
    x = ((x >> 8) & 0xff00ff) * a;
    x = (x + ((x >> 8) & 0xff00ff) + 0x800080);
    x &= 0xff00ff00;
    return x | t;
}

// One layer buffer for the whole process (painting happens on the GUI thread
// only); only the part a frame touched is cleared again.
QImage &layerBuffer(const QSize &size)
{
    static QImage buffer;
    if (buffer.size() != size) {
        buffer = QImage(size, QImage::Format_ARGB32_Premultiplied);
        buffer.fill(Qt::transparent);
    }
    return buffer;
}

// Fan alpha as the gradient gives it: 255 at the origin, 50 at 0.5 % of the
// way, 5 at the end, padded beyond. The steep first ramp lies above the
// shallow one exactly up to t = 0.005, so the larger of the two is the
// gradient.
constexpr float RampA = 255.0f, RampASlope = (50.0f - 255.0f) / 0.005f;
constexpr float RampB = 50.0f - (5.0f - 50.0f) / 0.995f * 0.005f, RampBSlope = (5.0f - 50.0f) / 0.995f;

inline int alphaAt(float t)
{
    float a = std::max(RampA + RampASlope * t, RampB + RampBSlope * t);
    a = std::min(std::max(a, 5.0f), 255.0f);
    return int(a + 0.5f);
}

// Source-over of colour src (opaque, premultiplied by each pixel's alpha) on
// n pixels; t is the gradient position of the first pixel, dt its step.
void blendSpan(uint *dst, int n, float t, float dt, uint src)
{
    int x = 0;
#ifdef __SSE2__
    const __m128 rampA = _mm_set1_ps(RampA), slopeA = _mm_set1_ps(RampASlope);
    const __m128 rampB = _mm_set1_ps(RampB), slopeB = _mm_set1_ps(RampBSlope);
    const __m128 lo = _mm_set1_ps(5.0f), hi = _mm_set1_ps(255.0f), half = _mm_set1_ps(0.5f);
    const __m128 step = _mm_set1_ps(4.0f * dt);
    __m128 tv = _mm_setr_ps(t, t + dt, t + 2.0f * dt, t + 3.0f * dt);
    const __m128i zero = _mm_setzero_si128();
    const __m128i c255 = _mm_set1_epi16(255), c128 = _mm_set1_epi16(128);
    const __m128i colour = _mm_unpacklo_epi8(_mm_set1_epi32(int(src)), zero); // 2 pixels, 16 bits a channel
    for (; x + 4 <= n; x += 4) {
        __m128 a = _mm_max_ps(_mm_add_ps(rampA, _mm_mul_ps(slopeA, tv)), _mm_add_ps(rampB, _mm_mul_ps(slopeB, tv)));
        a = _mm_min_ps(_mm_max_ps(a, lo), hi);
        tv = _mm_add_ps(tv, step);
        const __m128i ai = _mm_cvttps_epi32(_mm_add_ps(a, half));
        const __m128i a16 = _mm_packs_epi32(ai, ai);              // a0 a1 a2 a3 a0 a1 a2 a3
        const __m128i pairs = _mm_unpacklo_epi16(a16, a16);       // a0 a0 a1 a1 a2 a2 a3 a3
        const __m128i alo = _mm_unpacklo_epi32(pairs, pairs);     // a0 x4, a1 x4
        const __m128i ahi = _mm_unpackhi_epi32(pairs, pairs);     // a2 x4, a3 x4
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i *>(dst + x));
        __m128i dlo = _mm_unpacklo_epi8(d, zero);
        __m128i dhi = _mm_unpackhi_epi8(d, zero);
        dlo = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(colour, alo), _mm_mullo_epi16(dlo, _mm_sub_epi16(c255, alo))), c128);
        dhi = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(colour, ahi), _mm_mullo_epi16(dhi, _mm_sub_epi16(c255, ahi))), c128);
        dlo = _mm_srli_epi16(_mm_add_epi16(dlo, _mm_srli_epi16(dlo, 8)), 8); // / 255
        dhi = _mm_srli_epi16(_mm_add_epi16(dhi, _mm_srli_epi16(dhi, 8)), 8);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + x), _mm_packus_epi16(dlo, dhi));
    }
#endif
    for (; x < n; ++x) {
        const uint alpha = uint(alphaAt(t + float(x) * dt));
        dst[x] = byteMul(src, alpha) + byteMul(dst[x], 255 - alpha);
    }
}

struct Pt
{
    float x, y;
};

} // namespace

int beamFanAlpha(double t)
{
    double a;
    if (t <= 0.0)
        a = 255.0;
    else if (t < 0.005)
        a = 255.0 + (50.0 - 255.0) * (t / 0.005);
    else if (t < 1.0)
        a = 50.0 + (5.0 - 50.0) * ((t - 0.005) / 0.995);
    else
        a = 5.0;
    return int(a + 0.5);
}

namespace {

// Coverage of n layers of alpha a (0-255): 255 * (1 - (1 - a/255)^n).
const quint8 *coverageTable()
{
    static const std::vector<quint8> table = [] {
        std::vector<quint8> t(256 * 256);
        for (int n = 0; n < 256; ++n)
            for (int a = 0; a < 256; ++a)
                t[size_t(n * 256 + a)] = quint8(std::lround(255.0 * (1.0 - std::pow(1.0 - a / 255.0, n))));
        return t;
    }();
    return table.data();
}

// Fan alpha by position, finely enough for the short bright start.
constexpr int AlphaSteps = 8192;
const quint8 *alphaTable()
{
    static const std::vector<quint8> table = [] {
        std::vector<quint8> t(AlphaSteps + 1);
        for (int i = 0; i <= AlphaSteps; ++i)
            t[size_t(i)] = quint8(beamFanAlpha(double(i) / AlphaSteps));
        return t;
    }();
    return table.data();
}

constexpr double NarrowWidth = 0.1; // in perimeter units (one edge is 2)

} // namespace

bool BeamFanLayer::begin(QPainter *painter, const QPoint &origin, int reach)
{
    m_active = false;
    const QTransform combined = painter->combinedTransform();
    if (combined.type() == QTransform::TxProject || !combined.isInvertible() || reach <= 0)
        return false;
    m_viewport = painter->viewport();
    if (m_viewport.isEmpty())
        return false;
    m_dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    if (m_dpr <= 0)
        m_dpr = 1.0;
    const QSize size(qCeil(m_viewport.width() * m_dpr), qCeil(m_viewport.height() * m_dpr));
    m_layer = &layerBuffer(size);
    m_toLayer = combined * QTransform::fromTranslate(-m_viewport.x(), -m_viewport.y())
        * QTransform::fromScale(m_dpr, m_dpr);
    m_fromLayer = m_toLayer.inverted();
    m_origin = origin;
    m_reach = reach;
    // Bins half a layer pixel wide where the reach square lies.
    const double pixelsPerUnit = double(reach) * std::sqrt(std::abs(m_toLayer.determinant()));
    m_binsPerUnit = std::min(65536.0, std::max(64.0, std::ceil(2.0 * pixelsPerUnit)));
    m_bins.assign(size_t(8 * m_binsPerUnit), Bin());
    m_anyNarrow = false;
    m_wide.clear();
    m_dirty = QRect();
    m_active = true;
    return true;
}

// Position along the reach square of the direction (dx, dy) from the origin,
// counter-clockwise from the bottom-right corner: 0-2 right edge, 2-4 top,
// 4-6 left, 6-8 bottom.
double BeamFanLayer::perimeterPos(double dx, double dy) const
{
    const double m = std::max(std::abs(dx), std::abs(dy));
    if (std::abs(dx) >= std::abs(dy))
        return dx > 0 ? 1.0 + dy / m : 5.0 - dy / m;
    return dy > 0 ? 3.0 - dx / m : 7.0 + dx / m;
}

void BeamFanLayer::addFan(const QPoint &a, const QPoint &b, const QPoint &gradientEnd, QRgb color)
{
    if (!m_active)
        return;
    const QPoint da = a - m_origin, db = b - m_origin;
    if (qint64(da.x()) * db.y() - qint64(da.y()) * db.x() == 0)
        return; // no area
    if (da.isNull() || db.isNull())
        return;
    double ua = perimeterPos(da.x(), da.y());
    double ub = perimeterPos(db.x(), db.y());
    if (ua > ub)
        std::swap(ua, ub);
    const bool sameEdge = std::floor(ua / 2.0) == std::floor(ub / 2.0);
    if (!sameEdge || ub - ua > NarrowWidth) {
        m_wide.push_back({ a, b, gradientEnd, color });
        return;
    }
    // Bins whose centres lie in [ua, ub).
    const int first = std::max(0, int(std::ceil(ua * m_binsPerUnit - 0.5)));
    const int last = std::min(int(m_bins.size()), int(std::ceil(ub * m_binsPerUnit - 0.5)));
    for (int i = first; i < last; ++i) {
        Bin &bin = m_bins[size_t(i)];
        bin.r += qRed(color);
        bin.g += qGreen(color);
        bin.b += qBlue(color);
        ++bin.n;
    }
    if (first < last) {
        m_anyNarrow = true;
        m_dirty |= layerBox(a, b);
    }
}

// Layer pixels that the triangle origin, a, b can touch.
QRect BeamFanLayer::layerBox(const QPoint &a, const QPoint &b) const
{
    const QPointF p[3] = { m_toLayer.map(QPointF(m_origin)), m_toLayer.map(QPointF(a)), m_toLayer.map(QPointF(b)) };
    double x0 = p[0].x(), x1 = x0, y0 = p[0].y(), y1 = y0;
    for (const QPointF &q : p) {
        x0 = std::min(x0, q.x());
        x1 = std::max(x1, q.x());
        y0 = std::min(y0, q.y());
        y1 = std::max(y1, q.y());
    }
    const QRect box(QPoint(int(std::floor(x0)) - 1, int(std::floor(y0)) - 1),
                    QPoint(int(std::ceil(x1)) + 1, int(std::ceil(y1)) + 1));
    return box & m_layer->rect();
}

void BeamFanLayer::fillNarrow()
{
    const int binCount = int(m_bins.size());
    std::vector<quint32> colors(static_cast<size_t>(binCount));
    std::vector<quint8> counts(static_cast<size_t>(binCount));
    for (int i = 0; i < binCount; ++i) {
        const Bin &bin = m_bins[size_t(i)];
        if (bin.n == 0)
            continue;
        colors[size_t(i)] = qRgb(int(bin.r / bin.n), int(bin.g / bin.n), int(bin.b / bin.n));
        counts[size_t(i)] = quint8(std::min<quint32>(bin.n, 255));
    }
    const quint8 *coverage = coverageTable();
    const quint8 *alphas = alphaTable();
    const float toStep = float(AlphaSteps) / float(m_reach);
    const float bpu = float(m_binsPerUnit);
    const float ox = float(m_origin.x()), oy = float(m_origin.y());
    const float sx = float(m_fromLayer.m11()), sy = float(m_fromLayer.m12());
    const int x0 = m_dirty.left(), x1 = m_dirty.right() + 1;
    for (int y = m_dirty.top(); y <= m_dirty.bottom(); ++y) {
        const QPointF start = m_fromLayer.map(QPointF(x0 + 0.5, y + 0.5));
        float dx = float(start.x()) - ox, dy = float(start.y()) - oy;
        uint *row = reinterpret_cast<uint *>(m_layer->scanLine(y));
        for (int x = x0; x < x1; ++x, dx += sx, dy += sy) {
            const float adx = std::abs(dx), ady = std::abs(dy);
            const float m = std::max(adx, ady);
            if (!(m > 0.0f))
                continue;
            const float inv = 1.0f / m;
            float u;
            if (adx >= ady)
                u = dx > 0 ? 1.0f + dy * inv : 5.0f - dy * inv;
            else
                u = dy > 0 ? 3.0f - dx * inv : 7.0f + dx * inv;
            int bin = int(u * bpu);
            bin = bin < 0 ? 0 : (bin >= binCount ? binCount - 1 : bin);
            const uint n = counts[size_t(bin)];
            if (!n)
                continue;
            const float step = m * toStep;
            const uint a = alphas[step >= float(AlphaSteps) ? AlphaSteps : int(step)];
            row[x] = byteMul(colors[size_t(bin)] | 0xff000000u, coverage[n * 256 + a]);
        }
    }
}

// Wide fans get their exact gradient. Their sides follow the same bins as the
// narrow fans so neighbours meet without gaps or double seams; the far side
// is the chord between the two reach points.
void BeamFanLayer::rasterize(const WideFan &fan)
{
    // Gradient position as an affine function of logical offsets from the origin.
    const double gx0 = double(fan.end.x() - m_origin.x());
    const double gy0 = double(fan.end.y() - m_origin.y());
    const double len2 = gx0 * gx0 + gy0 * gy0;
    const float gx = len2 > 0 ? float(gx0 / len2) : 0.0f; // degenerate: start colour everywhere
    const float gy = len2 > 0 ? float(gy0 / len2) : 0.0f;

    const QPoint da = fan.a - m_origin, db = fan.b - m_origin;
    double ua = perimeterPos(da.x(), da.y());
    double ub = perimeterPos(db.x(), db.y());
    if (ua > ub)
        std::swap(ua, ub);
    const bool wraps = ub - ua > 4.0; // the shorter way round passes u = 0
    const int binCount = int(m_bins.size());
    const int first = std::max(0, int(std::ceil(ua * m_binsPerUnit - 0.5)));
    const int last = std::min(binCount, int(std::ceil(ub * m_binsPerUnit - 0.5)));
    // Far side: points on the origin's side of the chord a-b.
    const float cx = float(fan.b.x() - fan.a.x()), cy = float(fan.b.y() - fan.a.y());
    const float ax = float(da.x()), ay = float(da.y());
    const float originSide = (0.0f - ax) * cy - (0.0f - ay) * cx;

    const QRect box = layerBox(fan.a, fan.b);
    if (box.isEmpty())
        return;
    // Rows and spans of the triangle, one pixel wider on each side; the bin
    // test below has the last word on the sides.
    Pt v[3];
    const QPointF m0 = m_toLayer.map(QPointF(m_origin));
    const QPointF m1 = m_toLayer.map(QPointF(fan.a));
    const QPointF m2 = m_toLayer.map(QPointF(fan.b));
    v[0] = { float(m0.x()), float(m0.y()) };
    v[1] = { float(m1.x()), float(m1.y()) };
    v[2] = { float(m2.x()), float(m2.y()) };
    std::sort(v, v + 3, [](const Pt &p, const Pt &q) { return p.y < q.y; });
    const float longDy = std::max(v[2].y - v[0].y, 1e-6f);
    const float longSlope = (v[2].x - v[0].x) / longDy;
    const float upperDy = v[1].y - v[0].y;
    const float lowerDy = v[2].y - v[1].y;
    const float upperSlope = upperDy > 0 ? (v[1].x - v[0].x) / upperDy : 0.0f;
    const float lowerSlope = lowerDy > 0 ? (v[2].x - v[1].x) / lowerDy : 0.0f;
    auto spanAt = [&](float yc, float &xl, float &xr) {
        const float yy = std::min(std::max(yc, v[0].y), v[2].y);
        const float a = v[0].x + (yy - v[0].y) * longSlope;
        const float b = yy < v[1].y ? v[0].x + (yy - v[0].y) * upperSlope : v[1].x + (yy - v[1].y) * lowerSlope;
        xl = std::min(a, b);
        xr = std::max(a, b);
    };

    const float bpu = float(m_binsPerUnit);
    const float ox = float(m_origin.x()), oy = float(m_origin.y());
    const float sx = float(m_fromLayer.m11()), sy = float(m_fromLayer.m12());
    const uint src = fan.color | 0xff000000u;
    QRect touched;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        // Widest span over the pixel row's height.
        float l0, r0, l1, r1, lm, rm;
        spanAt(float(y), l0, r0);
        spanAt(float(y) + 0.5f, lm, rm);
        spanAt(float(y + 1), l1, r1);
        const int xFrom = std::max(box.left(), int(std::floor(std::min({ l0, l1, lm }))) - 1);
        const int xTo = std::min(box.right(), int(std::ceil(std::max({ r0, r1, rm }))) + 1);
        if (xFrom > xTo)
            continue;
        const QPointF start = m_fromLayer.map(QPointF(xFrom + 0.5, y + 0.5));
        const float dx0 = float(start.x()) - ox, dy0 = float(start.y()) - oy;
        uint *row = reinterpret_cast<uint *>(m_layer->scanLine(y));
        int left = -1, right = -1;
        // Pixels this far inside the row's span are inside the fan for sure.
        int innerFrom = int(std::ceil(lm + 1.0f));
        int innerTo = int(std::floor(rm - 2.0f));
        innerFrom = std::max(innerFrom, xFrom);
        innerTo = std::min(innerTo, xTo);
        auto edgePixels = [&](int from, int to) {
            float dx = dx0 + float(from - xFrom) * sx, dy = dy0 + float(from - xFrom) * sy;
            for (int x = from; x <= to; ++x, dx += sx, dy += sy) {
                const float adx = std::abs(dx), ady = std::abs(dy);
                const float m = std::max(adx, ady);
                if (!(m > 0.0f))
                    continue;
                const float inv = 1.0f / m;
                float u;
                if (adx >= ady)
                    u = dx > 0 ? 1.0f + dy * inv : 5.0f - dy * inv;
                else
                    u = dy > 0 ? 3.0f - dx * inv : 7.0f + dx * inv;
                int bin = int(u * bpu);
                bin = bin < 0 ? 0 : (bin >= binCount ? binCount - 1 : bin);
                const bool inside = wraps ? (bin < first || bin >= last) : (bin >= first && bin < last);
                if (!inside)
                    continue;
                const float side = (dx - ax) * cy - (dy - ay) * cx;
                if ((side > 0) != (originSide > 0) && side != 0.0f)
                    continue;
                const uint alpha = uint(alphaAt(dx * gx + dy * gy));
                row[x] = byteMul(src, alpha) + byteMul(row[x], 255 - alpha);
                if (left < 0 || x < left)
                    left = x;
                right = std::max(right, x);
            }
        };
        const float yc = float(y) + 0.5f;
        if (innerFrom <= innerTo && yc > v[0].y + 1.0f && yc < v[2].y - 1.0f) {
            edgePixels(xFrom, innerFrom - 1);
            const float t0 = (dx0 + float(innerFrom - xFrom) * sx) * gx + (dy0 + float(innerFrom - xFrom) * sy) * gy;
            blendSpan(row + innerFrom, innerTo - innerFrom + 1, t0, sx * gx + sy * gy, src);
            left = left < 0 ? innerFrom : std::min(left, innerFrom);
            right = std::max(right, innerTo);
            edgePixels(innerTo + 1, xTo);
        } else {
            edgePixels(xFrom, xTo);
        }
        if (left >= 0)
            touched |= QRect(left, y, right - left + 1, 1);
    }
    m_dirty |= touched;
}

void BeamFanLayer::finish(QPainter *painter)
{
    if (!m_active)
        return;
    m_active = false;
    if (m_anyNarrow)
        fillNarrow();
    for (const WideFan &fan : m_wide)
        rasterize(fan);
    m_wide.clear();
    if (m_dirty.isEmpty())
        return;
    painter->save();
    painter->setWorldMatrixEnabled(false);
    painter->setViewTransformEnabled(false);
    painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    const QRectF target(m_viewport.x() + m_dirty.x() / m_dpr, m_viewport.y() + m_dirty.y() / m_dpr,
                        m_dirty.width() / m_dpr, m_dirty.height() / m_dpr);
    painter->drawImage(target, *m_layer, QRectF(m_dirty));
    painter->restore();
    for (int y = m_dirty.top(); y <= m_dirty.bottom(); ++y) {
        uint *row = reinterpret_cast<uint *>(m_layer->scanLine(y));
        std::fill(row + m_dirty.left(), row + m_dirty.right() + 1, 0u);
    }
}

void paintBeamFan(QPainter *painter, const QPoint &origin, const QPoint &a, const QPoint &b,
                  const QPoint &gradientEnd, QRgb color)
{
    QLinearGradient gradient(origin, gradientEnd);
    QColor c = QColor::fromRgb(color);
    c.setAlpha(255);
    gradient.setColorAt(0.0, c);
    c.setAlpha(50);
    gradient.setColorAt(0.005, c);
    c.setAlpha(5);
    gradient.setColorAt(1.0, c);
    const QPoint triangle[3] = { origin, a, b };
    const QPen pen = painter->pen();
    const QBrush brush = painter->brush();
    painter->setPen(Qt::NoPen);
    painter->setBrush(gradient);
    painter->drawPolygon(triangle, 3);
    painter->setPen(pen);
    painter->setBrush(brush);
}
