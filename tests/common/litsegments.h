#pragma once

// The lines a frame draws with the beam on, for tests of what a projector
// would show: a segment is lit when the point it leads to is lit; dwells on
// one spot draw no line.

#include "ildvertex.h"

#include <QStringList>

#include <vector>

inline QStringList litSegments(const std::vector<IldVertex> &vs)
{
    QStringList lines;
    for (size_t i = 1; i < vs.size(); ++i) {
        const IldVertex &a = vs[i - 1], &b = vs[i];
        if (!b.isBlanked() && !a.samePosition(b))
            lines << QStringLiteral("(%1,%2)-(%3,%4)").arg(a.x).arg(a.y).arg(b.x).arg(b.y);
    }
    lines.sort();
    lines.removeDuplicates();
    return lines;
}
