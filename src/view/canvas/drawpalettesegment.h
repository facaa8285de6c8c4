#pragma once

#include "drawareawidget.h"

// The canvas of the colour row: behaves exactly as DrawAreaWidget and says
// "init" when it is reset.
class DrawPaletteSegment : public DrawAreaWidget
{
    Q_OBJECT
public:
    explicit DrawPaletteSegment(QQuickItem *parent = nullptr);
};
