#pragma once

#include <QtGlobal>

// One laser point as stored in an ILDA section. Both colour forms live in every
// vertex: indexed frames keep colorIndex, true-colour frames keep r, g, b.
struct IldVertex
{
    static constexpr quint8 Blanked = 0x40;
    static constexpr quint8 LastPoint = 0x80;

    qint16 x = 0;
    qint16 y = 0;
    qint16 z = 0;
    quint8 r = 0;
    quint8 g = 0;
    quint8 b = 0;
    quint8 status = 0;
    quint8 colorIndex = 0;

    bool isBlanked() const { return status & Blanked; }
    bool samePosition(const IldVertex &o) const { return x == o.x && y == o.y; }
    bool operator==(const IldVertex &o) const
    {
        return x == o.x && y == o.y && z == o.z && r == o.r && g == o.g && b == o.b && status == o.status &&
               colorIndex == o.colorIndex;
    }
    bool operator!=(const IldVertex &o) const { return !(*this == o); }
};
