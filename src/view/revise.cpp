#include "revise.h"

#include "ildframeset.h"

IldFrame reviseFrame(const IldFrame &f, const ReviseParams &params)
{
    Q_UNUSED(params)
    IldFrame r;
    r.vertices = f.vertices; // not written yet
    r.copyHeader(f);
    return r;
}

void reviseFrames(const IldFrameSet &in, IldFrameSet &out, const ReviseParams &params)
{
    out.frames.clear();
    out.frames.reserve(in.frames.size());
    for (const IldFrame &f : in.frames)
        out.frames.push_back(reviseFrame(f, params));
}
