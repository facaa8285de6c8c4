#include "colorresolve.h"

#include "palette.h"

QRgb displayColor(quint8 format, const IldVertex &v)
{
    switch (format) {
    case 0:
    case 1:
        return globalPalette().rgbAt(int(paletteOffset) + v.colorIndex);
    case 2:
    case 3:
        return globalPalette().rgbAt(Palette::filePaletteBase + v.colorIndex);
    default:
        return qRgb(v.r, v.g, v.b);
    }
}

QRgb storedIndexColor(quint8 format, const IldVertex &v)
{
    if (format == 0 || format == 1)
        return globalPalette().rgbAt(v.colorIndex);
    if (format == 2 || format == 3)
        return globalPalette().rgbAt(Palette::filePaletteBase + v.colorIndex);
    return qRgb(v.r, v.g, v.b);
}
