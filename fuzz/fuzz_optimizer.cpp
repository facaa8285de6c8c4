// Feeds arbitrary strokes to the path optimiser: the bytes are read as
// options followed by points (any double, NaN and infinities included), so
// every corner of planning, clipping and fitting is reached.

#include "pathoptimizer.h"

#include <QLoggingCategory>

#include <cstdlib>
#include <cstring>

namespace {

class Bytes
{
public:
    Bytes(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}
    bool atEnd() const { return m_pos >= m_size; }
    uint8_t byte() { return atEnd() ? 0 : m_data[m_pos++]; }
    // Mostly small whole coordinates, so that strokes meet and coincide;
    // now and then any double at all.
    double coordinate()
    {
        const uint8_t kind = byte();
        if (kind < 200)
            return (double(int8_t(byte())) * 256.0 + byte()) * (kind % 4 == 0 ? 0.001 : 1.0);
        double v = 0;
        uint8_t raw[sizeof v] = {};
        for (uint8_t &b : raw)
            b = byte();
        std::memcpy(&v, raw, sizeof v);
        return v;
    }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_pos = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool quiet = [] {
        QLoggingCategory::setFilterRules(QStringLiteral("beamdeck.*.debug=false"));
        return true;
    }();
    Q_UNUSED(quiet)

    Bytes in(data, size);
    OptimizerOptions o;
    const uint8_t flags = in.byte();
    o.reorder = !(flags & 1);
    o.dwellOff = in.byte() % 8;
    o.dwellOn = in.byte() % 8;
    o.cornerDwell = in.byte() % 8;
    o.cornerAngle = in.byte();
    o.maxStep = flags & 2 ? in.coordinate() : 16.0 * (1 + in.byte());
    o.budget = 1 + in.byte() * 64;

    std::vector<Stroke> strokes;
    while (!in.atEnd() && strokes.size() < 4096) {
        Stroke st;
        const int n = 1 + in.byte() % 16;
        st.closed = n > 2 && (n % 3 == 0);
        for (int k = 0; k < n && !in.atEnd(); ++k) {
            st.points.emplace_back(in.coordinate(), in.coordinate());
            st.colors.push_back(qRgb(in.byte(), 255, 255));
        }
        strokes.push_back(std::move(st));
    }
    const FrameBuild b = buildFrame(strokes, o);
    if (b.frame.vertices.empty() || b.frame.vertexCount() > IldFrame::MaxPoints)
        std::abort();
    if (b.fits && b.frame.vertexCount() > o.budget)
        std::abort();
    return 0;
}
