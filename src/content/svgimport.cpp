#include "svgimport.h"

#include "contentlog.h"
#include "regularfile.h"
#include "textcodec.h"

#include <QFileInfo>
#include <QHash>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <cmath>
#include <zlib.h>

namespace {

// Everything the SVG renderer paints ends here as paths in device space;
// images are ignored, text arrives as filled glyph outlines.
class RecordingEngine : public QPaintEngine
{
public:
    RecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    std::vector<SvgShape> shapes;
    // Told of every shape drawn, out of the elements the document has.
    ProgressCallback progress;
    qint64 elements = 0;
    bool cancelled = false;
    bool tooLarge = false; // more than MaxSvgPathPoints: the rest is not kept

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
        if (cancelled || tooLarge || !p || path.isEmpty() || p->opacity() <= 0.0)
            return;
        if (progress && !progress(qint64(shapes.size()), elements)) {
            cancelled = true;
            return;
        }
        m_points += path.elementCount();
        if (m_points > MaxSvgPathPoints) {
            tooLarge = true;
            return;
        }
        SvgShape s;
        const QPen pen = p->pen();
        if (pen.style() != Qt::NoPen && colorOf(pen.brush(), s.color)) {
            s.filled = false;
        } else if (fillable && colorOf(p->brush(), s.color)) {
            s.filled = true;
        } else {
            return;
        }
        // A transform that overflowed (or scales by nothing) maps the shape
        // onto one point or nowhere: as in a browser, it is not drawn.
        const QTransform t = p->combinedTransform();
        const double det = t.determinant();
        if (!std::isfinite(det) || det == 0)
            return;
        s.path = t.map(path);
        // The renderer fills and then strokes a shape with both: the beam
        // draws that outline once, in the stroke colour.
        if (!s.filled && !shapes.empty() && shapes.back().filled && shapes.back().path == s.path) {
            shapes.back() = std::move(s);
            return;
        }
        shapes.push_back(std::move(s));
    }

    qint64 m_points = 0;
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

// A .svgz, unpacked; false when it is broken or unpacks to more than limit.
bool gunzip(const QByteArray &in, QByteArray &out, qint64 limit)
{
    z_stream z{};
    if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK)
        return false;
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.constData()));
    z.avail_in = uInt(in.size());
    out.clear();
    char chunk[64 * 1024];
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = reinterpret_cast<Bytef *>(chunk);
        z.avail_out = sizeof chunk;
        rc = inflate(&z, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END)
            break;
        const qint64 n = qint64(sizeof chunk - z.avail_out);
        if (out.size() + n > limit) {
            rc = Z_MEM_ERROR;
            break;
        }
        out.append(chunk, int(n));
        if (rc == Z_OK && n == 0 && z.avail_in == 0)
            rc = Z_DATA_ERROR; // cut short
    }
    inflateEnd(&z);
    return rc == Z_STREAM_END;
}

QString localName(const QStringRef &qualified)
{
    const int colon = qualified.lastIndexOf(QLatin1Char(':'));
    return (colon < 0 ? qualified : qualified.mid(colon + 1)).toString();
}

// Numbers in path data or a point list, about two per point drawn.
qint64 numberCount(const QStringRef &text)
{
    qint64 n = 0;
    bool inNumber = false;
    for (const QChar c : text) {
        const bool digit = c.isDigit();
        if (digit && !inNumber)
            ++n;
        inNumber = digit || c == QLatin1Char('.');
    }
    return n;
}

// "100", "10.5mm": an absolute size. A percentage is of a viewport the file
// does not have.
bool positiveLength(const QString &text)
{
    static const QRegularExpression length(
        QStringLiteral("^\\s*(\\d*\\.?\\d+(?:[eE][-+]?\\d+)?)\\s*(?:px|pt|pc|mm|cm|in)?\\s*$"));
    const QRegularExpressionMatch m = length.match(text);
    if (!m.hasMatch())
        return false;
    const double v = m.captured(1).toDouble();
    return v > 0 && std::isfinite(v);
}

bool validViewBox(const QString &text)
{
    const QStringList parts = text.split(QRegularExpression(QStringLiteral("[\\s,]+")), Qt::SkipEmptyParts);
    if (parts.size() != 4)
        return false;
    double v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = parts[i].toDouble(&ok);
        if (!ok || !std::isfinite(v[i]))
            return false;
    }
    return v[2] > 0 && v[3] > 0;
}

