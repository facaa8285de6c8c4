#pragma once

#include "ildvertex.h"

#include <QString>

#include <vector>

class ByteCursor;
class ByteSink;
class QPainter;

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

    // Writing (ILDA writer). Returns false when the frame cannot be written
    // (more points than a header can count).
    void writeHeader(ByteSink &out) const;
    bool writeToStream(ByteSink &out, quint16 frameNumber, quint16 totalFrames);

    // Scale, offset and clamp one vertex in place.
    void applyTransform(IldVertex &v) const;
    bool hasNeutralTransform() const
    {
        return scaleX == 1.0f && scaleY == 1.0f && offsetX == 0.0f && offsetY == 0.0f;
    }
    void center(int mode);
    int appendVertex(const IldVertex &v, bool whiten);
    void copyHeader(const IldFrame &other);

    int vertexCount() const { return int(vertices.size()); }

    // Draws the frame into the largest centred square of the painter's
    // viewport (ildframepaint.cpp; ILDA space is square): the
    // laser path, optionally blanked moves, centre cross, dwell markers, an
    // "End" label and the beam-view light fans.
    void paint(QPainter *painter, bool beamView, bool showBlanking, bool endLabel, bool warn,
               bool dwellMarkers) const;
    // The dwell-marker colour and repeat count are shared by every painted
    // frame; tests and tools start from a clean state with this.
    static void resetDwellMarkers();
};
