#pragma once

#include "framecontext.h"
#include "framerenderer.h"
#include "framesetmodel.h"
#include "ildframeset.h"
#include "noticeboard.h"
#include "palette.h"
#include "viewsettings.h"
#include "workprogress.h"

#include <QString>

class QQmlEngine;
class UDP_test;
class UserPrompt;
class ildaFileTab;

// The process-wide objects of the data layer. main creates one before
// anything else and hands them down: the models through their constructors,
// the tab manager and the network controller through setters, the items QML
// creates through the FrameContext installed on the engine.
class AppObjects
{
public:
    AppObjects();
    AppObjects(const AppObjects &) = delete;
    AppObjects &operator=(const AppObjects &) = delete;

    // Gives fileTab and netUdp the shared colours and settings, makes netUdp
    // the frame output, gives everything the prompt and the progress bar and
    // installs the frame context on engine. Notices go to the notice board,
    // published on engine as "noticeBoard"; questions to prompt.
    void handDown(QQmlEngine *engine, ildaFileTab *fileTab, UDP_test *netUdp, UserPrompt *prompt);

    Palette palette; // grows by the palettes of the files read
    ViewSettings view;
    IldFrameSet workSet;
    IldFrameSet revisedSet;
    FrameRenderer renderer;
    QString ildaFilePath;
    WorkProgress progress;    // "workProgress"
    NoticeBoard notices;      // "noticeBoard"
    frameSetModel frameModel; // "frameModel"
    FrameContext frames;
};
