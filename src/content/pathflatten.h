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

// Maps box (Y down, as drawings and fonts have it) into the ILDA square with
// one uniform scale, centred, Y up; the larger side spans
// -32767*(1-margin) .. +32767*(1-margin).
QTransform fitTransform(const QRectF &box, double margin);

// Appends every subpath of path (already in ILDA units) as a stroke of one
// colour, curves flattened so that no point of a curve is farther than
// tolerance from the polyline. closeAll closes every subpath (a filled
// outline); otherwise a subpath is closed when it ends where it began.
void appendPathStrokes(const QPainterPath &path, QRgb color, bool closeAll, double tolerance, std::vector<Stroke> &out);
