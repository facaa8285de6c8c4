#include "frameoutput.h"

namespace {
FrameOutput *s_output = nullptr;
}

FrameOutput::~FrameOutput()
{
    if (s_output == this)
        s_output = nullptr;
}

FrameOutput *FrameOutput::instance()
{
    return s_output;
}

void FrameOutput::setInstance(FrameOutput *output)
{
    s_output = output;
}
