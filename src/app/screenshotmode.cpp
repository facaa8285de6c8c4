#include "screenshotmode.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickWindow>
#include <QScreen>
#include <QTimer>

#include <cstdio>

namespace {

int s_qmlWarnings = 0;
QtMessageHandler s_previous = nullptr;

void countingHandler(QtMsgType type, const QMessageLogContext &context, const QString &msg)
{
    if (type != QtDebugMsg && type != QtInfoMsg) {
        const QByteArray category = context.category ? QByteArray(context.category) : QByteArray();
        if (msg.contains(QLatin1String("qrc:")) || category == "qml" || category == "js" ||
            category.startsWith("qt.qml"))
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
    {"", "main.png"},
    {"frameWindow", "frame-editor.png"},
    {"drawingWindow", "drawing.png"},
};

// Puts the first file of the first group into the editor and revises it, so
// that its picture shows frames and revised frames as a user would see them.
void preloadEditor(QQmlApplicationEngine &engine, QObject *frameWindow)
{
    auto *tabs = qobject_cast<QAbstractItemModel *>(
        engine.rootContext()->contextProperty(QStringLiteral("FileTab")).value<QObject *>());
    if (!tabs || tabs->rowCount() == 0)
        return;
    QObject *group = nullptr;
    QMetaObject::invokeMethod(tabs, "get_tab", Q_RETURN_ARG(QObject *, group), Q_ARG(int, 0));
    auto *files = qobject_cast<QAbstractItemModel *>(group);
    if (!files || files->rowCount() == 0)
        return;
    const QString path = files->data(files->index(0, 0), 1).toString();
    QMetaObject::invokeMethod(frameWindow, "loadFile", Q_ARG(QVariant, path));
    if (QObject *frames = engine.rootContext()->contextProperty(QStringLiteral("frameModel")).value<QObject *>())
        QMetaObject::invokeMethod(frames, "reviseFrameSet", Q_ARG(uint, 1), Q_ARG(uint, 0), Q_ARG(uint, 2),
                                  Q_ARG(uint, 600));
}

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
                            ? qEnvironmentVariableIntValue("BEAMDECK_SCREENSHOT_DELAY")
                            : 1500;
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
    if (i == 1)
        preloadEditor(*engine, window);
    window->show();
    window->raise();
    QTimer::singleShot(delayMs, window, [engine, window, dir, i] {
        QImage image = window->grabWindow();
        // The software scene graph cannot read its own backing store back on
        // every platform; the screen can.
        if (image.isNull() && window->screen())
            image = window->screen()->grabWindow(window->winId()).toImage();
        const QString path = QDir(dir).filePath(QString::fromLatin1(shots[i].file));
        if (image.isNull())
            std::fprintf(stderr, "screenshot: window '%s' gave no picture\n", shots[i].objectName);
        else if (!image.save(path))
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
