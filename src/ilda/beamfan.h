#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QtGui/qrgb.h>
#include <QTransform>

#include <vector>

class QPainter;

// Beam view: every visible segment throws a translucent fan of light from the
// projector origin, the triangle from the origin through the segment's ends
// pushed out to `reach` (max-norm), filled with a linear gradient from the
// origin (colour at full alpha, 50 at 0.5 % of the way) to the midpoint of the
// far side (alpha 5).
//
// A frame has up to a few thousand such fans, nearly all of them slivers a
// pixel or two wide and hundreds of rows tall, so painting them one by one
// (through QPainter or a plain rasteriser) is all per-row overhead. They share
// their apex, though: a narrow fan's gradient position at a point is, to well
// a few percent, the point's max-norm distance from the origin over the
// reach, the same for every such fan. So those fans are collected by
// direction (bins along the square the reach describes); for every run of
// bins that the same fans cover, their colours are composited in paint order
// at a ladder of alpha levels, and the layer is filled in one pass over the
// pixels by looking up the pixel's run and interpolating its alpha between
// levels. Fans whose gradient strays further from the shared one, and fans
// over a corner of that square (cut by their chord), are rasterised exactly
// on top. The layer is composited once; the fans end up above all the
// segments of the frame, which at these alphas nobody can tell apart from the
// interleaved order.
class BeamFanLayer
{
public:
    // Takes the painter's current transform and viewport. The fans are
    // collected in buffer, which the caller keeps between frames (its clean
    // pixels are reused). Returns false when the layer cannot follow the
    // transform (perspective); paint fans with paintBeamFan() then.
    bool begin(QPainter *painter, const QPoint &origin, int reach, QImage &buffer);
    // a and b lie on the reach square; the gradient runs from the origin to
    // gradientEnd. All in the painter's logical coordinates.
    void addFan(const QPoint &a, const QPoint &b, const QPoint &gradientEnd, QRgb color);
    // Composites what was added and leaves the painter's state as it was.
    void finish(QPainter *painter);

private:
    struct SharedFan
    {
        int first, last; // bins [first, last)
        QRgb color;
    };
    struct WideFan
    {
        QPoint a, b, end;
        QRgb color;
    };
    double perimeterPos(double dx, double dy) const;
    QRect layerBox(const QPoint &a, const QPoint &b) const;
    void fillNarrow();
    void rasterize(const WideFan &fan);

    QImage *m_layer = nullptr;
    QTransform m_toLayer;
    QTransform m_fromLayer;
    QRect m_viewport;
    qreal m_dpr = 1.0;
    QRect m_dirty;
    QPoint m_origin;
    int m_reach = 1;
    int m_binCount = 0;
    std::vector<SharedFan> m_shared;
    double m_binsPerUnit = 1.0;
    std::vector<WideFan> m_wide;
    bool m_active = false;
};

// One fan straight through QPainter (fallback, and the reference the layer is
// compared against).
void paintBeamFan(QPainter *painter, const QPoint &origin, const QPoint &a, const QPoint &b, const QPoint &gradientEnd,
                  QRgb color);

// Alpha of the fan gradient at position t (0 at the origin, 1 at the end).
int beamFanAlpha(double t);
