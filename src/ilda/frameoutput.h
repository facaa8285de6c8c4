#pragma once

class IldFrame;

// Where painted frames go when an item's network switch is on. The app hands
// the network controller to the items; without one, frames go nowhere.
class FrameOutput
{
public:
    virtual ~FrameOutput();
    virtual void sendFrame(const IldFrame &frame) = 0;
};