// The document as the renderer gets it, and what was learnt on the way.
struct Prepared
{
    QByteArray svg;
    QString error;
    bool hasSize = false; // its own viewBox, or width and height
    qint64 elements = 0;  // counting every copy made by <use>
};

// One element, for counting what the renderer will draw.
struct Element
{
    int firstChild = -1;
    int nextSibling = -1;
    int use = -1;      // the element a <use> draws
    qint64 points = 0; // of its own path data
    qint64 total = 0;  // elements, with its children and what it uses
    qint64 totalPoints = 0;
    char state = 0; // 0 not counted, 1 being counted, 2 counted
};

// How many elements the renderer walks through and path points it draws,
// <use> copies included; false when a <use> refers to itself. Counts stop
// growing past the limits.
bool expandedCount(std::vector<Element> &elements, qint64 &count, qint64 &points)
{
    const qint64 limit = qint64(MaxSvgElements) + 1, pointLimit = MaxSvgPathPoints + 1;
    // Depth first without recursion: <use> chains can be long.
    std::vector<std::pair<int, bool>> stack; // element, its parts pushed
    if (!elements.empty()) {
        stack.push_back({0, false});
        while (!stack.empty()) {
            auto [i, pushed] = stack.back();
            Element &e = elements[size_t(i)];
            if (!pushed) {
                stack.back().second = true;
                if (e.state == 2) {
                    stack.pop_back();
                    continue;
                }
                e.state = 1;
                for (int c = e.firstChild; c >= 0; c = elements[size_t(c)].nextSibling)
                    if (elements[size_t(c)].state == 0)
                        stack.push_back({c, false});
                if (e.use >= 0) {
                    if (elements[size_t(e.use)].state == 1)
                        return false;
                    if (elements[size_t(e.use)].state == 0)
                        stack.push_back({e.use, false});
                }
                continue;
            }
            stack.pop_back();
            qint64 t = 1, p = e.points;
            const auto add = [&](const Element &part) {
                t = std::min(limit, t + part.total);
                p = std::min(pointLimit, p + part.totalPoints);
            };
            for (int c = e.firstChild; c >= 0; c = elements[size_t(c)].nextSibling)
                add(elements[size_t(c)]);
            if (e.use >= 0)
                add(elements[size_t(e.use)]);
            e.total = t;
            e.totalPoints = p;
            e.state = 2;
        }
    }
    count = elements.empty() ? 0 : elements.front().total;
    points = elements.empty() ? 0 : elements.front().totalPoints;
    return true;
}

