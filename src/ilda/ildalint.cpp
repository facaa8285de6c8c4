#include "ildalint.h"

#include "bytecursor.h"
#include "ildarecord.h"
#include "ildframe.h"
#include "palette.h"

#include <cmath>

namespace {

LintFinding finding(LintFinding::Severity severity, int frame, int point, const char *rule, const QString &message)
{
    LintFinding f;
    f.severity = severity;
    f.frame = frame;
    f.point = point;
    f.rule = QLatin1String(rule);
    f.message = message;
    return f;
}

struct Point
{
    qint32 x;
    qint32 y;
    bool lit;
};

std::vector<Point> positions(const IldFrame &frame)
{
    std::vector<Point> p;
    p.reserve(frame.vertices.size());
    const bool neutral = frame.hasNeutralTransform();
    for (IldVertex v : frame.vertices) {
        if (!neutral)
            frame.applyTransform(v);
        p.push_back({v.x, v.y, !v.isBlanked()});
    }
    return p;
}

bool samePlace(const Point &a, const Point &b)
{
    return a.x == b.x && a.y == b.y;
}

double distance(const Point &a, const Point &b)
{
    return std::hypot(double(a.x) - b.x, double(a.y) - b.y);
}

void checkSteps(const std::vector<Point> &p, int frameIndex, const LintOptions &options, std::vector<LintFinding> &out)
{
    int count = 0;
    int first = -1;
    double longest = 0;
    for (size_t i = 1; i < p.size(); ++i) {
        if (!p[i].lit)
            continue;
        const double d = distance(p[i - 1], p[i]);
        if (d > options.maxStep) {
            if (count++ == 0)
                first = int(i);
            longest = std::max(longest, d);
        }
    }
    if (count > 0)
        out.push_back(finding(LintFinding::Warning, frameIndex, first, IldaLint::StepLength,
                              QStringLiteral("%1 lit step(s) longer than %2 units (longest %3); the scanners "
                                             "overshoot and the picture bends")
                                  .arg(count)
                                  .arg(options.maxStep)
                                  .arg(qRound(longest))));
}

// The beam should rest where it switches. A blanked run carries the beam from
// the last lit point (or, at the start of the frame, from its first point) to
// where the next stroke begins, the run's last point. Before it, the last lit
// point repeated (lit, or blanked on the spot); at its end, two points on the
// spot (a blanked copy, or the next point lit in place).
void checkDwell(const std::vector<Point> &p, int frameIndex, std::vector<LintFinding> &out)
{
    int count = 0;
    int first = -1;
    const size_t n = p.size();
    size_t i = 0;
    while (i < n) {
        if (p[i].lit) {
            ++i;
            continue;
        }
        const size_t a = i;
        size_t b = a;
        while (b + 1 < n && !p[b + 1].lit)
            ++b;
        i = b + 1;
        const size_t from = a > 0 ? a - 1 : a;
        bool moves = false;
        for (size_t k = from + 1; k <= b && !moves; ++k)
            moves = !samePlace(p[k], p[from]);
        if (!moves)
            continue;
        bool bad = false;
        if (a > 0) {
            const bool litRepeat = a >= 2 && p[a - 2].lit && samePlace(p[a - 2], p[a - 1]);
            const bool blankRepeat = samePlace(p[a], p[a - 1]);
            bad = !litRepeat && !blankRepeat;
        }
        if (b + 1 < n) {
            const bool blankRepeat = b > a && samePlace(p[b - 1], p[b]);
            const bool litInPlace = samePlace(p[b + 1], p[b]);
            bad = bad || (!blankRepeat && !litInPlace);
        }
        if (bad && count++ == 0)
            first = int(a);
    }
    if (count > 0)
        out.push_back(finding(LintFinding::Warning, frameIndex, first, IldaLint::BlankDwell,
                              QStringLiteral("%1 blanked move(s) without dwell points; the beam streaks where it "
                                             "switches off or on")
                                  .arg(count)));
}

void checkPalette(const IldFrame &frame, int frameIndex, int paletteSize, std::vector<LintFinding> &out)
{
    if (paletteSize <= 0 || paletteSize >= 256)
        return;
    int count = 0;
    int first = -1;
    int highest = 0;
    for (size_t i = 0; i < frame.vertices.size(); ++i) {
        const IldVertex &v = frame.vertices[i];
        if (v.isBlanked() || v.colorIndex < paletteSize)
            continue;
        if (count++ == 0)
            first = int(i);
        highest = std::max(highest, int(v.colorIndex));
    }
    if (count > 0)
        out.push_back(finding(LintFinding::Warning, frameIndex, first, IldaLint::PaletteIndex,
                              QStringLiteral("%1 lit point(s) use colour indices past the %2-colour palette "
                                             "(highest %3)")
                                  .arg(count)
                                  .arg(paletteSize)
                                  .arg(highest)));
}

void checkLastPointBits(const IldFrame &frame, int frameIndex, std::vector<LintFinding> &out)
{
    const std::vector<IldVertex> &v = frame.vertices;
    if (v.empty())
        return;
    const size_t last = v.size() - 1;
    int early = 0;
    int first = -1;
    for (size_t i = 0; i < last; ++i)
        if (v[i].status & IldVertex::LastPoint) {
            if (early++ == 0)
                first = int(i);
        }
    if (early > 0)
        out.push_back(finding(LintFinding::Error, frameIndex, first, IldaLint::LastPoint,
                              QStringLiteral("%1 point(s) before the last carry the last-point bit (0x80); "
                                             "players end the frame there")
                                  .arg(early)));
    if (!(v[last].status & IldVertex::LastPoint))
        out.push_back(finding(LintFinding::Error, frameIndex, int(last), IldaLint::LastPoint,
                              QStringLiteral("the last point lacks the last-point bit (0x80)")));
}

} // namespace

