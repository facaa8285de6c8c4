#include "ctable.h"

#include "colorresolve.h"
#include "dac.h"
#include "ildalog.h"
#include "ildframeset.h"

#include <algorithm>
#include <climits>
#include <cstring>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#endif

namespace {

template <int N> inline char *putLiteral(char *p, const char (&s)[N])
{
    std::memcpy(p, s, N - 1);
    return p + N - 1;
}

// Decimal digits, at most 20 characters plus sign.
inline char *putInt(char *p, qint64 v)
{
    quint64 u = quint64(v);
    if (v < 0) {
        *p++ = '-';
        u = 0 - u;
    }
    if (u < 10) {
        *p++ = char('0' + u);
        return p;
    }
    char tmp[20];
    int i = sizeof tmp;
    while (u) {
        tmp[--i] = char('0' + u % 10);
        u /= 10;
    }
    const int n = int(sizeof tmp) - i;
    std::memcpy(p, tmp + i, size_t(n));
    return p + n;
}

// A table of a whole working list is tens of megabytes written once from
// start to end; faulting that in 4 KiB pages costs more than formatting it.
void preferLargePages(char *data, qint64 size)
{
#ifdef Q_OS_LINUX
    const quintptr huge = 2 * 1024 * 1024;
    const quintptr begin = (quintptr(data) + huge - 1) & ~(huge - 1);
    const quintptr end = (quintptr(data) + quintptr(size)) & ~(huge - 1);
    if (end > begin)
        madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
#else
    Q_UNUSED(data)
    Q_UNUSED(size)
#endif
}

// The tables run to millions of vertex lines, so the text is assembled in one
// preallocated buffer with hand-rolled number formatting.
class TextBuffer
{
public:
    explicit TextBuffer(qint64 estimate)
    {
        m_data = QByteArray(int(std::min<qint64>(estimate, 0x40000000)), Qt::Uninitialized);
        preferLargePages(m_data.data(), m_data.size());
    }

    void ensure(int n)
    {
        if (m_used + n > m_data.size())
            m_data.resize(int(
                std::min<qint64>(std::max<qint64>(qint64(m_data.size()) * 2, qint64(m_used) + n + 4096), 0x7fffff00)));
    }
    void put(const char *s, int n)
    {
        ensure(n);
        std::memcpy(m_data.data() + m_used, s, size_t(n));
        m_used += n;
    }
    template <int N> void lit(const char (&s)[N]) { put(s, N - 1); }
    void num(qint64 v)
    {
        ensure(24);
        m_used += int(putInt(m_data.data() + m_used, v) - (m_data.data() + m_used));
    }
    // Raw room for n characters; commit() then says how many were written.
    char *claim(qint64 n)
    {
        ensure(int(std::min<qint64>(n, 0x7fff0000)));
        return m_data.data() + m_used;
    }
    void commit(qint64 n) { m_used += int(n); }
    QByteArray take()
    {
        m_data.resize(m_used);
        return std::move(m_data);
    }

private:
    QByteArray m_data;
    int m_used = 0;
};

void writeNumberList(TextBuffer &t, const std::vector<qint64> &values)
{
    t.lit("    ");
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0 && i % 10 == 0)
            t.lit("\n    ");
        t.num(values[i]);
        t.lit(",");
    }
    t.lit("\n");
}

void writeCountLines(TextBuffer &t, qint64 count, qint64 bytesPerItem)
{
    t.lit("//size:");
    t.num(count);
    t.lit("\n//need Flash(byte):");
    t.num(count * bytesPerItem);
    t.lit("\n");
}

// Colour codes of export type 3: the positions of the pure colours in the
// "Default_" table, keyed by which channels are lit (r=4, g=2, b=1).
char *putColorCode(char *p, QRgb c)
{
    const int key = (qRed(c) ? 4 : 0) | (qGreen(c) ? 2 : 0) | (qBlue(c) ? 1 : 0);
    switch (key) {
    case 7:
        return putLiteral(p, "56,");
    case 6:
        return putLiteral(p, "16");
    case 5:
        return putLiteral(p, "48");
    case 4:
        return putLiteral(p, "0");
    case 3:
        return putLiteral(p, "31,");
    case 2:
        return putLiteral(p, "24");
    case 1:
        return putLiteral(p, "40");
    default:
        return putLiteral(p, "64");
    }
}

} // namespace

