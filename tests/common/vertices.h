#pragma once

// One vertex in a line, for tests that build frames by hand.

#include "ildvertex.h"

inline IldVertex vtx(qint16 x, qint16 y, quint8 status = 0, quint8 r = 255, quint8 g = 0, quint8 b = 0, quint8 idx = 0,
                     qint16 z = 0)
{
    IldVertex v;
    v.x = x;
    v.y = y;
    v.z = z;
    v.status = status;
    v.r = r;
    v.g = g;
    v.b = b;
    v.colorIndex = idx;
    return v;
}
