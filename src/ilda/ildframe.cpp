#include "ildframe.h"

#include <QtMath>

#include <algorithm>
#include <cmath>

namespace {

qint16 transformCoord(qint16 c, float scale, float offset)
{
    const float v = float(c) * scale - offset;
    // trunc toward zero, then clamp to the ILDA range (-32768 is never stored)
    const float t = std::trunc(v);
    if (!(t >= -32767.0f))
        return -32767;
    if (t > 32767.0f)
        return 32767;
    return qint16(t);
}

} // namespace

void IldFrame::applyTransform(IldVertex &v) const
{
    v.x = transformCoord(v.x, scaleX, offsetX);
    v.y = transformCoord(v.y, scaleY, offsetY);
}

void IldFrame::bakeTransform()
{
    if (hasNeutralTransform())
        return;
    for (IldVertex &v : vertices)
        applyTransform(v);
    // The transform now lives in the coordinates; a later save must not apply it again.
    scaleX = scaleY = 1.0f;
    offsetX = offsetY = 0.0f;
}

void IldFrame::center(int mode)
{
    if (mode < 1 || mode > 3)
        return;
    int minX = 33000, maxX = -33000, minY = 33000, maxY = -33000;
    for (const IldVertex &v : vertices) {
        if (v.x < minX)
            minX = v.x;
        if (v.x > maxX)
            maxX = v.x;
        if (v.y < minY)
            minY = v.y;
        if (v.y > maxY)
            maxY = v.y;
    }
    const bool empty = vertices.empty();
    const float midX = empty ? 0.0f : float((minX + maxX) / 2);
    const float midY = empty ? 0.0f : float((minY + maxY) / 2);
    offsetX = (mode & 1) ? midX : 0.0f;
    offsetY = (mode & 2) ? midY : 0.0f;
}

int IldFrame::appendVertex(const IldVertex &v, bool whiten)
{
    IldVertex c = v;
    if (whiten && !c.isBlanked())
        c.r = c.g = c.b = 255;
    vertices.push_back(c);
    if (vertices.size() > size_t(MaxPoints))
        overflowCode = OverflowCode;
    return int(vertices.size());
}

void IldFrame::copyHeader(const IldFrame &other)
{
    format = other.format;
    name = other.name;
    company = other.company;
    frameNumber = other.frameNumber;
    totalFrames = other.totalFrames;
    projector = other.projector;
    check = other.check;
    reserved = 0;
    overflowCode = 0;
    pointCount = quint16(vertices.size());
}
