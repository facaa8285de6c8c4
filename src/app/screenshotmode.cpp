#include "screenshotmode.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QTimer>

#include <cstdio>

namespace {

int s_qmlWarnings = 0;
QtMessageHandler s_previous = nullptr;

void countingHandler(QtMsgType type, const QMessageLogContext &context, const QString &msg)
{
    if (type != QtDebugMsg && type != QtInfoMsg) {
        const QByteArray category = context.category ? QByteArray(context.category) : QByteArray();
        if (msg.contains(QLatin1String("qrc:")) || category == "qml" || category == "js"
            || category.startsWith("qt.qml"))
            ++s_qmlWarnings;
    }
    if (s_previous)
        s_previous(type, context, msg);
}

struct Shot
{
    const char *objectName; // empty: the root window
    const char *file;
};

const Shot shots[] = {
    { "", "main.png" },
    { "frameWindow", "frame-editor.png" },
    { "drawingWindow", "drawing.png" },
};

QQuickWindow *findWindow(QQmlApplicationEngine &engine, const char *name)
{
    if (engine.rootObjects().isEmpty())
        return nullptr;
    QObject *root = engine.rootObjects().first();
    if (!*name)
        return qobject_cast<QQuickWindow *>(root);
    return root->findChild<QQuickWindow *>(QString::fromLatin1(name));
}

void takeShot(QQmlApplicationEngine *engine, int i)
{
    const QString dir = qEnvironmentVariable("BEAMDECK_SCREENSHOT_DIR");
    const int delayMs = qEnvironmentVariableIsSet("BEAMDECK_SCREENSHOT_DELAY")
        ? qEnvironmentVariableIntValue("BEAMDECK_SCREENSHOT_DELAY") : 1500;
    if (i >= int(sizeof(shots) / sizeof(shots[0]))) {
        std::fprintf(stderr, "screenshots written to %s; QML warnings: %d\n", qPrintable(dir), s_qmlWarnings);
        QCoreApplication::exit(s_qmlWarnings > 0 ? 3 : 0);
        return;
    }
    QQuickWindow *window = findWindow(*engine, shots[i].objectName);
    if (!window) {
        std::fprintf(stderr, "screenshot: window '%s' not found\n", shots[i].objectName);
        ++s_qmlWarnings;
        QTimer::singleShot(0, [engine, i] { takeShot(engine, i + 1); });
        return;
    }
    window->show();
    window->raise();
    QTimer::singleShot(delayMs, window, [engine, window, dir, i] {
        const QImage image = window->grabWindow();
        const QString path = QDir(dir).filePath(QString::fromLatin1(shots[i].file));
        if (image.isNull() || !image.save(path))
            std::fprintf(stderr, "screenshot: could not save %s\n", qPrintable(path));
        if (i > 0)
            window->hide();
        takeShot(engine, i + 1);
    });
}

} // namespace

bool screenshotModeRequested()
{
    return qEnvironmentVariableIsSet("BEAMDECK_SCREENSHOT_DIR");
}

void installQmlWarningCounter()
{
    s_previous = qInstallMessageHandler(countingHandler);
}

void startScreenshotMode(QQmlApplicationEngine &engine)
{
    QDir().mkpath(qEnvironmentVariable("BEAMDECK_SCREENSHOT_DIR"));
    QTimer::singleShot(300, [&engine] { takeShot(&engine, 0); });
}
