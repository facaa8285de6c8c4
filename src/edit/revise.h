#pragma once

#include "progress.h"

#include <QtGlobal>

class IldFrame;
class IldFrameSet;

// Parameters of the revise operation of the frame editor.
struct ReviseParams
{
    quint32 between = 1;    // highlight: every between-th change of position
    quint32 addPoint = 0;   // 0 thins the frame, otherwise highlight copies
    quint32 blankPoint = 0; // dwell copies where the beam switches
    quint32 totalPoint = 1; // thinning target
};

// One revised frame built from f (header copied, default scale and offsets).
IldFrame reviseFrame(const IldFrame &f, const ReviseParams &params);

// Rebuilds out from in: one revised frame per frame of in, same order. False
// when progress asked to stop; out then holds a partial result.
bool reviseFrames(const IldFrameSet &in, IldFrameSet &out, const ReviseParams &params,
                  const ProgressCallback &progress = {});
