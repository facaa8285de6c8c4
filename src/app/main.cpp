#include "ildafiletab.h"
#include "framesetmodel.h"
#include "palette.h"
#include "screenshotmode.h"
#include "startup.h"
#include "udp_test.h"
#include "utils.h"

#include <QApplication>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QStringListModel>

int main(int argc, char *argv[])
{
    // Process-wide data objects exist before the application object.
    globalPalette();
    frameModelInstance();
    static Utils utils;

    // Headless runs (tests, screenshots) have no OpenGL: paint the scene in software.
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND") && (platform == "offscreen" || platform == "minimal"))
        qputenv("QT_QUICK_BACKEND", "software");

    if (screenshotModeRequested())
        installQmlWarningCounter();

    QApplication app(argc, argv);
    configureApplication();
    // The tab manager outlives the engine, so no binding ever sees it gone.
    ildaFileTab fileTab;
    QQmlApplicationEngine engine;
    registerQmlTypes();
    engine.rootContext()->setContextProperty(QStringLiteral("FileTab"), &fileTab);
    engine.rootContext()->setContextProperty(QStringLiteral("frameModel"), &frameModelInstance());

    // The network controller lives until the process ends; painted items reach it as the frame output.
    auto *netUdp = new UDP_test;
    UDP_test::setInstance(netUdp);
    engine.rootContext()->setContextProperty(QStringLiteral("net_udp"), netUdp);
    engine.rootContext()->setContextProperty(QStringLiteral("net_device_list"), netUdp->deviceListModel());

    utils.checkAndroidStoragePermissions();
    engine.addImportPath(QStringLiteral("qrc:/"));
    engine.load(QUrl(QStringLiteral("qrc:///qml/TabPlayer.qml")));
    if (engine.rootObjects().isEmpty())
        return -1;
    if (screenshotModeRequested())
        startScreenshotMode(engine);
    return app.exec();
}
