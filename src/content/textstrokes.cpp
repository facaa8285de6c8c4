#include "textstrokes.h"

#include "contentlog.h"
#include "regularfile.h"

#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QPainterPath>
#include <QRegularExpression>
#include <QTransform>

// A C library whose header has no C++ guard.
extern "C" {
#include <hersheyfont.h>
}

#include <memory>

namespace {

// Hershey letters are about 32 units from top to bottom; fallback outlines
// are drawn at that size too.
constexpr double HersheyEm = 32.0;

struct HersheyDeleter
{
    void operator()(hershey_font *f) const { hershey_font_free(f); }
};

// Where the Hershey library keeps its fonts.
const char HersheyFolder[] = "/usr/share/hershey-fonts/";
// Letters laid out between two progress reports.
constexpr int Chunk = 200;

// A font is named, never given as a path: the name stays inside the font
// folder, and a pipe or device there is not opened.
hershey_font *loadHershey(const QString &name)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_-]{1,64}$"));
    if (!plain.match(name).hasMatch())
        return nullptr;
    const QString path = QLatin1String(HersheyFolder) + name + QStringLiteral(".jhf");
    QFile file;
    if (!openRegularFile(path, file).ok())
        return nullptr;
    file.close();
    return hershey_jhf_font_load(QFile::encodeName(path).constData());
}

QFont outlineFont(const QString &family, double pixelSize)
{
    QFont font(family.isEmpty() ? TextOptions::defaultOutlineFamily() : family);
    font.setPixelSize(int(pixelSize));
    return font;
}

} // namespace

TextDrawing textStrokes(const QString &text, const TextOptions &options, const ProgressCallback &progress)
{
    TextDrawing d;
    if (text.trimmed().isEmpty()) {
        d.error = QStringLiteral("no text to draw");
        return d;
    }
    if (text.size() > MaxTextLength) {
        d.error = QStringLiteral("the text is longer than %1 characters").arg(MaxTextLength);
        return d;
    }
    const auto stopped = [&](int done) {
        if (!progress || progress(done, text.size()))
            return false;
        d.cancelled = true;
        d.error = QStringLiteral("cancelled");
        return true;
    };
    QPainterPath lines;   // Hershey strokes, Y down
    QPainterPath outline; // filled letters, Y down
    if (!options.stroke) {
        const QFont font = outlineFont(options.family, 1000);
        if (text.size() <= Chunk) {
            outline.addText(QPointF(0, 0), font, text);
        } else {
            // Long text in pieces, so that the work can be watched and stopped.
            const QFontMetricsF metrics(font);
            double x = 0.0;
            for (int i = 0; i < text.size();) {
                if (stopped(i))
                    return d;
                int n = std::min(Chunk, text.size() - i);
                if (i + n < text.size() && text.at(i + n - 1).isHighSurrogate())
                    --n; // a surrogate pair stays whole
                const QString piece = text.mid(i, n);
                outline.addText(QPointF(x, 0), font, piece);
                x += metrics.horizontalAdvance(piece);
                i += n;
            }
        }
    } else {
        const QString name = options.family.isEmpty() ? TextOptions::defaultStrokeFont() : options.family;
        std::unique_ptr<hershey_font, HersheyDeleter> font(loadHershey(name));
        if (!font) {
            d.error = QStringLiteral("no Hershey font named %1").arg(name);
            qCDebug(lcContent) << "{textStrokes}" << d.error;
            return d;
        }
        const QFont fallback = outlineFont(QString(), HersheyEm);
        const QFontMetricsF metrics(fallback);
        double x = 0.0;
        for (int i = 0; i < text.size(); ++i) {
            if (i % Chunk == 0 && stopped(i))
                return d;
            const QChar ch = text.at(i);
            const ushort u = ch.unicode();
            hershey_glyph *g = u < 256 ? hershey_font_glyph(font.get(), uchar(u)) : nullptr;
            if (g && g->width > 0) {
                for (hershey_path *p = g->paths; p; p = p->next) {
                    for (int k = 0; k < p->nverts; ++k) {
                        const QPointF v(x + p->verts[k].x, -p->verts[k].y);
                        if (k == 0)
                            lines.moveTo(v);
                        else
                            lines.lineTo(v);
                    }
                }
                x += g->width;
            } else if (!ch.isSpace()) {
                // Letters the font lacks (Chinese among them) as outlines, on
                // the same baseline.
                outline.addText(QPointF(x, 0), fallback, QString(ch));
                x += metrics.horizontalAdvance(ch);
                ++d.fallbackChars;
            } else {
                x += HersheyEm / 2;
            }
        }
    }
    const QRectF box = lines.boundingRect().united(outline.boundingRect());
    if (lines.isEmpty() && outline.isEmpty()) {
        d.error = QStringLiteral("the font draws nothing for this text");
        return d;
    }
    const QTransform fit = fitTransform(lines.isEmpty()     ? outline.boundingRect()
                                        : outline.isEmpty() ? lines.boundingRect()
                                                            : box,
                                        options.margin);
    qint64 budget = MaxDrawingPoints;
    if (!appendPathStrokes(fit.map(lines), options.color, false, options.tolerance, d.strokes, &budget) ||
        !appendPathStrokes(fit.map(outline), options.color, true, options.tolerance, d.strokes, &budget)) {
        d.strokes.clear();
        d.error = QStringLiteral("the text needs more than %1 points").arg(MaxDrawingPoints);
        return d;
    }
    d.ok = true;
    return d;
}
