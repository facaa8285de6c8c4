#include "textstrokes.h"

#include "contentlog.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainterPath>
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

QFont outlineFont(const QString &family, double pixelSize)
{
    QFont font(family.isEmpty() ? TextOptions::defaultOutlineFamily() : family);
    font.setPixelSize(int(pixelSize));
    return font;
}

} // namespace

TextDrawing textStrokes(const QString &text, const TextOptions &options)
{
    TextDrawing d;
    if (text.trimmed().isEmpty()) {
        d.error = QStringLiteral("no text to draw");
        return d;
    }
    QPainterPath lines;   // Hershey strokes, Y down
    QPainterPath outline; // filled letters, Y down
    if (!options.stroke) {
        outline.addText(QPointF(0, 0), outlineFont(options.family, 1000), text);
    } else {
        const QString name = options.family.isEmpty() ? TextOptions::defaultStrokeFont() : options.family;
        std::unique_ptr<hershey_font, HersheyDeleter> font(hershey_font_load(name.toLocal8Bit().constData()));
        if (!font) {
            d.error = QStringLiteral("no Hershey font named %1").arg(name);
            qCDebug(lcContent) << "{textStrokes}" << d.error;
            return d;
        }
        const QFont fallback = outlineFont(QString(), HersheyEm);
        const QFontMetricsF metrics(fallback);
        double x = 0.0;
        for (const QChar ch : text) {
            const ushort u = ch.unicode();
            hershey_glyph *g = u < 256 ? hershey_font_glyph(font.get(), uchar(u)) : nullptr;
            if (g && g->width > 0) {
                for (hershey_path *p = g->paths; p; p = p->next) {
                    for (int i = 0; i < p->nverts; ++i) {
                        const QPointF v(x + p->verts[i].x, -p->verts[i].y);
                        if (i == 0)
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
    appendPathStrokes(fit.map(lines), options.color, false, options.tolerance, d.strokes);
    appendPathStrokes(fit.map(outline), options.color, true, options.tolerance, d.strokes);
    d.ok = true;
    return d;
}
