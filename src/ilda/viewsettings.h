#pragma once

#include "colorcontext.h"

#include <memory>

class Palette;

// What the views and exports of the program share: the colour list that the
// palettes of files read are appended to, the colours indexed frames take,
// and whether frame views show the centre cross. The app holds one and hands
// it down; the tab manager sets the table and the cross from the pages.
struct ViewSettings
{
    Palette *palette = nullptr; // colors.palette is the same list
    ColorContext colors;
    bool centerLines = false;
};

// Settings with a colour list of their own (the built-in tables), for an
// object used without the app's: a tool, a test.
class OwnedViewSettings
{
public:
    OwnedViewSettings();
    ~OwnedViewSettings();
    OwnedViewSettings(const OwnedViewSettings &) = delete;
    OwnedViewSettings &operator=(const OwnedViewSettings &) = delete;

    ViewSettings *get() { return &m_settings; }
    ViewSettings *operator->() { return &m_settings; }

private:
    std::unique_ptr<Palette> m_palette;
    ViewSettings m_settings;
};
