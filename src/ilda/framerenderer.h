#pragma once

#include "colorcontext.h"
#include "paintoptions.h"

#include <QColor>
#include <QImage>

class IldFrame;
class QPainter;

// Draws frames. One renderer carries the dwell-marker state from frame to
// frame (a run of repeated points at the end of one frame is labelled by
// whatever is painted next) and keeps the beam view's layer buffer; the app
// holds one that every view uses.
class FrameRenderer
{
public:
    // Draws frame into the largest centred square of the painter's viewport
    // (ILDA space is square): the laser path, optionally blanked moves,
    // centre cross, dwell markers, an "End" label and the beam-view light
    // fans.
    void paint(QPainter *painter, const IldFrame &frame, const ColorContext &colors, const PaintOptions &options);
    // Forgets the dwell-marker colour and repeat count.
    void resetDwellMarkers();

private:
    struct DwellState
    {
        QColor color = QColor(0, 0, 0);
        int repeats = 0;
    };
    DwellState m_dwell;
    QImage m_fanLayer;
};