// Copies the document for the renderer without what it must not see: images
// (never drawn, and opening what they name could read any file or block on a
// pipe), the DTD, comments and processing instructions. A root without a size
// gets a unit viewBox, so that the renderer never measures the whole tree
// (exponential in nested <use>); the size is then taken from what is drawn.
// Refuses documents that would draw too much.
Prepared prepare(const QByteArray &data)
{
    Prepared p;
    QByteArray text = data;
    if (data.startsWith("\x1f\x8b") && !gunzip(data, text, MaxSvgFileSize)) {
        p.error = QStringLiteral("a broken or too large compressed SVG (over %1 bytes unpacked)").arg(MaxSvgFileSize);
        return p;
    }
    QXmlStreamReader in(text);
    in.setNamespaceProcessing(false);
    QXmlStreamWriter out(&p.svg);
    std::vector<Element> elements;
    std::vector<int> open;      // elements being read, innermost last
    std::vector<int> lastChild; // of each element, to link the next one
    QHash<QString, int> ids;
    std::vector<std::pair<int, QString>> uses;
    out.writeStartDocument();
    while (!in.atEnd()) {
        switch (in.readNext()) {
        case QXmlStreamReader::StartElement: {
            const QString name = localName(in.qualifiedName());
            if (name == QLatin1String("image")) {
                in.skipCurrentElement();
                break;
            }
            if (int(open.size()) >= MaxSvgNesting) {
                p.error = QStringLiteral("elements nested more than %1 deep").arg(MaxSvgNesting);
                return p;
            }
            if (int(elements.size()) >= MaxSvgElements) {
                p.error = QStringLiteral("more than %1 elements").arg(MaxSvgElements);
                return p;
            }
            const int index = int(elements.size());
            elements.emplace_back();
            lastChild.push_back(-1);
            if (!open.empty()) {
                int &last = lastChild[size_t(open.back())];
                (last < 0 ? elements[size_t(open.back())].firstChild : elements[size_t(last)].nextSibling) = index;
                last = index;
            } else if (index > 0) {
                p.error = QStringLiteral("not a readable SVG document");
                return p;
            }
            open.push_back(index);
            QXmlStreamAttributes attributes = in.attributes();
            Element &e = elements.back();
            for (const QXmlStreamAttribute &a : attributes) {
                const QStringRef attr = a.qualifiedName();
                if (attr == QLatin1String("id"))
                    ids.insert(a.value().toString(), index);
                else if (attr == QLatin1String("d") || attr == QLatin1String("points"))
                    e.points += numberCount(a.value()) / 2;
                else if (name == QLatin1String("use") && localName(attr) == QLatin1String("href") &&
                         a.value().startsWith(QLatin1Char('#')))
                    uses.emplace_back(index, a.value().mid(1).toString());
            }
            if (index == 0) {
                if (name != QLatin1String("svg")) {
                    p.error = QStringLiteral("not a readable SVG document");
                    return p;
                }
                p.hasSize = validViewBox(attributes.value(QLatin1String("viewBox")).toString()) ||
                            (positiveLength(attributes.value(QLatin1String("width")).toString()) &&
                             positiveLength(attributes.value(QLatin1String("height")).toString()));
                if (!p.hasSize) {
                    QXmlStreamAttributes kept;
                    for (const QXmlStreamAttribute &a : attributes)
                        if (a.qualifiedName() != QLatin1String("viewBox"))
                            kept.append(a);
                    kept.append(QStringLiteral("viewBox"), QStringLiteral("0 0 1 1"));
                    attributes = kept;
                }
            }
            out.writeStartElement(in.qualifiedName().toString());
            for (const QXmlStreamNamespaceDeclaration &ns : in.namespaceDeclarations())
                out.writeAttribute(ns.prefix().isEmpty() ? QStringLiteral("xmlns")
                                                         : QStringLiteral("xmlns:") + ns.prefix().toString(),
                                   ns.namespaceUri().toString());
            for (const QXmlStreamAttribute &a : attributes)
                out.writeAttribute(a.qualifiedName().toString(), a.value().toString());
            break;
        }
        case QXmlStreamReader::EndElement:
            out.writeEndElement();
            open.pop_back();
            break;
        case QXmlStreamReader::Characters:
            if (in.isCDATA())
                out.writeCDATA(in.text().toString());
            else
                out.writeCharacters(in.text().toString());
            break;
        default:
            break; // the DTD, comments, processing instructions, entity references
        }
    }
    if (in.hasError() || elements.empty()) {
        p.error = QStringLiteral("not a readable SVG document");
        return p;
    }
    out.writeEndDocument();
    for (const auto &u : uses) {
        const auto it = ids.constFind(u.second);
        if (it != ids.constEnd())
            elements[size_t(u.first)].use = it.value();
    }
    qint64 points = 0;
    if (!expandedCount(elements, p.elements, points)) {
        p.error = QStringLiteral("a <use> element refers to itself");
        p.svg.clear();
    } else if (p.elements > MaxSvgElements) {
        p.error =
            QStringLiteral("it draws more than %1 elements (counting every copy <use> makes)").arg(MaxSvgElements);
        p.svg.clear();
    } else if (points > MaxSvgPathPoints) {
        p.error = QStringLiteral("its paths hold more than %1 points").arg(MaxSvgPathPoints);
        p.svg.clear();
    }
    return p;
}

