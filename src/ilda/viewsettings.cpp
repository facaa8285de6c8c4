#include "viewsettings.h"

#include "palette.h"

OwnedViewSettings::OwnedViewSettings() : m_palette(new Palette)
{
    m_settings.palette = m_palette.get();
    m_settings.colors.palette = m_palette.get();
}

OwnedViewSettings::~OwnedViewSettings() = default;
