#include "beamfan.h"

#include <QLinearGradient>
#include <QPaintDevice>
#include <QPainter>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// Direction of (dx, dy) seen from the projector as a position 0..8 around the
// square of reach, scaled to bpu bins per unit; -1 for the projector itself.
// reach is the larger of |dx| and |dy|.
inline int directionBin(float dx, float dy, float bpu, int binCount, float &reach)
{
    const float adx = std::abs(dx), ady = std::abs(dy);
    const float m = std::max(adx, ady);
    reach = m;
    if (!(m > 0.0f))
        return -1;
    const float inv = 1.0f / m;
    float u;
    if (adx >= ady)
        u = dx > 0 ? 1.0f + dy * inv : 5.0f - dy * inv;
    else
        u = dy > 0 ? 3.0f - dx * inv : 7.0f + dx * inv;
    const int bin = int(u * bpu);
    return bin < 0 ? 0 : (bin >= binCount ? binCount - 1 : bin);
}

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

// The caller keeps the buffer from frame to frame; only the part a frame
// touched is cleared again.
QImage &layerBuffer(QImage &buffer, const QSize &size)
{
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
        const __m128i a16 = _mm_packs_epi32(ai, ai);          // a0 a1 a2 a3 a0 a1 a2 a3
        const __m128i pairs = _mm_unpacklo_epi16(a16, a16);   // a0 a0 a1 a1 a2 a2 a3 a3
        const __m128i alo = _mm_unpacklo_epi32(pairs, pairs); // a0 x4, a1 x4
        const __m128i ahi = _mm_unpackhi_epi32(pairs, pairs); // a2 x4, a3 x4
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i *>(dst + x));
        __m128i dlo = _mm_unpacklo_epi8(d, zero);
        __m128i dhi = _mm_unpackhi_epi8(d, zero);
        dlo = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(colour, alo), _mm_mullo_epi16(dlo, _mm_sub_epi16(c255, alo))),
                            c128);
        dhi = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(colour, ahi), _mm_mullo_epi16(dhi, _mm_sub_epi16(c255, ahi))),
                            c128);
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

// Alpha levels at which shared fans are composited, denser where most of a
// fan lies (alpha 5 to 50), and for each pixel alpha the level below it and
// the weight (0-256) of the level above.
constexpr int Levels = 33;

const float *levelAlphas()
{
    static const std::vector<float> levels = [] {
        std::vector<float> l(Levels);
        for (int k = 0; k < Levels - 1; ++k) {
            const float f = float(k) / float(Levels - 2);
            l[size_t(k)] = 5.0f + 250.0f * f * f;
        }
        l[Levels - 1] = 255.0f; // guard for interpolation at the top
        return l;
    }();
    return levels.data();
}

struct LevelStep
{
    int k;
    uint w;
};

const LevelStep *levelSteps()
{
    static const std::vector<LevelStep> steps = [] {
        std::vector<LevelStep> s(256);
        for (int a = 0; a < 256; ++a) {
            const float p = float(Levels - 2) * std::sqrt(std::max(0.0f, float(a) - 5.0f) / 250.0f);
            int k = std::min(int(p), Levels - 2);
            s[size_t(a)] = {k, uint(std::lround((p - float(k)) * 256.0f))};
        }
        return s;
    }();
    return steps.data();
}

// (x * a + y * b) / 256 on all four channels, a + b = 256.
inline uint interpolate(uint x, uint a, uint y, uint b)
{
    uint t = (x & 0xff00ff) * a + (y & 0xff00ff) * b;
    t >>= 8;
    t &= 0xff00ff;
    x = ((x >> 8) & 0xff00ff) * a + ((y >> 8) & 0xff00ff) * b;
    x &= 0xff00ff00;
    return x | t;
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

constexpr double MaxGradientDrift = 0.1;

} // namespace

