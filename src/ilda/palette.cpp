#include "palette.h"

#include <cmath>

namespace {

struct Rgb
{
    int r, g, b;
};

void addDefaultTable(QVector<QColor> &c)
{
    static const Rgb table[65] = {
        {255, 0, 0},     {255, 16, 0},    {255, 32, 0},    {255, 48, 0},    {255, 64, 0},    {255, 80, 0},
        {255, 96, 0},    {255, 112, 0},   {255, 128, 0},   {255, 144, 0},   {255, 160, 0},   {255, 176, 0},
        {255, 192, 0},   {255, 208, 0},   {255, 224, 0},   {255, 240, 0},   {255, 255, 0},   {224, 255, 0},
        {192, 255, 0},   {160, 255, 0},   {128, 255, 0},   {96, 255, 0},    {64, 255, 0},    {32, 255, 0},
        {0, 255, 0},     {0, 255, 32},    {0, 255, 64},    {0, 255, 96},    {0, 255, 128},   {0, 255, 160},
        {0, 255, 192},   {0, 255, 224},   {0, 130, 255},   {0, 114, 255},   {0, 104, 255},   {10, 96, 255},
        {0, 82, 255},    {0, 74, 255},    {0, 64, 255},    {0, 32, 255},    {0, 0, 255},     {32, 0, 255},
        {64, 0, 255},    {96, 0, 255},    {128, 0, 255},   {160, 0, 255},   {192, 0, 255},   {224, 0, 255},
        {255, 0, 255},   {255, 32, 255},  {255, 64, 255},  {255, 96, 255},  {255, 128, 255}, {255, 160, 255},
        {255, 192, 255}, {255, 224, 255}, {255, 255, 255}, {255, 224, 224}, {255, 255, 255}, {255, 160, 160},
        {255, 128, 128}, {255, 96, 96},   {255, 64, 64},   {255, 32, 32},   {0, 0, 0},
    };
    for (const Rgb &e : table)
        c.append(QColor(e.r, e.g, e.b));
}

// The primary colours at their "Default_" positions, black elsewhere.
void addTtlTable(QVector<QColor> &c)
{
    QVector<QColor> t(64, QColor(0, 0, 0));
    t[0] = QColor(255, 0, 0);
    t[16] = QColor(255, 255, 0);
    t[24] = QColor(0, 255, 0);
    t[31] = QColor(0, 255, 224);
    t[40] = QColor(0, 0, 255);
    t[47] = QColor(255, 0, 255);
    t[55] = QColor(255, 255, 255);
    c += t;
}

void addX29Table(QVector<QColor> &c)
{
    static const Rgb table[21] = {
        {0, 0, 0},       {0, 0, 0},       {255, 0, 0},   {255, 0, 0},   {255, 255, 0}, {255, 255, 0}, {0, 255, 0},
        {0, 255, 0},     {128, 128, 0},   {128, 128, 0}, {0, 0, 255},   {0, 0, 255},   {255, 0, 255}, {255, 0, 255},
        {255, 255, 255}, {255, 255, 255}, {0, 255, 255}, {0, 255, 255}, {0, 255, 255}, {0, 255, 255}, {128, 128, 128},
    };
    for (const Rgb &e : table)
        c.append(QColor(e.r, e.g, e.b));
}

void addIldaStandardTable(QVector<QColor> &c)
{
    static const Rgb basics[8] = {
        {0, 0, 0}, {255, 255, 255}, {255, 0, 0}, {255, 255, 0}, {0, 255, 0}, {0, 255, 255}, {0, 0, 255}, {255, 0, 255},
    };
    for (const Rgb &e : basics)
        c.append(QColor(e.r, e.g, e.b));

    // Three hue rings of 66 entries: pastel, saturated, dark.
    const int levels[3][2] = {{128, 255}, {0, 255}, {0, 128}};
    for (const auto &lv : levels) {
        const int L = lv[0], H = lv[1];
        auto s = [L, H](int k) { return int(std::floor(L + k * (H - L) / 11.0 + 0.5)); };
        for (int k = 0; k < 11; ++k)
            c.append(QColor(H, s(k), L));
        for (int k = 0; k < 11; ++k)
            c.append(QColor(s(11 - k), H, L));
        for (int k = 0; k < 11; ++k)
            c.append(QColor(L, H, s(k)));
        for (int k = 0; k < 11; ++k)
            c.append(QColor(L, s(11 - k), H));
        for (int k = 0; k < 11; ++k)
            c.append(QColor(s(k), L, H));
        for (int k = 0; k < 11; ++k)
            c.append(QColor(H, L, s(11 - k)));
    }

    // Four shades per primary and secondary hue: light tint, strong tint, dark, darker.
    const int hues[6][3] = {{1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 1, 1}, {0, 0, 1}, {1, 0, 1}};
    const int full[4] = {255, 255, 192, 64};
    const int empty[4] = {192, 64, 0, 0};
    for (const auto &h : hues)
        for (int s = 0; s < 4; ++s)
            c.append(QColor(h[0] ? full[s] : empty[s], h[1] ? full[s] : empty[s], h[2] ? full[s] : empty[s]));

    c.append(QColor(255, 96, 96));
    const int greys[25] = {255, 245, 235, 224, 213, 203, 192, 181, 171, 160, 149, 139, 128,
                           117, 107, 96,  85,  75,  64,  53,  43,  32,  21,  11,  0};
    for (int g : greys)
        c.append(QColor(g, g, g));
}

// CAD colour-index table: basics, 24 hue families in 15-degree steps, greys.
void addDxfTable(QVector<QColor> &c)
{
    static const Rgb basics[10] = {
        {0, 0, 0},   {255, 0, 0},   {255, 255, 0},   {0, 255, 0},     {0, 255, 255},
        {0, 0, 255}, {255, 0, 255}, {255, 255, 255}, {127, 127, 127}, {191, 191, 191},
    };
    for (const Rgb &e : basics)
        c.append(QColor(e.r, e.g, e.b));

    const int brightness[5] = {255, 165, 127, 76, 38};
    for (int h = 0; h < 24; ++h) {
        // Hue h at h * 15 degrees: one channel full, one partial (63, 127, 191), one empty.
        const int sextant = h / 4;
        const int step = h % 4;
        const int rising = step * 255 / 4;
        const int falling = (4 - step) * 255 / 4;
        int rgb[3];
        switch (sextant) {
        case 0:
            rgb[0] = 255;
            rgb[1] = rising;
            rgb[2] = 0;
            break;
        case 1:
            rgb[0] = falling;
            rgb[1] = 255;
            rgb[2] = 0;
            break;
        case 2:
            rgb[0] = 0;
            rgb[1] = 255;
            rgb[2] = rising;
            break;
        case 3:
            rgb[0] = 0;
            rgb[1] = falling;
            rgb[2] = 255;
            break;
        case 4:
            rgb[0] = rising;
            rgb[1] = 0;
            rgb[2] = 255;
            break;
        default:
            rgb[0] = 255;
            rgb[1] = 0;
            rgb[2] = falling;
            break;
        }
        for (int level : brightness) {
            c.append(QColor(rgb[0] * level / 255, rgb[1] * level / 255, rgb[2] * level / 255));
            auto tint = [level](int ch) { return int((ch + 255) / 2.0 * level / 255.0); };
            c.append(QColor(tint(rgb[0]), tint(rgb[1]), tint(rgb[2])));
        }
    }
    for (int g : {84, 118, 152, 186, 220, 255})
        c.append(QColor(g, g, g));
}

// A hue ring from red round to red in steps of about six levels, then black.
void addLbHuesTable(QVector<QColor> &c)
{
    struct Anchor
    {
        int index;
        Rgb rgb;
    };
    static const Anchor anchors[] = {
        {0, {255, 0, 0}},     {1, {255, 5, 0}},   {43, {255, 255, 0}},  {85, {4, 255, 0}},
        {128, {4, 255, 254}}, {171, {0, 7, 255}}, {213, {251, 7, 255}}, {254, {255, 7, 15}},
    };
    const int n = int(sizeof(anchors) / sizeof(anchors[0]));
    for (int a = 0; a + 1 < n; ++a) {
        const Anchor &p = anchors[a];
        const Anchor &q = anchors[a + 1];
        for (int i = p.index; i < q.index; ++i) {
            const double t = double(i - p.index) / (q.index - p.index);
            auto lerp = [t](int u, int v) { return int(u + (v - u) * t); };
            c.append(QColor(lerp(p.rgb.r, q.rgb.r), lerp(p.rgb.g, q.rgb.g), lerp(p.rgb.b, q.rgb.b)));
        }
    }
    c.append(QColor(255, 7, 15));
    c.append(QColor(0, 0, 0));
}

} // namespace

