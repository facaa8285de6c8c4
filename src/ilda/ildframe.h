#pragma once

#include "colorcontext.h"
#include "ildvertex.h"

#include <QString>

#include <vector>

class ByteCursor;
class ByteSink;

// One picture: the fields of an ILDA section header, its points and the
// editing state the pages attach to it (check mark, scale, centring).
class IldFrame
{
public:
    enum HeaderResult { HeaderOk, HeaderEnd, HeaderInvalid };
    static constexpr int MaxPoints = 65535;
    static constexpr int OverflowCode = 4096;

    quint8 format = 0;
    QString name = QStringLiteral("Tovrim..");
    QString company = QStringLiteral("I");
    quint16 pointCount = 0;
    quint16 frameNumber = 0;
    quint16 totalFrames = 0;
    qint8 projector = 0;
    qint8 reserved = 0;
    std::vector<IldVertex> vertices;
    qint32 overflowCode = 0;
    bool check = false;
    quint32 highPoint = 0;
    float scaleX = 1.0f;
    float scaleY = 1.0f;
    float offsetX = 0.0f;
    float offsetY = 0.0f;

    // Reading (ILDA reader).
    HeaderResult readHeader(ByteCursor &in);
    int ildFromStream(ByteCursor &in);

    // Writing (ILDA writer). writeToStream writes a checked frame as section
    // frameNumber of totalFrames with its point count and its vertices baked
    // (bakedVertex); the frame itself stays as it is. Returns false when the
    // frame cannot be written (more points than a header can count).
    void writeHeader(ByteSink &out) const;
    bool writeToStream(ByteSink &out, quint16 frameNumber, quint16 totalFrames, const ColorContext &colors) const;

    // A vertex as the writer stores it: indexed colours looked up into r, g, b
    // ("Default_" for formats 0/1, the file palette for 2/3) and the scale and
    // offsets applied.
    IldVertex bakedVertex(const IldVertex &v, const ColorContext &colors) const;
    // Bakes every vertex in place and makes the transform neutral, so that the
    // frame holds what writing it stores.
    void bake(const ColorContext &colors);
    // Applies scale and offsets to the stored points and makes the transform
    // neutral (what a C table of export type 2 leaves in the editor).
    void bakeTransform();

    // Scale, offset and clamp one vertex in place.
    void applyTransform(IldVertex &v) const;
    bool hasNeutralTransform() const { return scaleX == 1.0f && scaleY == 1.0f && offsetX == 0.0f && offsetY == 0.0f; }
    void center(int mode);
    int appendVertex(const IldVertex &v, bool whiten);
    void copyHeader(const IldFrame &other);

    int vertexCount() const { return int(vertices.size()); }
};
