#pragma once

#include "progress.h"

#include <QByteArray>

struct ColorContext;
class IldFrameSet;

// C source tables for projector firmware (a "vertex.h" vertex array).
//
// Export types: 0 colour values; 1 the same (callers pass the revised set);
// 2 colour values of the points with each frame's transform applied (the
// editor then bakes it in, bakeExportedTransforms); 3 colour codes instead
// of values. Only checked frames are written.
QByteArray exportCTable(const IldFrameSet &set, int type, const ColorContext &colors);
// What an export of the type leaves in the editor: type 2 bakes the
// transforms of the checked frames into their points (IldFrame::bakeTransform).
void bakeExportedTransforms(IldFrameSet &set, int type);

// Appends the frames of a table written with types 0-2 to set. Malformed or
// truncated text imports up to its end. progress hears of the bytes parsed
// after each frame; its false stops the import (false returned, the frames
// appended so far stay).
bool importCTable(const QByteArray &text, IldFrameSet &set, const ProgressCallback &progress = {});
