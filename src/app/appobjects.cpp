#include "appobjects.h"

#include "ildafiletab.h"
#include "udp_test.h"

AppObjects::AppObjects() : frameModel(workSet, revisedSet, view)
{
    view.palette = &palette;
    view.colors.palette = &palette;
    frames.view = &view;
    frames.workSet = &workSet;
    frames.revisedSet = &revisedSet;
    frames.renderer = &renderer;
    frames.ildaFilePath = &ildaFilePath;
    frames.model = &frameModel;
}

void AppObjects::handDown(QQmlEngine *engine, ildaFileTab *fileTab, UDP_test *netUdp)
{
    if (fileTab)
        fileTab->setViewSettings(&view);
    if (netUdp)
        netUdp->setColorContext(&view.colors);
    frames.output = netUdp;
    frames.install(engine);
}
