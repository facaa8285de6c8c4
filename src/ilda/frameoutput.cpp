#include "frameoutput.h"

FrameOutput::~FrameOutput() = default;