namespace IldaLint {

std::vector<LintFinding> checkFrame(const IldFrame &frame, int frameIndex, const LintOptions &options, int paletteSize)
{
    std::vector<LintFinding> out;
    const int n = frame.vertexCount();
    if (n == 0) {
        out.push_back(
            finding(LintFinding::Error, frameIndex, -1, EmptyFrame, QStringLiteral("the frame has no points")));
        return out;
    }
    if (n > LintOptions::HardMaxPoints)
        out.push_back(finding(LintFinding::Error, frameIndex, -1, PointLimit,
                              QStringLiteral("%1 points, more than an ILDA section can count (%2)")
                                  .arg(n)
                                  .arg(LintOptions::HardMaxPoints)));
    else if (n > options.maxPoints)
        out.push_back(finding(LintFinding::Error, frameIndex, -1, PointLimit,
                              QStringLiteral("%1 points, more than the projector takes in one packet (%2)")
                                  .arg(n)
                                  .arg(options.maxPoints)));
    if (!frame.vertices.front().isBlanked())
        out.push_back(finding(LintFinding::Warning, frameIndex, 0, FirstPointLit,
                              QStringLiteral("the first point is lit; the beam draws a line from where the previous "
                                             "frame ended")));
    const std::vector<Point> p = positions(frame);
    checkSteps(p, frameIndex, options, out);
    checkDwell(p, frameIndex, out);
    if (frame.format <= 3)
        checkPalette(frame, frameIndex, paletteSize, out);
    return out;
}

std::vector<LintFinding> checkIldaBytes(const uchar *data, qint64 size, const LintOptions &options)
{
    std::vector<LintFinding> out;
    ByteCursor in(data, size);
    IldFrame frame;
    int frameIndex = 0;
    int filePalette = 0; // colours of the last palette section; 0: none
    struct Numbers
    {
        quint16 number;
        quint16 total;
    };
    std::vector<Numbers> numbers;
    bool closed = false;
    bool notIlda = false;

    while (!in.atEnd()) {
        const qint64 at = in.pos();
        const IldFrame::HeaderResult result = frame.readHeader(in);
        if (result == IldFrame::HeaderInvalid) {
            notIlda = at == 0;
            out.push_back(finding(LintFinding::Error, -1, -1, BadHeader,
                                  at == 0 ? QStringLiteral("not an ILDA file: no section header at its start")
                                          : QStringLiteral("bytes at offset %1 are not an ILDA section header; "
                                                           "reading stops there")
                                                .arg(at)));
            break;
        }
        if (frame.pointCount == 0 && result == IldFrame::HeaderEnd) {
            closed = true;
            break;
        }
        const qint64 need = qint64(frame.pointCount) * IldaRecord::sectionRecordSize(frame.format);
        if (in.remaining() < need)
            out.push_back(finding(LintFinding::Error, frame.format == 2 || frame.format == 3 ? -1 : frameIndex, -1,
                                  Truncated,
                                  QStringLiteral("the section at offset %1 counts %2 records, the file ends after %3")
                                      .arg(at)
                                      .arg(frame.pointCount)
                                      .arg(in.remaining() / IldaRecord::sectionRecordSize(frame.format))));
        if (frame.format == 2 || frame.format == 3) {
            filePalette = frame.pointCount;
            in.skip(need);
            continue;
        }

        numbers.push_back({frame.frameNumber, frame.totalFrames});
        if (frame.pointCount == 0) {
            out.push_back(finding(LintFinding::Error, frameIndex, -1, EmptyFrame,
                                  QStringLiteral("a section of 0 records before the end of the file: players that "
                                                 "follow the standard stop here and lose the frames after it")));
            ++frameIndex;
            continue;
        }
        // The reader blanks the first point; the stored status byte is what a
        // player sees.
        const int statusOffset = IldaRecord::statusOffset(frame.format);
        const bool haveFirst = in.remaining() > statusOffset;
        const quint8 firstStatus = haveFirst ? in.here()[statusOffset] : 0;
        frame.ildFromStream(in);
        if (haveFirst && !frame.vertices.empty())
            frame.vertices.front().status = firstStatus;

        const int palette =
            (frame.format == 0 || frame.format == 1) ? (filePalette > 0 ? filePalette : options.paletteSize) : 0;
        std::vector<LintFinding> f = checkFrame(frame, frameIndex, options, palette);
        out.insert(out.end(), f.begin(), f.end());
        checkLastPointBits(frame, frameIndex, out);
        ++frameIndex;
        if (in.atEnd() && frame.vertices.size() < frame.pointCount)
            break;
    }

    const int total = int(numbers.size());
    int misnumbered = 0;
    int first = -1;
    for (int i = 0; i < total; ++i) {
        const Numbers &n = numbers[size_t(i)];
        if ((n.number != i || n.total != total) && misnumbered++ == 0)
            first = i;
    }
    if (misnumbered > 0) {
        const Numbers &n = numbers[size_t(first)];
        out.push_back(finding(LintFinding::Warning, first, -1, Numbering,
                              QStringLiteral("%1 frame(s) numbered out of order; this one is numbered %2 of %3, "
                                             "expected %4 of %5")
                                  .arg(misnumbered)
                                  .arg(n.number)
                                  .arg(n.total)
                                  .arg(first)
                                  .arg(total)));
    }
    if (!closed && !notIlda)
        out.push_back(finding(LintFinding::Warning, -1, -1, ClosingHeader,
                              QStringLiteral("no closing header (a section of 0 records) at the end of the file")));
    return out;
}

int paletteSizeFor(const ColorContext &colors, quint8 format)
{
    if (format <= 1)
        return colors.offset == Palette::IildStd ? 256 : 64;
    return colors.size() - Palette::filePaletteBase;
}

bool hasErrors(const std::vector<LintFinding> &findings)
{
    for (const LintFinding &f : findings)
        if (f.severity == LintFinding::Error)
            return true;
    return false;
}

QString describe(const LintFinding &f)
{
    QString where;
    if (f.frame >= 0)
        where += QStringLiteral(" frame %1").arg(f.frame);
    if (f.point >= 0)
        where += QStringLiteral(" point %1").arg(f.point);
    return QStringLiteral("%1%2 [%3]: %4").arg(f.severityName(), where, f.rule, f.message);
}

} // namespace IldaLint
