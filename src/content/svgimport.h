#pragma once

#include "pathflatten.h"
#include "progress.h"
#include "stroke.h"

#include <QPainterPath>
#include <QRectF>
#include <QRgb>
#include <QString>

#include <vector>

// What one drawing may hold. A frame draws at most 65535 points, so larger
// documents are refused with a message instead of filling memory.
constexpr qint64 MaxSvgFileSize = 32 << 20;           // bytes of the file, or of a .svgz unpacked
constexpr int MaxSvgElements = 200000;                // elements, counting every copy a <use> makes
constexpr int MaxSvgNesting = 256;                    // elements inside one another
constexpr qint64 MaxSvgPathPoints = MaxDrawingPoints; // points of the paths drawn

// One drawn shape of an SVG document, mapped into ILDA units (+Y up).
struct SvgShape
{
    QPainterPath path;
    QRgb color = 0;
    bool filled = false; // outline of a fill (closed), else a stroked line
};

struct SvgDrawing
{
    bool ok = false;
    bool cancelled = false;
    QString error;
    QRectF viewBox;
    std::vector<SvgShape> shapes; // in drawing order
};

// Renders the document with Qt's SVG module into a recorder and keeps every
// path with its transform applied: the viewBox (else width/height, else the
// bounds of what is drawn) fitted into the ILDA square by fitTransform.
// Stroked paths keep the stroke colour; filled-only shapes give their outline
// in the fill colour. Images are not drawn and never opened; only a regular
// file is read. progress hears of the shapes drawn and may cancel.
SvgDrawing readSvg(const QString &path, double margin, const ProgressCallback &progress = {});
SvgDrawing readSvgData(const QByteArray &data, double margin, const ProgressCallback &progress = {});

// Name of the frame made from the file at path: the printable characters of
// its base name that GBK holds, as GBK bytes (one character per byte, as
// frame names are read and written), at most the 8 bytes a section header
// holds and cut only between characters: "图标.svg" keeps both characters.
QString importedFrameName(const QString &path);

// The shapes as strokes in drawing order. At most MaxSvgPathPoints points:
// what lies beyond is left out and warning (when given) says so.
std::vector<Stroke> svgStrokes(const SvgDrawing &drawing, double tolerance = DefaultFlattenTolerance,
                               QString *warning = nullptr);
