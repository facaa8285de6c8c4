#include "commands.h"
#include "ildframeset.h"
#include "playfiles.h"
#include "toolutil.h"

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

#include <cmath>

namespace {

constexpr double Pi = 3.14159265358979323846;

qint16 clampCoord(double v)
{
    return qint16(std::lround(std::max(-32767.0, std::min(32767.0, v))));
}

IldVertex point(double x, double y, double z, bool blanked)
{
    IldVertex v;
    v.x = clampCoord(x);
    v.y = clampCoord(y);
    v.z = clampCoord(z);
    v.status = blanked ? IldVertex::Blanked : 0;
    return v;
}

IldFrame newFrame(quint8 format, const char *name)
{
    IldFrame f;
    f.format = format;
    f.name = QString::fromLatin1(name);
    f.company = QStringLiteral("beamdeck");
    f.check = true;
    return f;
}

void setColor(IldVertex &v, const QColor &c)
{
    v.r = quint8(c.red());
    v.g = quint8(c.green());
    v.b = quint8(c.blue());
}

// Polyline with straight segments cut into steps; the first point is a blanked move.
void addStroke(IldFrame &f, const std::vector<std::pair<double, double>> &pts, int steps, quint8 index,
               const QColor &color)
{
    for (size_t i = 0; i < pts.size(); ++i) {
        const int n = i == 0 ? 1 : steps;
        for (int s = 1; s <= n; ++s) {
            const double t = i == 0 ? 1.0 : double(s) / n;
            const auto &a = pts[i == 0 ? 0 : i - 1];
            const auto &b = pts[i];
            IldVertex v = point(a.first + (b.first - a.first) * t, a.second + (b.second - a.second) * t, 0, i == 0);
            v.colorIndex = index;
            setColor(v, color);
            f.vertices.push_back(v);
        }
    }
}

IldFrameSet circles()
{
    IldFrameSet set;
    const int frames = 48, points = 120;
    for (int i = 0; i < frames; ++i) {
        IldFrame f = newFrame(5, "circle");
        const double r = 12000 + 6000 * std::sin(2 * Pi * i / frames);
        for (int k = 0; k <= points; ++k) {
            const double a = 2 * Pi * k / points;
            IldVertex v = point(r * std::cos(a), r * std::sin(a), 0, k == 0);
            setColor(v, QColor::fromHsv((i * 15 + k * 3) % 360, 255, 255));
            f.vertices.push_back(v);
        }
        set.frames.push_back(f);
    }
    return set;
}

IldFrameSet stars()
{
    IldFrameSet set;
    const int frames = 36;
    for (int i = 0; i < frames; ++i) {
        IldFrame f = newFrame(4, "star");
        std::vector<std::pair<double, double>> pts;
        const double turn = 2 * Pi * i / frames;
        for (int k = 0; k <= 10; ++k) {
            const double r = (k % 2 == 0) ? 22000 : 9000;
            const double a = turn + Pi / 2 + Pi * k / 5;
            pts.emplace_back(r * std::cos(a), r * std::sin(a));
        }
        addStroke(f, pts, 8, 0, QColor(255, 200 - 4 * i, 0));
        for (size_t k = 0; k < f.vertices.size(); ++k)
            f.vertices[k].z = clampCoord(8000 * std::sin(turn + k * 0.1));
        set.frames.push_back(f);
    }
    return set;
}

IldFrameSet spirals()
{
    IldFrameSet set;
    const int frames = 40, points = 150;
    for (int i = 0; i < frames; ++i) {
        IldFrame f = newFrame(0, "spiral");
        const double turns = 1.5 + 2.5 * i / frames;
        for (int k = 0; k < points; ++k) {
            const double t = double(k) / (points - 1);
            const double a = 2 * Pi * turns * t + 0.2 * i;
            IldVertex v = point(26000 * t * std::cos(a), 26000 * t * std::sin(a), 0, k == 0);
            v.colorIndex = quint8((k / 10 + i) % 64);
            f.vertices.push_back(v);
        }
        set.frames.push_back(f);
    }
    return set;
}

// Letters B, E, A, M as strokes on a 4 x 6 grid.
const std::vector<std::vector<std::pair<double, double>>> &letterStrokes(int letter)
{
    static const std::vector<std::vector<std::vector<std::pair<double, double>>>> strokes = {
        {{{0, 0}, {0, 6}, {3, 6}, {4, 5}, {3, 3}, {0, 3}}, {{3, 3}, {4, 1.5}, {3, 0}, {0, 0}}},
        {{{4, 6}, {0, 6}, {0, 0}, {4, 0}}, {{0, 3}, {3, 3}}},
        {{{0, 0}, {2, 6}, {4, 0}}, {{1, 3}, {3, 3}}},
        {{{0, 0}, {0, 6}, {2, 3}, {4, 6}, {4, 0}}},
    };
    return strokes[size_t(letter)];
}

IldFrameSet words()
{
    IldFrameSet set;
    const int frames = 30;
    const quint8 colours[4] = {0, 16, 24, 40}; // red, yellow, green, blue in the default table
    for (int i = 0; i < frames; ++i) {
        IldFrame f = newFrame(1, "text");
        const double unit = 2200;
        const double shift = -20000 + 1300.0 * i;
        for (int l = 0; l < 4; ++l) {
            for (const auto &stroke : letterStrokes(l)) {
                std::vector<std::pair<double, double>> pts;
                for (const auto &p : stroke)
                    pts.emplace_back(shift + (l * 5 + p.first) * unit - 20000, (p.second - 3) * unit);
                addStroke(f, pts, 5, colours[l], QColor());
            }
        }
        set.frames.push_back(f);
    }
    return set;
}

IldFrameSet waves()
{
    IldFrameSet set;
    const int frames = 60, points = 100;
    for (int i = 0; i < frames; ++i) {
        IldFrame f = newFrame(5, "wave");
        for (int k = 0; k < points; ++k) {
            const double x = -28000 + 56000.0 * k / (points - 1);
            const double y = 12000 * std::sin(2 * Pi * (2.0 * k / points + double(i) / frames));
            IldVertex v = point(x, y, 0, k == 0);
            setColor(v, QColor::fromHsv((200 + k) % 360, 200, 255));
            f.vertices.push_back(v);
        }
        set.frames.push_back(f);
    }
    return set;
}

bool writeText(const QString &path, const QString &text)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    return PlayFiles::commitText(file, text);
}

} // namespace

