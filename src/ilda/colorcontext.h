#pragma once

#include <QColor>

class Palette;

// Where indexed vertices take their colours: the colour list (the built-in
// tables, then the palettes read from files) and the table formats 0 and 1
// use, 0 ("Default_") or 150 ("IildStd"). The app holds one that every view
// shares; tools and tests build their own.
struct ColorContext
{
    const Palette *palette = nullptr;
    quint8 offset = 0;

    // Entry n of the list; opaque black outside it or without a list.
    QRgb entry(int n) const;
    // Entries in the list (0 without one).
    int size() const;
};
