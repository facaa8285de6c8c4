#pragma once

class IldFrame;

// Where painted frames go when an item's network switch is on. The network
// controller installs itself at start-up; without one, frames go nowhere.
class FrameOutput
{
public:
    virtual ~FrameOutput();
    virtual void sendFrame(const IldFrame &frame) = 0;

    static FrameOutput *instance();
    static void setInstance(FrameOutput *output);
};