Palette::Palette(QObject *parent) : QAbstractListModel(parent)
{
    m_colors.reserve(1000);
    addDefaultTable(m_colors);
    addTtlTable(m_colors);
    addX29Table(m_colors);
    addIldaStandardTable(m_colors);
    addDxfTable(m_colors);
    addLbHuesTable(m_colors);
    Q_ASSERT(m_colors.size() == filePaletteBase);
    m_rgb.reserve(1000);
    for (const QColor &c : qAsConst(m_colors))
        m_rgb.append(c.rgb());
}

int Palette::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_colors.size();
}

QVariant Palette::data(const QModelIndex &index, int role) const
{
    static const int starts[7] = {0, DefaultTable, IldaTTL, X29, IildStd, Dxf, LbHues};
    if (!index.isValid() || role < 1 || role > 6)
        return QVariant();
    const int entry = index.row() + starts[role];
    if (entry < 0 || entry >= m_colors.size())
        return QVariant();
    return m_colors[entry];
}

QHash<int, QByteArray> Palette::roleNames() const
{
    return {{1, "Default_"}, {2, "IldaTTL"}, {3, "X29"}, {4, "IildStd"}, {5, "Dxf"}, {6, "LbHues"}};
}

void Palette::append(const QColor &c)
{
    const int row = m_colors.size();
    beginInsertRows(QModelIndex(), row, row);
    m_colors.append(QColor(c.rgb()));
    m_rgb.append(c.rgb() | 0xff000000u);
    endInsertRows();
}

void Palette::appendColors(const QVector<QRgb> &colors)
{
    for (QRgb c : colors)
        append(QColor(c));
}

void Palette::resetFilePalettes()
{
    if (m_colors.size() <= filePaletteBase)
        return;
    beginRemoveRows(QModelIndex(), filePaletteBase, m_colors.size() - 1);
    m_colors.resize(filePaletteBase);
    m_rgb.resize(filePaletteBase);
    endRemoveRows();
}
