#include "appobjects.h"
#include "filenamecodec.h"
#include "ildafiletab.h"
#include "messageboxprompt.h"
#include "screenshotmode.h"
#include "startup.h"
#include "udp_test.h"
#include "utils.h"

#include <QApplication>
#include <QQmlApplicationEngine>
#include <QQmlContext>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Process-wide data objects exist before the application object.
    static AppObjects objects;
    static Utils utils;

    // Headless runs (tests, screenshots) have no OpenGL: paint the scene in software.
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND") && (platform == "offscreen" || platform == "minimal"))
        qputenv("QT_QUICK_BACKEND", "software");

    if (screenshotModeRequested())
        installQmlWarningCounter();

    QApplication app(argc, argv);
    // File names that are not valid UTF-8 reach QFile byte for byte.
    FileNameCodec::installForLocale();
    // Before the tab manager moves the current folder.
    const StartupArguments arguments = parseStartupArguments(QCoreApplication::arguments());
    if (arguments.exitCode >= 0) {
        fputs(qPrintable(arguments.output), arguments.exitCode == 0 ? stdout : stderr);
        return arguments.exitCode;
    }
    configureApplication();
    installPageServices(app);
    initPageResources();
    // Questions and notices of every part go to message boxes.
    MessageBoxPrompt prompt;
    // The tab manager outlives the engine, so no binding ever sees it gone.
    ildaFileTab fileTab;
    QQmlApplicationEngine engine;
    registerQmlTypes();

    // The network controller lives until the process ends; painted items reach it as the frame output.
    auto *netUdp = new UDP_test;
    objects.handDown(&engine, &fileTab, netUdp, &prompt);
    publishContextObjects(engine.rootContext(), &fileTab, &objects.frameModel, netUdp, &objects.progress);

    utils.checkAndroidStoragePermissions();
    engine.addImportPath(QStringLiteral("qrc:/"));
    engine.load(QUrl(QStringLiteral("qrc:///qml/TabPlayer.qml")));
    if (engine.rootObjects().isEmpty())
        return -1;
    openStartupFiles(engine, arguments.files);
    if (screenshotModeRequested())
        startScreenshotMode(engine);
    return app.exec();
}
