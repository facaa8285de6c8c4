#include "appobjects.h"

#include "ildafiletab.h"
#include "udp_test.h"

#include <QQmlContext>
#include <QQmlEngine>

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
    frames.progress = &progress;
    frameModel.setWorkProgress(&progress);
}

void AppObjects::handDown(QQmlEngine *engine, ildaFileTab *fileTab, UDP_test *netUdp, UserPrompt *answers)
{
    notices.setAnswers(answers);
    UserPrompt *prompt = &notices;
    if (engine)
        engine->rootContext()->setContextProperty(QStringLiteral("noticeBoard"), &notices);
    frames.prompt = prompt;
    frameModel.setPrompt(prompt);
    if (fileTab) {
        fileTab->setViewSettings(&view);
        fileTab->setPrompt(prompt);
        fileTab->setWorkProgress(&progress);
    }
    if (netUdp) {
        netUdp->setColorContext(&view.colors);
        netUdp->setPrompt(prompt);
    }
    frames.output = netUdp;
    frames.install(engine);
}
