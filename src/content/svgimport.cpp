#include "svgimport.h"

#include "contentlog.h"

#include <QFile>
#include <QFileInfo>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QSvgRenderer>

namespace {

// Everything the SVG renderer paints ends here as paths in device space;
// images are ignored, text arrives as filled glyph outlines.
class RecordingEngine : public QPaintEngine
{
public:
    RecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    std::vector<SvgShape> shapes;

    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState &) override {}
    Type type() const override { return QPaintEngine::User; }
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
    void drawImage(const QRectF &, const QImage &, const QRectF &, Qt::ImageConversionFlags) override {}

    void drawPath(const QPainterPath &path) override { record(path, true); }
    void drawPolygon(const QPointF *points, int count, PolygonDrawMode mode) override
    {
        if (count < 1)
            return;
        QPainterPath path;
        path.moveTo(points[0]);
        for (int i = 1; i < count; ++i)
            path.lineTo(points[i]);
        if (mode != PolylineMode)
            path.closeSubpath();
        record(path, mode != PolylineMode);
    }
    void drawPolygon(const QPoint *points, int count, PolygonDrawMode mode) override
    {
        QVector<QPointF> f;
        for (int i = 0; i < count; ++i)
            f.append(points[i]);
        drawPolygon(f.constData(), count, mode);
    }

private:
    static bool colorOf(const QBrush &brush, QRgb &rgb)
    {
        if (brush.style() == Qt::NoBrush)
            return false;
        QColor c = brush.color();
        // A gradient shows as its first stop: a laser line has one colour.
        if (const QGradient *g = brush.gradient())
            if (!g->stops().isEmpty())
                c = g->stops().constFirst().second;
        if (c.alpha() == 0)
            return false;
        rgb = c.rgb();
        return true;
    }

    void record(const QPainterPath &path, bool fillable)
    {
        QPainter *p = painter();
        if (!p || path.isEmpty() || p->opacity() <= 0.0)
            return;
        SvgShape s;
        const QPen pen = p->pen();
        if (pen.style() != Qt::NoPen && colorOf(pen.brush(), s.color)) {
            s.filled = false;
        } else if (fillable && colorOf(p->brush(), s.color)) {
            s.filled = true;
        } else {
            return;
        }
        s.path = p->combinedTransform().map(path);
        // The renderer fills and then strokes a shape with both: the beam
        // draws that outline once, in the stroke colour.
        if (!s.filled && !shapes.empty() && shapes.back().filled && shapes.back().path == s.path) {
            shapes.back() = std::move(s);
            return;
        }
        shapes.push_back(std::move(s));
    }
};

class RecordingDevice : public QPaintDevice
{
public:
    RecordingEngine engine;
    QPaintEngine *paintEngine() const override { return const_cast<RecordingEngine *>(&engine); }

protected:
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth:
        case PdmHeight:
            return 65534;
        case PdmWidthMM:
        case PdmHeightMM:
            return 65534 * 254 / 960;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDepth:
            return 32;
        case PdmNumColors:
            return INT_MAX;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(QPaintDevice::devicePixelRatioFScale());
        }
        return 0;
    }
};

SvgDrawing render(QSvgRenderer &renderer, double margin)
{
    SvgDrawing d;
    if (!renderer.isValid()) {
        d.error = QStringLiteral("not a readable SVG document");
        return d;
    }
    d.viewBox = renderer.viewBoxF();
    if (d.viewBox.width() <= 0 || d.viewBox.height() <= 0) {
        d.error = QStringLiteral("the document has no size (no viewBox, width or height)");
        return d;
    }
    // Render straight into ILDA units (Y still down), the viewBox fitted
    // with the same aspect so that the renderer's own mapping is uniform.
    const double k = fitTransform(d.viewBox, margin).m11();
    const QSizeF size = d.viewBox.size() * k;
    const QRectF bounds(QPointF(-size.width() / 2, -size.height() / 2), size);
    RecordingDevice device;
    {
        QPainter painter(&device);
        renderer.render(&painter, bounds);
    }
    const QTransform flip = QTransform::fromScale(1, -1);
    d.shapes = std::move(device.engine.shapes);
    for (SvgShape &s : d.shapes)
        s.path = flip.map(s.path);
    d.ok = true;
    return d;
}

} // namespace

QString importedFrameName(const QString &path)
{
    return QFileInfo(path).completeBaseName().toLatin1().left(8);
}

SvgDrawing readSvg(const QString &path, double margin)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        SvgDrawing d;
        d.error = file.errorString();
        qCDebug(lcContent) << "{readSvg}open file failure:" << path << d.error;
        return d;
    }
    return readSvgData(file.readAll(), margin);
}

SvgDrawing readSvgData(const QByteArray &data, double margin)
{
    QSvgRenderer renderer;
    renderer.load(data);
    return render(renderer, margin);
}

std::vector<Stroke> svgStrokes(const SvgDrawing &drawing, double tolerance)
{
    std::vector<Stroke> out;
    for (const SvgShape &s : drawing.shapes)
        appendPathStrokes(s.path, s.color, s.filled, tolerance, out);
    return out;
}
