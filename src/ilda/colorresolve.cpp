#include "colorresolve.h"

#include "palette.h"

QRgb ColorContext::entry(int n) const
{
    return palette ? palette->rgbAt(n) : qRgb(0, 0, 0);
}

int ColorContext::size() const
{
    return palette ? palette->size() : 0;
}

QRgb displayColor(const ColorContext &colors, quint8 format, const IldVertex &v)
{
    switch (format) {
    case 0:
    case 1:
        return colors.entry(int(colors.offset) + v.colorIndex);
    case 2:
    case 3:
        return colors.entry(Palette::filePaletteBase + v.colorIndex);
    default:
        return qRgb(v.r, v.g, v.b);
    }
}

QRgb storedIndexColor(const ColorContext &colors, quint8 format, const IldVertex &v)
{
    if (format == 0 || format == 1)
        return colors.entry(v.colorIndex);
    if (format == 2 || format == 3)
        return colors.entry(Palette::filePaletteBase + v.colorIndex);
    return qRgb(v.r, v.g, v.b);
}