int runDemo(const QStringList &args)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("DIR"), QStringLiteral("Folder to write the demo show into."));
    int code = 0;
    if (!parseCommand(parser, QStringLiteral("demo"),
                      QStringLiteral("Writes a small demo show into DIR: ILDA patterns of formats 0, 1, 4 and 5 in "
                                     "DIR/shows, group settings files and the tab list in DIR/play, and a "
                                     "_file_dir.ini pointing at DIR (start beamdeck with BEAMDECK_CONFIG_DIR=DIR "
                                     "to open it)."),
                      args, 1, code))
        return code;

    QDir dir(parser.positionalArguments().at(0));
    const QString root = dir.absolutePath() + QLatin1Char('/');
    if (!QDir().mkpath(root + QStringLiteral("shows")) || !QDir().mkpath(root + QStringLiteral("play"))) {
        err() << "ildatool demo: cannot create folders in " << root << "\n";
        err().flush();
        return ExitBadInput;
    }

    struct Pattern
    {
        const char *file;
        IldFrameSet (*make)();
    };
    const Pattern patterns[] = {
        {"circle.ild", circles}, {"star.ild", stars}, {"spiral.ild", spirals}, {"text.ild", words}, {"wave.ild", waves},
    };
    OwnedViewSettings view; // the demo frames are true colour
    for (const Pattern &p : patterns) {
        IldFrameSet set = p.make();
        const QString path = root + QStringLiteral("shows/") + QLatin1String(p.file);
        if (!set.saveIld(path, view->colors)) {
            err() << "ildatool demo: cannot write " << path << "\n";
            err().flush();
            return ExitBadInput;
        }
    }

    auto row = [&root](const char *file, int speed, int color, int repeat, bool check) {
        PlayFiles::SettingsRow r;
        r.path = root + QStringLiteral("shows/") + QLatin1String(file);
        r.name = QLatin1String(file);
        r.playSpeed = quint8(speed);
        r.colorType = color;
        r.repeater = quint8(repeat);
        r.check = check;
        return r;
    };
    const struct
    {
        const char *name;
        QVector<PlayFiles::SettingsRow> rows;
    } groups[] = {
        {"shapes.csv",
         {row("circle.ild", 1, 0, 2, true), row("star.ild", 2, 0, 1, true), row("spiral.ild", 1, 0, 1, true)}},
        {"words.csv",
         {row("text.ild", 3, 1, 3, true), row("wave.ild", 2, 2, 1, true), row("circle.ild", 5, 3, 1, false)}},
        {"spare.csv", {row("wave.ild", 1, 0, 4, true)}},
    };
    QString list;
    for (const auto &g : groups) {
        const QString path = root + QStringLiteral("play/") + QLatin1String(g.name);
        if (!writeText(path, PlayFiles::formatSettings(g.rows, root).text)) {
            err() << "ildatool demo: cannot write " << path << "\n";
            err().flush();
            return ExitBadInput;
        }
        // The last group is listed but left out of exports.
        list += (&g == &groups[2] ? QStringLiteral("#play/") : QStringLiteral("play/")) + QLatin1String(g.name) +
                QLatin1Char('\n');
    }
    list += QStringLiteral("#end\n");
    if (!writeText(root + QStringLiteral("play/play.list"), list) ||
        !writeText(root + QStringLiteral("_file_dir.ini"), root + QStringLiteral("\nplay/\nplay.list\n"))) {
        err() << "ildatool demo: cannot write the tab list in " << root << "\n";
        err().flush();
        return ExitBadInput;
    }
    out() << "demo show written to " << root << " (tab list play/play.list)\n";
    out().flush();
    return ExitOk;
}
