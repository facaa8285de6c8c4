#include "framerenderer.h"

#include "beamfan.h"
#include "colorresolve.h"
#include "ildframe.h"

#include <QObject>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int OriginX = 0;
constexpr int OriginY = 5000; // where the beam view puts the projector
constexpr int FanReach = 33000;
constexpr int LabelStep = 1500;
constexpr int DotRadius = 200;

// ILDA space is square: a wide or tall area gets bars rather than a circle
// drawn as an ellipse. A square viewport is left exactly as it is.
void letterbox(QPainter *p)
{
    const QRect vp = p->viewport();
    if (vp.width() == vp.height())
        return;
    const int side = std::min(vp.width(), vp.height());
    p->setViewport(vp.x() + (vp.width() - side) / 2, vp.y() + (vp.height() - side) / 2, side, side);
}

void setUpWindow(QPainter *p)
{
    p->setWindow(-33000, 33000, 66000, -66000); // ILDA units, +Y up
}

void setDownWindow(QPainter *p)
{
    p->setWindow(-33000, -33000, 66000, 66000); // +Y down, for text
}

// Keeps a label of the given step inside the ±33000 window.
QPoint labelOffset(int x, int y, int s)
{
    int dx, dy;
    if (x > 0)
        dx = x + 2 * s <= 32999 ? 0 : -s;
    else
        dx = x - 2 * s >= -32999 ? -s : 0;
    if (y > 0)
        dy = y + 2 * s <= 32999 ? s : 0;
    else
        dy = y - 2 * s >= -32999 ? 0 : s;
    return QPoint(dx, dy);
}

bool isBlack(QRgb c)
{
    return qRed(c) == 0 && qGreen(c) == 0 && qBlue(c) == 0;
}

// Pushes q away from the projector origin until its larger offset reaches the
// fan's reach. A point on the origin has no direction: no fan then.
bool extendFromOrigin(const QPoint &q, QPoint &out)
{
    const int dx = q.x() - OriginX;
    const int dy = q.y() - OriginY;
    const int m = std::max(std::abs(dx), std::abs(dy));
    if (m == 0)
        return false;
    const double k = double(FanReach) / m;
    out = QPoint(OriginX + int(std::trunc(dx * k)), OriginY + int(std::trunc(dy * k)));
    return true;
}

int roundHalfAway(double v)
{
    return v >= 0 ? int(v + 0.5) : int(v - 0.5);
}

// Sets the pen only when its colour changes: pens are not free and most
// consecutive segments share a colour.
class PenCache
{
public:
    explicit PenCache(QPainter *p) : m_painter(p) {}
    void use(QRgb c)
    {
        if (m_valid && c == m_color)
            return;
        m_painter->setPen(QPen(QColor::fromRgba(c)));
        m_color = c;
        m_valid = true;
    }
    void invalidate() { m_valid = false; }
    // Same for the dot brush.
    void useBrush(const QColor &c)
    {
        const QRgb rgba = c.rgba();
        if (m_brushValid && rgba == m_brush)
            return;
        m_painter->setBrush(QBrush(c, Qt::SolidPattern));
        m_brush = rgba;
        m_brushValid = true;
    }

private:
    QPainter *m_painter;
    QRgb m_color = 0;
    bool m_valid = false;
    QRgb m_brush = 0;
    bool m_brushValid = false;
};

