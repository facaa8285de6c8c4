#pragma once

#include "pathflatten.h"
#include "stroke.h"

#include <QPainterPath>
#include <QRectF>
#include <QRgb>
#include <QString>

#include <vector>

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
    QString error;
    QRectF viewBox;
    std::vector<SvgShape> shapes; // in drawing order
};

// Renders the document with Qt's SVG module into a recorder and keeps every
// path with its transform applied: the viewBox (else width/height) fitted into
// the ILDA square by fitTransform. Stroked paths keep the stroke colour;
// filled-only shapes give their outline in the fill colour.
SvgDrawing readSvg(const QString &path, double margin);
SvgDrawing readSvgData(const QByteArray &data, double margin);

// Name of the frame made from the file at path: its base name, at most the 8
// bytes a section header holds.
QString importedFrameName(const QString &path);

// The shapes as strokes in drawing order.
std::vector<Stroke> svgStrokes(const SvgDrawing &drawing, double tolerance = DefaultFlattenTolerance);
