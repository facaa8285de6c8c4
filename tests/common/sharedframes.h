#pragma once

#include "framecontext.h"
#include "framerenderer.h"
#include "framesetmodel.h"
#include "ildframeset.h"
#include "viewsettings.h"

// What the app hands the frame items, IldaFile and the frame model: a
// colour list, sets, renderer and path of the test's own.
struct SharedFrames
{
    OwnedViewSettings view;
    IldFrameSet work;
    IldFrameSet revised;
    FrameRenderer renderer;
    QString ildaFilePath;
    frameSetModel model{work, revised, *view.get()};
    FrameContext frames;

    SharedFrames()
    {
        frames.view = view.get();
        frames.workSet = &work;
        frames.revisedSet = &revised;
        frames.renderer = &renderer;
        frames.ildaFilePath = &ildaFilePath;
        frames.model = &model;
    }
};
