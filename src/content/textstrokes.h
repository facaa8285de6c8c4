#pragma once

#include "pathflatten.h"
#include "progress.h"
#include "stroke.h"

#include <QRgb>
#include <QString>

#include <vector>

// Longest text drawn: far more letters than one frame can show.
constexpr int MaxTextLength = 100000;

struct TextOptions
{
    static QString defaultOutlineFamily() { return QStringLiteral("WenQuanYi Micro Hei"); }
    static QString defaultStrokeFont() { return QStringLiteral("rowmans"); }

    QString family;      // installed font, or with stroke a Hershey font name (a name, not a path)
    bool stroke = false; // single-stroke Hershey letters instead of outlines
    double margin = 0.0;
    double tolerance = DefaultFlattenTolerance;
    QRgb color = qRgb(255, 255, 255);
};

struct TextDrawing
{
    bool ok = false;
    bool cancelled = false;
    QString error;
    std::vector<Stroke> strokes;
    int fallbackChars = 0; // letters the Hershey font lacks, drawn as outlines
};

// One line of text fitted into the ILDA square. Outlines come from
// QPainterPath::addText (Chinese through WenQuanYi by default); with stroke,
// letters come from a Hershey font and characters it lacks fall back to
// outlines of the default font. progress hears of the letters laid out and
// may cancel. The strokes hold at most MaxDrawingPoints points.
TextDrawing textStrokes(const QString &text, const TextOptions &options, const ProgressCallback &progress = {});
