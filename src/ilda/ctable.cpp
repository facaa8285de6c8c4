#include "ctable.h"

#include "colorresolve.h"
#include "ildalog.h"
#include "ildframeset.h"

#include <algorithm>
#include <cstring>

namespace {

// The tables run to millions of vertex lines, so the text is assembled in one
// preallocated buffer with hand-rolled number formatting.
class TextBuffer
{
public:
    explicit TextBuffer(qint64 estimate) { m_data.resize(int(std::min<qint64>(estimate, 0x40000000))); }

    void ensure(int n)
    {
        if (m_used + n > m_data.size())
            m_data.resize(int(std::min<qint64>(std::max<qint64>(qint64(m_data.size()) * 2, qint64(m_used) + n + 4096),
                                               0x7fffff00)));
    }
    void put(const char *s, int n)
    {
        ensure(n);
        std::memcpy(m_data.data() + m_used, s, size_t(n));
        m_used += n;
    }
    template<int N>
    void lit(const char (&s)[N]) { put(s, N - 1); }
    void num(qint64 v)
    {
        char tmp[24];
        int i = sizeof tmp;
        const bool neg = v < 0;
        quint64 u = neg ? quint64(-(v + 1)) + 1 : quint64(v);
        do {
            tmp[--i] = char('0' + u % 10);
            u /= 10;
        } while (u);
        if (neg)
            tmp[--i] = '-';
        put(tmp + i, int(sizeof tmp) - i);
    }
    QByteArray take()
    {
        m_data.resize(m_used);
        return std::move(m_data);
    }

private:
    QByteArray m_data;
    int m_used = 0;
};

// Firmware positions: 12 bits, 0..4094 for -32767..32767.
int toDac(qint16 c) { return c / 16 + 2047; }

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
void writeColorCode(TextBuffer &t, QRgb c)
{
    const int key = (qRed(c) ? 4 : 0) | (qGreen(c) ? 2 : 0) | (qBlue(c) ? 1 : 0);
    switch (key) {
    case 7: t.lit("56,"); break;
    case 6: t.lit("16"); break;
    case 5: t.lit("48"); break;
    case 4: t.lit("0"); break;
    case 3: t.lit("31,"); break;
    case 2: t.lit("24"); break;
    case 1: t.lit("40"); break;
    default: t.lit("64"); break;
    }
}

} // namespace

QByteArray exportCTable(IldFrameSet &set, int type)
{
    const bool codes = type == 3;
    std::vector<IldFrame *> frames;
    std::vector<qint64> sizes;
    std::vector<qint64> starts;
    qint64 total = 0;
    for (IldFrame &f : set.frames) {
        if (!f.check)
            continue;
        frames.push_back(&f);
        starts.push_back(total);
        sizes.push_back(qint64(f.vertices.size()));
        total += qint64(f.vertices.size());
    }
    const qint64 frameCount = qint64(frames.size());

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
        IldFrame &f = *frames[size_t(k)];
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
        qint64 index = 0;
        for (IldVertex &v : f.vertices) {
            if (bake)
                f.applyTransform(v);
            t.lit("        {");
            t.num(toDac(v.x));
            t.lit(",");
            t.num(toDac(v.y));
            t.lit(",");
            if (v.isBlanked()) {
                if (codes)
                    t.lit("0x40,");
                else
                    t.lit("0x0,0x0,0x0,");
            } else {
                const QRgb c = displayColor(f.format, v);
                if (codes) {
                    writeColorCode(t, c);
                } else {
                    t.num(qRed(c));
                    t.lit(",");
                    t.num(qGreen(c));
                    t.lit(",");
                    t.num(qBlue(c));
                    t.lit(",");
                }
            }
            t.lit("},//");
            t.num(index++);
            t.lit("\n");
        }
        t.lit("      //end\n");
        // The transform now lives in the coordinates; a later save must not apply it again.
        if (bake) {
            f.scaleX = f.scaleY = 1.0f;
            f.offsetX = f.offsetY = 0.0f;
        }
    }
    t.lit("};//end\n");
    writeCountLines(t, total, 7);
    return t.take();
}

namespace {

const QByteArray blockStart("      // x, y , r, g, b");
const QByteArray blockEnd("      //end");
const QByteArray tableEnd("};//end");
const QByteArray linePrefix("        {");

IldVertex parseVertexLine(const QByteArray &line)
{
    QList<QByteArray> pieces = line.split(',');
    for (QByteArray &p : pieces)
        p.replace(linePrefix, QByteArray());
    pieces.removeLast(); // the "}" or "//n" tail; split never returns an empty list
    // A piece that is missing or does not parse reads as 0.
    auto piece = [&pieces](int i) { return i < pieces.size() ? pieces.at(i) : QByteArray(); };
    const qint64 X = piece(0).toInt();
    const qint64 Y = piece(1).toInt();
    const uint r = piece(2).toUInt();
    const uint g = piece(3).toUInt();
    const uint b = piece(4).toUInt();

    IldVertex v;
    v.x = qint16(quint16((X - 2047) * 16));
    v.y = qint16(quint16((Y - 2047) * 16));
    v.z = 0;
    v.r = quint8(r);
    v.g = quint8(g);
    v.b = quint8(b);
    v.status = (v.r == 0 && v.g == 0 && v.b == 0) ? IldVertex::Blanked : 0;
    v.colorIndex = 55;
    return v;
}

void finishFrame(IldFrame &work, IldFrameSet &set)
{
    if (!work.vertices.empty())
        work.vertices.back().status |= IldVertex::LastPoint;
    work.pointCount = quint16(work.vertices.size());
    set.frames.push_back(work);
    work.vertices.clear();
    work.overflowCode = 0;
}

} // namespace

void importCTable(const QByteArray &text, IldFrameSet &set)
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
            work.appendVertex(parseVertexLine(QByteArray(line.constData(), line.size())), false);
        }
        if (!closed) {
            qCDebug(lcIlda) << "{importCTable}table ends inside a frame block; keeping its"
                            << work.vertices.size() << "points";
            if (!work.vertices.empty())
                finishFrame(work, set);
            return;
        }
        finishFrame(work, set);
    }
}