bool BeamFanLayer::begin(QPainter *painter, const QPoint &origin, int reach, QImage &buffer)
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
    m_layer = &layerBuffer(buffer, size);
    m_toLayer =
        combined * QTransform::fromTranslate(-m_viewport.x(), -m_viewport.y()) * QTransform::fromScale(m_dpr, m_dpr);
    m_fromLayer = m_toLayer.inverted();
    m_origin = origin;
    m_reach = reach;
    // Bins half a layer pixel wide where the reach square lies.
    const double pixelsPerUnit = double(reach) * std::sqrt(std::abs(m_toLayer.determinant()));
    m_binsPerUnit = std::min(65536.0, std::max(64.0, std::ceil(2.0 * pixelsPerUnit)));
    m_binCount = int(8 * m_binsPerUnit);
    m_shared.clear();
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
    // The shared-gradient shortcut holds while the fan's own gradient
    // position differs from it by at most 10 % at the fan's sides (it is
    // exact along the gradient's axis). Fans over a corner of the reach
    // square are cut by their chord and always painted exactly.
    const bool sameEdge = std::floor(ua / 2.0) == std::floor(ub / 2.0);
    bool shared = sameEdge;
    if (shared) {
        const double mx = gradientEnd.x() - m_origin.x(), my = gradientEnd.y() - m_origin.y();
        const double len2 = mx * mx + my * my;
        if (len2 <= 0) {
            shared = false;
        } else {
            const double ca = (da.x() * mx + da.y() * my) / len2;
            const double cb = (db.x() * mx + db.y() * my) / len2;
            shared = std::abs(ca - 1.0) <= MaxGradientDrift && std::abs(cb - 1.0) <= MaxGradientDrift;
        }
    }
    if (!shared) {
        m_wide.push_back({a, b, gradientEnd, color});
        return;
    }
    // Bins whose centres lie in [ua, ub).
    const int first = std::max(0, int(std::ceil(ua * m_binsPerUnit - 0.5)));
    const int last = std::min(m_binCount, int(std::ceil(ub * m_binsPerUnit - 0.5)));
    if (first >= last)
        return; // narrower than a bin: no pixel centre falls inside
    m_shared.push_back({first, last, color});
    m_dirty |= layerBox(a, b);
}

