#pragma once

#include "colorcontext.h"
#include "ildvertex.h"

#include <QColor>

// Colour a vertex shows: formats 0/1 look up the selected table
// (offset + index), formats 2/3 the palette read from a file (918 + index),
// true-colour formats carry their own. Out-of-list indices give black.
QRgb displayColor(const ColorContext &colors, quint8 format, const IldVertex &v);

// Colour the ILDA writer stores for indexed vertices: always the "Default_"
// table for formats 0/1, the file palette for 2/3.
QRgb storedIndexColor(const ColorContext &colors, quint8 format, const IldVertex &v);
