// Frame painting rates: the frame view with and without beam view against a
// plain drawLine loop over the same points, and the thumbnails of a working
// list. Prints figures only.

#include "beamfan.h"
#include "framecontext.h"
#include "framerenderer.h"
#include "framesetmodel.h"
#include "ildaframedraw.h"
#include "ildframe.h"
#include "ildframeset.h"
#include "viewsettings.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextStream>

#include <cmath>
#include <functional>

namespace {

// A show-like frame: a star, a circle and a zigzag line with blanked jumps
// between them, colours changing along the way.
IldFrame makeFrame(int points, int seed)
{
    IldFrame f;
    f.format = 5;
    const int third = points / 3;
    auto add = [&f](double x, double y, bool blank, int hue) {
        IldVertex v;
        v.x = qint16(qBound(-32767.0, x, 32767.0));
        v.y = qint16(qBound(-32767.0, y, 32767.0));
        v.status = blank ? IldVertex::Blanked : 0;
        const QColor c = QColor::fromHsv(hue % 360, 255, 255);
        v.r = quint8(c.red());
        v.g = quint8(c.green());
        v.b = quint8(c.blue());
        f.vertices.push_back(v);
    };
    const double pi = 3.14159265358979;
    for (int i = 0; i < third; ++i) { // star
        const double a = 2 * pi * i / third;
        const double r = (i * 10 / third) % 2 ? 9000 : 24000;
        add(r * std::cos(a) - 4000, r * std::sin(a) + 2000, i == 0, seed * 7 + i / 30 * 40);
    }
    for (int i = 0; i < third; ++i) { // circle
        const double a = 2 * pi * i / (third - 1);
        add(12000 * std::cos(a) + 15000, 12000 * std::sin(a) - 14000, i == 0, seed * 11 + 120);
    }
    const int rest = points - 2 * third;
    for (int i = 0; i < rest; ++i) { // zigzag
        const double x = -28000 + 56000.0 * i / rest;
        const double y = -26000 + ((i / 20) % 2 ? 6000 : -2000) + (i % 20) * 300;
        add(x, y, i == 0, seed * 13 + 240 + i / 60 * 20);
    }
    f.pointCount = quint16(f.vertices.size());
    return f;
}

QString g_only; // run one figure only (profiling): reference, plain, beam, direct, thumbs

// A dense figure: an eight-petal rose through the middle, 1800 points, colour
// cycling along it. Many fans overlap; some pass close to the projector.
IldFrame makeRose(int points)
{
    IldFrame f;
    f.format = 5;
    for (int i = 0; i < points; ++i) {
        const double a = 2 * 3.14159265358979 * i / (points - 1);
        const double r = 28000 * std::cos(4 * a);
        IldVertex v;
        v.x = qint16(r * std::cos(a));
        v.y = qint16(r * std::sin(a));
        v.status = i == 0 ? IldVertex::Blanked : 0;
        const QColor c = QColor::fromHsv((i / 5) % 360, 255, 255);
        v.r = quint8(c.red());
        v.g = quint8(c.green());
        v.b = quint8(c.blue());
        f.vertices.push_back(v);
    }
    f.pointCount = quint16(f.vertices.size());
    return f;
}

double rate(const QString &what, const std::function<void()> &once, double seconds = 1.5)
{
    if (!g_only.isEmpty() && g_only != what)
        return 0;
    once(); // warm-up
    QElapsedTimer t;
    t.start();
    int n = 0;
    while (t.nsecsElapsed() < qint64(seconds * 1e9)) {
        once();
        ++n;
    }
    return n / (t.nsecsElapsed() / 1e9);
}

void beginFramePainter(QPainter &p, QImage &img)
{
    img.fill(Qt::black);
    p.begin(&img);
    p.setRenderHint(QPainter::Qt4CompatiblePainting);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    if (argc > 1)
        g_only = QString::fromLocal8Bit(argv[1]);

    const IldFrame frame = makeFrame(1800, 1);
    QImage img(1000, 1000, QImage::Format_ARGB32_Premultiplied);

    std::vector<QPoint> pts;
    for (const IldVertex &v : frame.vertices)
        pts.emplace_back(v.x, v.y);

    const double reference = rate(QStringLiteral("reference"), [&] {
        QPainter p;
        beginFramePainter(p, img);
        p.setWindow(-33000, 33000, 66000, -66000);
        p.setPen(QPen(Qt::white));
        for (size_t i = 1; i < pts.size(); ++i)
            p.drawLine(pts[i - 1], pts[i]);
        p.end();
    });
    // What the app hands the views: colours, renderer, working set.
    struct
    {
        OwnedViewSettings view;
        FrameRenderer renderer;
        IldFrameSet work;
        FrameContext frames;
    } shared;
    shared.frames.view = shared.view.get();
    shared.frames.renderer = &shared.renderer;
    shared.frames.workSet = &shared.work;
    PaintOptions blanking = PaintOptions::frameView();
    blanking.showBlanking = true;
    PaintOptions beamView = PaintOptions::frameView();
    beamView.beamView = true;
    const double plain = rate(QStringLiteral("plain"), [&] {
        QPainter p;
        beginFramePainter(p, img);
        shared.renderer.paint(&p, frame, shared.view->colors, blanking);
        p.end();
    });
    const double beam = rate(QStringLiteral("beam"), [&] {
        QPainter p;
        beginFramePainter(p, img);
        shared.renderer.paint(&p, frame, shared.view->colors, beamView);
        p.end();
    });
    const IldFrame rose = makeRose(1800);
    const double beamRose = rate(QStringLiteral("rose"), [&] {
        QPainter p;
        beginFramePainter(p, img);
        shared.renderer.paint(&p, rose, shared.view->colors, beamView);
        p.end();
    });
    // What a fan per segment straight through QPainter manages.
    auto direct = [&](const IldFrame &f) {
        QPainter p;
        beginFramePainter(p, img);
        p.setWindow(-33000, 33000, 66000, -66000);
        const QPoint o(0, 5000);
        for (size_t i = 1; i < f.vertices.size(); ++i) {
            const IldVertex &v = f.vertices[i];
            if (v.isBlanked())
                continue;
            const QPoint a(f.vertices[i - 1].x, f.vertices[i - 1].y), b(v.x, v.y);
            p.setPen(QPen(QColor(v.r, v.g, v.b)));
            p.drawLine(a, b);
            auto ext = [&o](QPoint q) {
                const QPoint d = q - o;
                const double k = 33000.0 / std::max(std::abs(d.x()), std::abs(d.y()));
                return o + QPoint(int(d.x() * k), int(d.y() * k));
            };
            const QPoint ea = ext(a), eb = ext(b);
            paintBeamFan(&p, o, ea, eb, (ea + eb) / 2, qRgb(v.r, v.g, v.b));
        }
        p.end();
    };
    const double beamDirect = rate(QStringLiteral("direct"), [&] { direct(frame); });
    const double beamDirectRose = rate(QStringLiteral("direct"), [&] { direct(rose); });

    out << "1800-point frame on a 1000x1000 image (frames per second)\n";
    out << "  reference drawLine loop:      " << QString::number(reference, 'f', 1) << "\n";
    out << "  paint, no beam view:          " << QString::number(plain, 'f', 1) << "  ("
        << QString::number(reference / plain, 'f', 2) << "x the reference time)\n";
    out << "  paint, beam view:             " << QString::number(beam, 'f', 1) << "\n";
    out << "  beam view, QPainter per fan:  " << QString::number(beamDirect, 'f', 1) << "\n";
    out << "dense rose, 1800 points, beam view:\n";
    out << "  paint:                        " << QString::number(beamRose, 'f', 1) << "\n";
    out << "  QPainter per fan:             " << QString::number(beamDirectRose, 'f', 1) << "\n";

    // Thumbnails of a 300-frame working list, as the editor's grid shows them.
    IldFrameSet &work = shared.work;
    work.frames.clear();
    for (int i = 0; i < 300; ++i)
        work.frames.push_back(makeFrame(300 + (i * 37) % 900, i));
    std::vector<std::unique_ptr<IldaFrameDraw>> items;
    for (int i = 0; i < 300; ++i) {
        items.emplace_back(new IldaFrameDraw);
        items.back()->setFrameContext(&shared.frames);
        items.back()->setWarningPoint(600);
        items.back()->setIndex(i);
    }
    QImage thumb(150, 150, QImage::Format_ARGB32_Premultiplied);
    const double thumbs = rate(QStringLiteral("thumbs"), [&] {
        for (auto &item : items) {
            thumb.fill(Qt::transparent);
            QPainter p(&thumb);
            item->paint(&p);
        }
    });
    out << "thumbnails of a 300-frame working list (150x150 each): " << QString::number(thumbs, 'f', 1)
        << " full lists per second (" << QString::number(thumbs * 300, 'f', 0) << " thumbnails/s)\n";
    out.flush();
    return 0;
}