// color and repeats are the renderer's dwell-marker state.
void dwellStep(QPainter *painter, const QPoint &p, const QPoint &v, QRgb k, PenCache &pens, QColor &color, int &repeats)
{
    if (p == v) {
        if (!isBlack(k)) {
            color = QColor::fromRgb(k);
        } else {
            color = QColor(int(0.8 * color.red() + 0.2 * qRed(k)), int(0.8 * color.green() + 0.2 * qGreen(k)),
                           int(0.8 * color.blue() + 0.2 * qBlue(k)));
        }
        ++repeats;
        return;
    }
    if (repeats != 0) {
        setDownWindow(painter);
        painter->setPen(QPen(QColor(255, 255, 255, 100)));
        pens.invalidate();
        QFont font = painter->font();
        font.setPixelSize(2000);
        painter->setFont(font);
        const QPoint down(p.x(), -p.y());
        const QPoint at = down + labelOffset(down.x(), down.y(), LabelStep);
        painter->drawText(at, QString::number(repeats + 1));
        repeats = 0;
    }
    setUpWindow(painter);
    pens.useBrush(color);
    painter->drawEllipse(
        QRect(QPoint(p.x() - DotRadius, p.y() - DotRadius), QPoint(p.x() + DotRadius - 1, p.y() + DotRadius - 1)));
}

} // namespace

void FrameRenderer::resetDwellMarkers()
{
    m_dwell = DwellState();
}

void FrameRenderer::paint(QPainter *painter, const IldFrame &frame, const ColorContext &colors,
                          const PaintOptions &options)
{
    if (!painter)
        return;
    const bool beamView = options.beamView;
    const bool warn = options.warn;
    const std::vector<IldVertex> &vertices = frame.vertices;
    const float scaleX = frame.scaleX, scaleY = frame.scaleY, offsetX = frame.offsetX, offsetY = frame.offsetY;
    letterbox(painter);
    setUpWindow(painter);

    if (options.centerLines || warn) {
        QPen cross(Qt::DashDotDotLine);
        cross.setBrush(warn ? Qt::yellow : Qt::gray);
        painter->setPen(cross);
        painter->drawLine(-25000, 0, 25000, 0);
        painter->drawLine(0, -25000, 0, 25000);
    }

    const int n = int(vertices.size());
    auto screen = [=](const IldVertex &v) {
        return QPoint(int(std::trunc(float(v.x) * scaleX - offsetX)), int(std::trunc(float(v.y) * scaleY - offsetY)));
    };

    PenCache pens(painter);
    BeamFanLayer fans;
    const bool layered = beamView && fans.begin(painter, QPoint(OriginX, OriginY), FanReach, m_fanLayer);
    const QPoint origin(OriginX, OriginY);
    const QRgb gray = QColor(Qt::gray).rgba();

    QPoint prev = n > 0 ? screen(vertices[0]) : QPoint();
    for (int i = 1; i < n; ++i) {
        const IldVertex &v = vertices[size_t(i)];
        const QPoint p = prev;
        QPoint e = screen(v);
        prev = e;
        const QRgb k = displayColor(colors, frame.format, v) | 0xff000000u;

        if (beamView && !isBlack(k) && p == e)
            e += QPoint(200, 200); // a dwell point shows as a short stroke

        if (v.isBlanked()) {
            if (options.showBlanking) {
                pens.use(gray);
                painter->drawLine(p, e);
            }
            continue;
        }

        if (options.dwellMarkers)
            dwellStep(painter, p, e, k, pens, m_dwell.color, m_dwell.repeats);
        pens.use(k);
        painter->drawLine(p, e);

        if (beamView) {
            QPoint pf, ef;
            if (!extendFromOrigin(p, pf) || !extendFromOrigin(e, ef))
                continue;
            const QPoint mid(roundHalfAway((pf.x() + ef.x()) / 2.0), roundHalfAway((pf.y() + ef.y()) / 2.0));
            if (layered)
                fans.addFan(pf, ef, mid, k);
            else
                paintBeamFan(painter, origin, pf, ef, mid, k);
        }
    }
    if (layered)
        fans.finish(painter);

    if (options.endLabel && n > 0) {
        const QPoint last = screen(vertices[size_t(n - 1)]);
        const QPoint down(last.x(), -last.y());
        setDownWindow(painter);
        QColor darkCyan(Qt::darkCyan);
        darkCyan.setAlpha(80);
        painter->setPen(QPen(darkCyan));
        painter->drawText(down + labelOffset(down.x(), down.y(), LabelStep), QObject::tr("End"));
    }
}