QByteArray exportCTable(const IldFrameSet &set, int type, const ColorContext &colors)
{
    const bool codes = type == 3;
    std::vector<const IldFrame *> frames;
    std::vector<qint64> sizes;
    std::vector<qint64> starts;
    qint64 total = 0;
    for (const IldFrame &f : set.frames) {
        if (!f.check)
            continue;
        frames.push_back(&f);
        starts.push_back(total);
        sizes.push_back(qint64(f.vertices.size()));
        total += qint64(f.vertices.size());
    }
    const qint64 frameCount = qint64(frames.size());
    if (512 + frameCount * 80 + total * 48 > 0x7ff00000) {
        qCDebug(lcIlda) << "{exportCTable}" << total << "points in" << frameCount
                        << "frames are too many for one table; nothing exported";
        return QByteArray();
    }

    // Worst case per vertex line: 9 + 2 * 5 + 12 + 4 + 10 characters.
    TextBuffer t(512 + frameCount * 80 + total * 48);
    t.lit("#include \"vertex.h\"\n");
    t.lit("const unsigned short pic_size[]={\n");
    writeNumberList(t, sizes);
    t.lit("};\n");
    writeCountLines(t, frameCount, 2);
    t.lit("const unsigned short pic_size_c = ");
    t.num(frameCount);
    t.lit(";\n");
    t.lit("const unsigned short pic_index[ pic_size_c ]={\n");
    writeNumberList(t, starts);
    t.lit("};\n");
    writeCountLines(t, frameCount, 2);
    t.lit("const vertex pic_Data[");
    t.num(total);
    t.lit("]={\n");

    for (qint64 k = 0; k < frameCount; ++k) {
        const IldFrame &f = *frames[size_t(k)];
        const bool bake = type == 2 && !f.hasNeutralTransform();
        t.lit("    //ilda_");
        t.num(k);
        t.lit("[");
        t.num(sizes[size_t(k)]);
        t.lit("]\n");
        if (codes)
            t.lit("      // x, y , color\n");
        else
            t.lit("      // x, y , r, g, b\n");
        // Room for every line of the frame at once; each line is at most 48 characters.
        char *p = t.claim(qint64(f.vertices.size()) * 48);
        const char *const lineStart = p;
        qint64 index = 0;
        for (const IldVertex &stored : f.vertices) {
            IldVertex v = stored;
            if (bake)
                f.applyTransform(v);
            p = putLiteral(p, "        {");
            p = putInt(p, Dac::toDac(v.x));
            *p++ = ',';
            p = putInt(p, Dac::toDac(v.y));
            *p++ = ',';
            if (v.isBlanked()) {
                p = codes ? putLiteral(p, "0x40,") : putLiteral(p, "0x0,0x0,0x0,");
            } else {
                const QRgb c = displayColor(colors, f.format, v);
                if (codes) {
                    p = putColorCode(p, c);
                } else {
                    p = putInt(p, qRed(c));
                    *p++ = ',';
                    p = putInt(p, qGreen(c));
                    *p++ = ',';
                    p = putInt(p, qBlue(c));
                    *p++ = ',';
                }
            }
            p = putLiteral(p, "},//");
            p = putInt(p, index++);
            *p++ = '\n';
        }
        t.commit(p - lineStart);
        t.lit("      //end\n");
    }
    t.lit("};//end\n");
    writeCountLines(t, total, 7);
    return t.take();
}

void bakeExportedTransforms(IldFrameSet &set, int type)
{
    if (type != 2)
        return;
    for (IldFrame &f : set.frames)
        if (f.check)
            f.bakeTransform();
}

