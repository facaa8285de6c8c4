#pragma once

#include "pathflatten.h"
#include "stroke.h"

#include <QRgb>
#include <QString>

#include <vector>

struct TextOptions
{
    static QString defaultOutlineFamily() { return QStringLiteral("WenQuanYi Micro Hei"); }
    static QString defaultStrokeFont() { return QStringLiteral("rowmans"); }

    QString family;      // installed font, or with stroke a Hershey font name
    bool stroke = false; // single-stroke Hershey letters instead of outlines
    double margin = 0.0;
    double tolerance = DefaultFlattenTolerance;
    QRgb color = qRgb(255, 255, 255);
};

struct TextDrawing
{
    bool ok = false;
    QString error;
    std::vector<Stroke> strokes;
    int fallbackChars = 0; // letters the Hershey font lacks, drawn as outlines
};

// One line of text fitted into the ILDA square. Outlines come from
// QPainterPath::addText (Chinese through WenQuanYi by default); with stroke,
// letters come from a Hershey font and characters it lacks fall back to
// outlines of the default font.
TextDrawing textStrokes(const QString &text, const TextOptions &options);