SvgDrawing render(const Prepared &prepared, double margin, const ProgressCallback &progress)
{
    SvgDrawing d;
    if (!prepared.error.isEmpty()) {
        d.error = prepared.error;
        return d;
    }
    QSvgRenderer renderer;
    renderer.load(prepared.svg);
    if (!renderer.isValid()) {
        d.error = QStringLiteral("not a readable SVG document");
        return d;
    }
    // With a size, render straight into ILDA units (Y still down), the viewBox
    // fitted with the same aspect so that the renderer's own mapping is
    // uniform. Without one, the unit viewBox given it is drawn as it stands
    // and what was drawn is fitted afterwards.
    QRectF bounds(0, 0, 1, 1);
    if (prepared.hasSize) {
        d.viewBox = renderer.viewBoxF();
        if (!(d.viewBox.width() > 0 && d.viewBox.height() > 0)) {
            d.error = QStringLiteral("the document has no size (no viewBox, width or height)");
            return d;
        }
        const double k = fitTransform(d.viewBox, margin).m11();
        const QSizeF size = d.viewBox.size() * k;
        bounds = QRectF(QPointF(-size.width() / 2, -size.height() / 2), size);
    }
    RecordingDevice device;
    device.engine.progress = progress;
    device.engine.elements = prepared.elements;
    {
        QPainter painter(&device);
        renderer.render(&painter, bounds);
    }
    if (device.engine.cancelled) {
        d.cancelled = true;
        d.error = QStringLiteral("cancelled");
        return d;
    }
    if (device.engine.tooLarge) {
        d.error = QStringLiteral("its paths hold more than %1 points").arg(MaxSvgPathPoints);
        return d;
    }
    d.shapes = std::move(device.engine.shapes);
    QTransform toIlda = QTransform::fromScale(1, -1);
    if (!prepared.hasSize) {
        QRectF drawn;
        for (const SvgShape &s : d.shapes)
            drawn = drawn.united(s.path.controlPointRect());
        if (!(drawn.width() > 0 || drawn.height() > 0) || !std::isfinite(drawn.width()) ||
            !std::isfinite(drawn.height())) {
            d.shapes.clear();
            d.error = QStringLiteral("the document has no size (no viewBox, width or height)");
            return d;
        }
        d.viewBox = drawn;
        toIlda = fitTransform(drawn, margin);
    }
    for (SvgShape &s : d.shapes)
        s.path = toIlda.map(s.path);
    d.ok = true;
    return d;
}

} // namespace

QString importedFrameName(const QString &path)
{
    // Control characters and spaces would reach a console or a projector's
    // display as they are; characters GBK lacks would become "?".
    QString kept;
    const QString base = QFileInfo(path).completeBaseName();
    for (int i = 0; i < base.size(); ++i) {
        const int n = base.at(i).isHighSurrogate() && i + 1 < base.size() ? 2 : 1;
        const QString ch = base.mid(i, n);
        const uint u = ch.toUcs4().value(0);
        if (u > 32 && u < 127)
            kept += ch;
        else if (u >= 128 && QChar::isPrint(u) && !QChar::isSpace(u) && TextCodec::canStore(ch))
            kept += ch;
        i += n - 1;
    }
    QByteArray field = TextCodec::gbkField(kept, 8);
    field.truncate(int(qstrnlen(field.constData(), uint(field.size()))));
    return QString::fromLatin1(field);
}

SvgDrawing readSvg(const QString &path, double margin, const ProgressCallback &progress)
{
    QByteArray bytes;
    IldReadResult read;
    if (!readRegularFile(path, bytes, read, MaxSvgFileSize)) {
        SvgDrawing d;
        d.error = read.kind == IldReadResult::NotRegularFile
                      ? QStringLiteral("not a regular file (a folder, device or pipe)")
                      : read.detail;
        qCDebug(lcContent) << "{readSvg}open file failure:" << path << d.error;
        return d;
    }
    return readSvgData(bytes, margin, progress);
}

SvgDrawing readSvgData(const QByteArray &data, double margin, const ProgressCallback &progress)
{
    if (data.size() > MaxSvgFileSize) {
        SvgDrawing d;
        d.error = QStringLiteral("larger than %1 bytes").arg(MaxSvgFileSize);
        return d;
    }
    return render(prepare(data), margin, progress);
}

std::vector<Stroke> svgStrokes(const SvgDrawing &drawing, double tolerance, QString *warning)
{
    std::vector<Stroke> out;
    qint64 budget = MaxSvgPathPoints;
    for (const SvgShape &s : drawing.shapes) {
        if (!appendPathStrokes(s.path, s.color, s.filled, tolerance, out, &budget)) {
            const QString text =
                QStringLiteral("the drawing needs more than %1 points: the rest is left out").arg(MaxSvgPathPoints);
            qCDebug(lcContent) << "{svgStrokes}" << text;
            if (warning)
                *warning = text;
            break;
        }
    }
    return out;
}