namespace {

const QByteArray blockStart("      // x, y , r, g, b");
const QByteArray blockEnd("      //end");
const QByteArray tableEnd("};//end");
const QByteArray linePrefix("        {");

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A decimal number standing alone in [b, e), surrounding blanks allowed;
// 0 when the text is not such a number or lies outside [low, high].
qint64 decimal(const char *b, const char *e, qint64 low, qint64 high)
{
    while (b < e && isSpace(*b))
        ++b;
    while (e > b && isSpace(e[-1]))
        --e;
    bool negative = false;
    if (b < e && (*b == '+' || *b == '-')) {
        negative = *b == '-';
        ++b;
    }
    if (b == e)
        return 0;
    quint64 v = 0;
    for (; b < e; ++b) {
        if (*b < '0' || *b > '9' || v > 100000000000ull)
            return 0;
        v = v * 10 + quint64(*b - '0');
    }
    const qint64 value = negative ? -qint64(v) : qint64(v);
    return (value < low || value > high) ? 0 : value;
}

// Keeps value within [low, high], counting the values that were not.
qint64 clampCounted(qint64 value, qint64 low, qint64 high, int &clamped)
{
    if (value >= low && value <= high)
        return value;
    ++clamped;
    return value < low ? low : high;
}

IldVertex parseVertexLine(const char *line, int size, int &clamped)
{
    // Pieces between commas, with the line's "        {" removed from each;
    // the last piece (the "}" or "//n" tail) is not read. Missing pieces read 0.
    qint64 values[5] = {0, 0, 0, 0, 0};
    const qint64 low[5] = {INT_MIN, INT_MIN, 0, 0, 0};
    const qint64 high[5] = {INT_MAX, INT_MAX, UINT_MAX, UINT_MAX, UINT_MAX};
    const char *end = line + size;
    const char *b = line;
    for (int i = 0; i < 5; ++i) {
        const char *comma = static_cast<const char *>(std::memchr(b, ',', size_t(end - b)));
        if (!comma)
            break; // this piece is the last one
        if (std::memchr(b, '{', size_t(comma - b))) {
            QByteArray piece(b, int(comma - b));
            piece.replace(linePrefix, QByteArray());
            values[i] = decimal(piece.constData(), piece.constData() + piece.size(), low[i], high[i]);
        } else {
            values[i] = decimal(b, comma, low[i], high[i]);
        }
        b = comma + 1;
    }

    // A position past 0..4094 would wrap to the opposite edge and a colour
    // past 255 would lose its high bits (256 turning dark): clamp them.
    IldVertex v;
    v.x = qint16(Dac::fromDac(clampCounted(values[0], 0, 4094, clamped)));
    v.y = qint16(Dac::fromDac(clampCounted(values[1], 0, 4094, clamped)));
    v.z = 0;
    v.r = quint8(clampCounted(values[2], 0, 255, clamped));
    v.g = quint8(clampCounted(values[3], 0, 255, clamped));
    v.b = quint8(clampCounted(values[4], 0, 255, clamped));
    v.status = (v.r == 0 && v.g == 0 && v.b == 0) ? IldVertex::Blanked : 0;
    v.colorIndex = 55;
    return v;
}

void finishFrame(IldFrame &work, IldFrameSet &set)
{
    if (!work.vertices.empty())
        work.vertices.back().status |= IldVertex::LastPoint;
    work.pointCount = quint16(work.vertices.size());
    std::vector<IldVertex> vertices = std::move(work.vertices);
    work.vertices = {};
    set.frames.push_back(work);
    set.frames.back().vertices = std::move(vertices);
    work.overflowCode = 0;
}

} // namespace

bool importCTable(const QByteArray &text, IldFrameSet &set, const ProgressCallback &progress)
{
    IldFrame work;
    work.format = 5;
    work.check = true;

    int pos = 0;
    const int size = text.size();
    // One line at a time; a trailing carriage return (tables written on
    // Windows) is not part of the line.
    auto nextLine = [&](QByteArray &line) {
        if (pos >= size)
            return false;
        int end = text.indexOf('\n', pos);
        if (end < 0)
            end = size;
        int len = end - pos;
        if (len > 0 && text.at(pos + len - 1) == '\r')
            --len;
        line = QByteArray::fromRawData(text.constData() + pos, len);
        pos = end + 1;
        return true;
    };

    int clamped = 0;
    auto reportClamped = [&clamped] {
        if (clamped > 0)
            qCDebug(lcIlda) << "{importCTable}values out of range clamped:" << clamped;
    };
    QByteArray line;
    while (nextLine(line)) {
        if (line == tableEnd)
            break;
        if (line != blockStart)
            continue;
        bool closed = false;
        while (nextLine(line)) {
            if (line == blockEnd) {
                closed = true;
                break;
            }
            work.appendVertex(parseVertexLine(line.constData(), line.size(), clamped), false);
        }
        if (!closed) {
            qCDebug(lcIlda) << "{importCTable}table ends inside a frame block; keeping its" << work.vertices.size()
                            << "points";
            if (!work.vertices.empty())
                finishFrame(work, set);
            reportClamped();
            return true;
        }
        finishFrame(work, set);
        if (progress && !progress(pos, size))
            return false;
    }
    reportClamped();
    return true;
}
