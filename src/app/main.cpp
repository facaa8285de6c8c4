#include "framesetmodel.h"
#include "palette.h"
#include "startup.h"
#include "utils.h"

#include <QApplication>
#include <QQmlApplicationEngine>
#include <QQmlContext>

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

    QApplication app(argc, argv);
    configureApplication();
    QQmlApplicationEngine engine;
    registerQmlTypes();
    engine.rootContext()->setContextProperty(QStringLiteral("frameModel"), &frameModelInstance());

    utils.checkAndroidStoragePermissions();
    engine.addImportPath(QStringLiteral("qrc:/"));
    engine.load(QUrl(QStringLiteral("qrc:///qml/TabPlayer.qml")));
    if (engine.rootObjects().isEmpty())
        return -1;
    return app.exec();
}