// Layer pixels that the triangle origin, a, b can touch.
QRect BeamFanLayer::layerBox(const QPoint &a, const QPoint &b) const
{
    const QPointF p[3] = {m_toLayer.map(QPointF(m_origin)), m_toLayer.map(QPointF(a)), m_toLayer.map(QPointF(b))};
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
    // Runs of bins covered by the same fans.
    std::vector<char> boundary(size_t(m_binCount) + 1, 0);
    boundary[0] = 1;
    for (const SharedFan &f : m_shared) {
        boundary[size_t(f.first)] = 1;
        boundary[size_t(f.last)] = 1;
    }
    std::vector<int> runOf(static_cast<size_t>(m_binCount));
    int runs = 0;
    for (int i = 0; i < m_binCount; ++i) {
        if (boundary[size_t(i)])
            ++runs;
        runOf[size_t(i)] = runs - 1;
    }
    // Colours per run, in paint order.
    std::vector<int> start(size_t(runs) + 1, 0);
    for (const SharedFan &f : m_shared)
        for (int r = runOf[size_t(f.first)]; r <= runOf[size_t(f.last - 1)]; ++r)
            ++start[size_t(r) + 1];
    for (int r = 0; r < runs; ++r)
        start[size_t(r) + 1] += start[size_t(r)];
    std::vector<QRgb> colours(static_cast<size_t>(start[size_t(runs)]));
    std::vector<int> fill(start.begin(), start.end() - 1);
    for (const SharedFan &f : m_shared)
        for (int r = runOf[size_t(f.first)]; r <= runOf[size_t(f.last - 1)]; ++r)
            colours[size_t(fill[size_t(r)]++)] = f.color;

    // Composite of each run at every alpha level.
    const float *levels = levelAlphas();
    std::vector<quint32> table(size_t(runs) * Levels, 0u);
    for (int r = 0; r < runs; ++r) {
        if (start[size_t(r)] == start[size_t(r) + 1])
            continue;
        for (int k = 0; k < Levels; ++k) {
            const float a = levels[k] / 255.0f;
            float cr = 0, cg = 0, cb = 0, ca = 0;
            for (int i = start[size_t(r)]; i < start[size_t(r) + 1]; ++i) {
                const QRgb c = colours[size_t(i)];
                cr = float(qRed(c)) * a + cr * (1.0f - a);
                cg = float(qGreen(c)) * a + cg * (1.0f - a);
                cb = float(qBlue(c)) * a + cb * (1.0f - a);
                ca = 255.0f * a + ca * (1.0f - a);
            }
            table[size_t(r) * Levels + size_t(k)] =
                qRgba(int(cr + 0.5f), int(cg + 0.5f), int(cb + 0.5f), int(ca + 0.5f));
        }
    }

    const quint8 *alphas = alphaTable();
    const LevelStep *steps = levelSteps();
    const float toStep = float(AlphaSteps) / float(m_reach);
    const float bpu = float(m_binsPerUnit);
    const int binCount = m_binCount;
    const float ox = float(m_origin.x()), oy = float(m_origin.y());
    const float sx = float(m_fromLayer.m11()), sy = float(m_fromLayer.m12());
    const int x0 = m_dirty.left(), x1 = m_dirty.right() + 1;
    for (int y = m_dirty.top(); y <= m_dirty.bottom(); ++y) {
        const QPointF startPoint = m_fromLayer.map(QPointF(x0 + 0.5, y + 0.5));
        float dx = float(startPoint.x()) - ox, dy = float(startPoint.y()) - oy;
        uint *row = reinterpret_cast<uint *>(m_layer->scanLine(y));
        for (int x = x0; x < x1; ++x, dx += sx, dy += sy) {
            float m;
            const int bin = directionBin(dx, dy, bpu, binCount, m);
            if (bin < 0)
                continue;
            const size_t run = size_t(runOf[size_t(bin)]);
            const quint32 *levelsOfRun = &table[run * Levels];
            if (!levelsOfRun[Levels - 1])
                continue; // no fan in this direction
            const float step = m * toStep;
            const LevelStep ls = steps[alphas[step >= float(AlphaSteps) ? AlphaSteps : int(step)]];
            row[x] = interpolate(levelsOfRun[ls.k], 256 - ls.w, levelsOfRun[ls.k + 1], ls.w);
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
    const int binCount = m_binCount;
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
    v[0] = {float(m0.x()), float(m0.y())};
    v[1] = {float(m1.x()), float(m1.y())};
    v[2] = {float(m2.x()), float(m2.y())};
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
        const int xFrom = std::max(box.left(), int(std::floor(std::min({l0, l1, lm}))) - 1);
        const int xTo = std::min(box.right(), int(std::ceil(std::max({r0, r1, rm}))) + 1);
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
                float reach;
                const int bin = directionBin(dx, dy, bpu, binCount, reach);
                if (bin < 0)
                    continue;
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
    if (!m_shared.empty())
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

void paintBeamFan(QPainter *painter, const QPoint &origin, const QPoint &a, const QPoint &b, const QPoint &gradientEnd,
                  QRgb color)
{
    QLinearGradient gradient(origin, gradientEnd);
    QColor c = QColor::fromRgb(color);
    c.setAlpha(255);
    gradient.setColorAt(0.0, c);
    c.setAlpha(50);
    gradient.setColorAt(0.005, c);
    c.setAlpha(5);
    gradient.setColorAt(1.0, c);
    const QPoint triangle[3] = {origin, a, b};
    const QPen pen = painter->pen();
    const QBrush brush = painter->brush();
    painter->setPen(Qt::NoPen);
    painter->setBrush(gradient);
    painter->drawPolygon(triangle, 3);
    painter->setPen(pen);
    painter->setBrush(brush);
}
