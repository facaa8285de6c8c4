#include "drawpalettesegment.h"

DrawPaletteSegment::DrawPaletteSegment(QQuickItem *parent) : DrawAreaWidget(parent, true) {}
