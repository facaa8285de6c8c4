#pragma once

#include "stroke.h"

#include <QRgb>

#include <vector>

class QPainterPath;
class QRectF;
class QTransform;

// The ILDA square is 65534 units wide; curves are flattened to 0.05 % of it
// unless asked otherwise.
constexpr double FrameWidth = 65534.0;
constexpr double DefaultFlattenTolerance = 0.0005 * FrameWidth;
// Most points the strokes of one drawing may hold: a frame draws at most
// 65535, so more only fills memory.
constexpr qint64 MaxDrawingPoints = 2000000;

// Maps box (Y down, as drawings and fonts have it) into the ILDA square with
// one uniform scale, centred, Y up; the larger side spans
// -32767*(1-margin) .. +32767*(1-margin).
QTransform fitTransform(const QRectF &box, double margin);

// Appends every subpath of path (already in ILDA units) as a stroke of one
// colour, curves flattened so that no point of a curve is farther than
// tolerance from the polyline. closeAll closes every subpath (a filled
// outline); otherwise a subpath is closed when it ends where it began.
// A point that is not finite ends its subpath; a curve lying wholly outside
// the ILDA square is not subdivided (the optimiser cuts it off anyway); a
// tolerance that is not a positive number is the default one. budget, when
// given, is how many points may still be added: it is counted down, and
// flattening stops with false when it runs out.
bool appendPathStrokes(const QPainterPath &path, QRgb color, bool closeAll, double tolerance, std::vector<Stroke> &out,
                       qint64 *budget = nullptr);
