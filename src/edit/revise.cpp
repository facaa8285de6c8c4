#include "revise.h"

#include "editlog.h"
#include "ildframeset.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// Appends to a revised frame but never past what one ILDA header can count;
// the first refused point is logged once per frame.
class CappedAppender
{
public:
    explicit CappedAppender(std::vector<IldVertex> &out) : m_out(out) {}

    void add(const IldVertex &v)
    {
        if (m_out.size() < size_t(IldFrame::MaxPoints))
            m_out.push_back(v);
        else
            add(v, 1);
    }
    void add(const IldVertex &v, quint32 copies)
    {
        if (copies == 0)
            return;
        const size_t room = size_t(IldFrame::MaxPoints) - std::min(m_out.size(), size_t(IldFrame::MaxPoints));
        const size_t n = std::min<size_t>(copies, room);
        m_out.insert(m_out.end(), n, v);
        if (n < copies && !m_full) {
            m_full = true;
            qCDebug(lcEdit) << "{reviseFrame}revised frame reached" << IldFrame::MaxPoints
                            << "points; further points are left out";
        }
    }

private:
    std::vector<IldVertex> &m_out;
    bool m_full = false;
};

// The beam dwells where it switches: before a jump it stays lit on the last
// lit point (plain copies of that point), after the jump it waits dark at the
// jump's end before the stroke starts. A segment takes its colour from the
// point it leads to, so neither set of copies draws across the jump or
// darkens the first stroke behind it.
IldVertex switchOn(const IldVertex &v, const IldVertex &prev)
{
    IldVertex d = v;
    d.x = prev.x;
    d.y = prev.y;
    d.status |= IldVertex::Blanked;
    return d;
}

// Angle at b between the directions to a and to c, in degrees; NaN when a
// direction has no length (coincident points).
double cornerAngle(const IldVertex &a, const IldVertex &b, const IldVertex &c)
{
    const double ax = double(a.x) - b.x, ay = double(a.y) - b.y;
    const double cx = double(c.x) - b.x, cy = double(c.y) - b.y;
    const double d = ax * cx + ay * cy;
    double cosine = d / std::sqrt((ax * ax + ay * ay) * (cx * cx + cy * cy));
    // rounding can push a perfect reversal just past -1, which acos refuses
    if (cosine > 1.0)
        cosine = 1.0;
    else if (cosine < -1.0)
        cosine = -1.0;
    return std::acos(cosine) * 57.29578;
}

// cornerAngle(a, b, c) < 160 without an acos for every point: the cosine is
// compared with cos(160 degrees) and only values too close to call take the
// exact way.
bool sharperThan160(const IldVertex &a, const IldVertex &b, const IldVertex &c)
{
    static const double limit = std::cos(160 / 57.29578);
    const double ax = double(a.x) - b.x, ay = double(a.y) - b.y;
    const double cx = double(c.x) - b.x, cy = double(c.y) - b.y;
    const double d = ax * cx + ay * cy;
    const double lengths = std::sqrt((ax * ax + ay * ay) * (cx * cx + cy * cy));
    if (!(lengths > 0))
        return false; // coincident points: no angle
    const double cosine = d / lengths;
    if (cosine > limit + 1e-9)
        return true;
    if (cosine < limit - 1e-9)
        return false;
    return cornerAngle(a, b, c) < 160;
}

void thin(const std::vector<IldVertex> &in, CappedAppender &out, quint32 blankPoint, quint32 totalPoint)
{
    const size_t n = in.size();
    const quint64 total = totalPoint == 0 ? 1 : totalPoint;
    // The step is n / total as a fraction: point i is kept where the running
    // count floor((i + 1) * total / n) grows, so at most total points are
    // kept, evenly spread, and where n is a multiple of total exactly every
    // (n / total)-th point is (indices step - 1, 2 * step - 1, ...).
    auto onStep = [n, total](size_t i) { return n <= total || (i + 1) * total / n != i * total / n; };
    const quint32 startCopies = blankPoint + 1;
    const quint32 endCopies = quint32(std::min<quint64>(2ull * blankPoint + 1, 0xffffffffull));
    bool blankRun = false;
    for (size_t i = 0; i < n; ++i) {
        const IldVertex &v = in[i];
        if (v.isBlanked()) {
            if (i >= 1 && !blankRun) {
                out.add(in[i - 1], startCopies);
                blankRun = true;
            }
        } else {
            if (blankRun)
                out.add(switchOn(v, in[i - 1]), endCopies);
            blankRun = false;
        }
        if (onStep(i)) {
            out.add(v);
        } else if (i >= 2 && sharperThan160(in[i - 2], in[i - 1], v)) {
            out.add(v);
            qCDebug(lcEdit) << "angle is:" << cornerAngle(in[i - 2], in[i - 1], v);
        }
    }
}

