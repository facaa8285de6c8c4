#pragma once

// What a frame is painted with. The presets are what the frame view, the
// thumbnails and `ildatool render` start from; callers then set the fields
// their own properties decide.
struct PaintOptions
{
    bool beamView = false;     // light fans from the projector through every lit segment
    bool showBlanking = false; // blanked moves as gray lines
    bool endLabel = false;     // "End" at the last point
    bool warn = false;         // too many points: the centre cross in yellow
    bool dwellMarkers = false; // dots and repeat counts where the beam dwells
    bool centerLines = false;  // the centre cross in gray

    // The large frame view ("IldaFrameSetDraw") and `ildatool render`.
    static PaintOptions frameView() { return PaintOptions(); }
    // The thumbnails of the frame lists and `ildatool render --thumbnail`.
    static PaintOptions thumbnail()
    {
        PaintOptions o;
        o.endLabel = true;
        o.dwellMarkers = true;
        return o;
    }
};