quint32 highlight(const std::vector<IldVertex> &in, CappedAppender &out, quint32 between, quint32 addPoint,
                  quint32 blankPoint)
{
    const quint32 stride = between == 0 ? 1 : between;
    const quint64 dwellEnd = 2ull * blankPoint;
    bool blankRun = false;
    quint64 moves = 0;
    size_t anchor = 0;
    bool closed = false;
    quint32 highlights = 0;
    for (size_t i = 0; i < in.size(); ++i) {
        const IldVertex &v = in[i];
        if (v.isBlanked()) {
            if (i >= 1 && !blankRun) {
                out.add(in[i - 1], blankPoint);
                blankRun = true;
            }
            out.add(v);
            continue;
        }
        quint64 extra = 0;
        if (blankRun) {
            out.add(switchOn(v, in[i - 1]), quint32(std::min<quint64>(dwellEnd, 0xffffffffull)));
            extra = dwellEnd;
        }
        if (anchor == 0)
            anchor = i;
        if (i >= 1) {
            const IldVertex &prev = in[i - 1];
            if (!v.samePosition(prev)) {
                ++moves;
                const IldVertex &a = in[anchor];
                if (moves > 1 && std::abs(int(v.x) - a.x) <= 100 && std::abs(int(v.y) - a.y) <= 100) {
                    closed = true; // back at the start: the closing stretch gets no highlights
                } else if (moves % stride == 0 && !closed) {
                    ++highlights;
                    if (extra < addPoint)
                        out.add(v, quint32(addPoint - extra));
                }
            } else if (extra < addPoint) {
                out.add(v, quint32(addPoint - extra));
            }
        }
        blankRun = false;
        out.add(v);
    }
    return highlights;
}

} // namespace

namespace {

// Builds the revised twin of f into r, reusing r's vertex storage.
void reviseInto(const IldFrame &f, IldFrame &r, const ReviseParams &params)
{
    std::vector<IldVertex> storage = std::move(r.vertices);
    storage.clear();
    r = IldFrame();
    r.vertices = std::move(storage);
    CappedAppender out(r.vertices);
    if (params.addPoint == 0) {
        r.vertices.reserve(std::min(f.vertices.size(), size_t(IldFrame::MaxPoints)));
        thin(f.vertices, out, params.blankPoint, params.totalPoint);
    } else {
        const size_t guess =
            f.vertices.size() + f.vertices.size() / std::max<quint32>(params.between, 1) * params.addPoint;
        r.vertices.reserve(std::min(guess + 64, size_t(IldFrame::MaxPoints)));
        r.highPoint = highlight(f.vertices, out, params.between, params.addPoint, params.blankPoint);
    }
    r.copyHeader(f);
}

} // namespace

IldFrame reviseFrame(const IldFrame &f, const ReviseParams &params)
{
    IldFrame r;
    reviseInto(f, r, params);
    return r;
}

bool reviseFrames(const IldFrameSet &in, IldFrameSet &out, const ReviseParams &params, const ProgressCallback &progress)
{
    // The frames of the previous run are rebuilt in place: re-running with new
    // parameters then needs no fresh memory.
    out.frames.resize(in.frames.size());
    const qint64 total = qint64(in.frames.size());
    for (size_t i = 0; i < in.frames.size(); ++i) {
        reviseInto(in.frames[i], out.frames[i], params);
        if (progress && !progress(qint64(i) + 1, total))
            return false;
    }
    return true;
}
