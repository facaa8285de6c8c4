#include "startup.h"

#include "applog.h"
#include "drawareawidget.h"
#include "drawpalettesegment.h"
#include "fileopener.h"
#include "framesetmodel.h"
#include "ildadrawwidget.h"
#include "ildafile.h"
#include "ildafiletab.h"
#include "ildaframedraw.h"
#include "testlist.h"
#include "typingfocus.h"
#include "udp_test.h"
#include "urlpath.h"
#include "workprogress.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QStringListModel>
#include <QTranslator>

void initPageResources()
{
    Q_INIT_RESOURCE(qml);
}

bool installPageServices(QApplication &app)
{
    app.installEventFilter(new TypingFocus(&app));
    // The pages speak Chinese whatever the system's language, so do Qt's
    // Yes/No/Cancel and file dialogs.
    const QString folder = QLibraryInfo::location(QLibraryInfo::TranslationsPath);
    auto *qt = new QTranslator(&app);
    if (!qt->load(QStringLiteral("qtbase_zh_CN"), folder)) {
        qCDebug(lcApp) << "{startup} no qtbase_zh_CN.qm in" << folder << "- Qt's own buttons stay in English";
        delete qt;
        return false;
    }
    app.installTranslator(qt);
    return true;
}

void registerQmlTypes()
{
    qmlRegisterType<DrawPaletteSegment>("an.qt.DrawPaletteSegment", 1, 0, "DrawPaletteSegment");
    qmlRegisterType<DrawAreaWidget>("an.qt.DrawAreaWidget", 1, 0, "DrawAreaWidget");
    qmlRegisterType<TestList>("an.qt.DrawAreaWidget", 1, 0, "TestList");
    qmlRegisterType<IldaDrawWidget>("an.qt.DrawAreaWidget", 1, 0, "IldaFrameSetDraw");
    qmlRegisterType<IldaFrameDraw>("an.qt.DrawAreaWidget", 1, 0, "IldaFrameDraw");
    qmlRegisterType<ildaFile>("an.qt.DrawAreaWidget", 1, 0, "IldaFile");
}

void publishContextObjects(QQmlContext *context, ildaFileTab *fileTab, frameSetModel *frameModel, UDP_test *netUdp,
                           WorkProgress *progress)
{
    context->setContextProperty(QStringLiteral("FileTab"), fileTab);
    context->setContextProperty(QStringLiteral("frameModel"), frameModel);
    context->setContextProperty(QStringLiteral("net_udp"), netUdp);
    context->setContextProperty(QStringLiteral("net_device_list"), netUdp->deviceListModel());
    context->setContextProperty(QStringLiteral("fileOpener"), new FileOpener(fileTab, frameModel, context));
    progress->setOnShow([] {
        for (QWindow *window : QGuiApplication::topLevelWindows())
            if (auto *quick = qobject_cast<QQuickWindow *>(window))
                if (QQuickItem *grabber = quick->mouseGrabberItem())
                    grabber->ungrabMouse();
    });
    context->setContextProperty(QStringLiteral("workProgress"), progress);
}

StartupArguments parseStartupArguments(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Opens, plays, edits and exports ILDA laser-show files."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("files"),
                                 QStringLiteral("ILDA files (.ild) to play and edit, or one tab list (.list) "
                                                "or group image (.ilg, .txg) to open."),
                                 QStringLiteral("[FILE…]"));
    StartupArguments result;
    if (!parser.parse(arguments)) {
        result.exitCode = 2;
        result.output = parser.errorText() + QLatin1Char('\n');
        return result;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        result.exitCode = 0;
        result.output = parser.helpText();
        return result;
    }
    for (const QString &argument : parser.positionalArguments()) {
        // Launchers passing %U hand over file URLs.
        const QString path = localPathFromUrlText(argument);
        if (!path.isEmpty())
            result.files << QFileInfo(path).absoluteFilePath();
    }
    return result;
}

void openStartupFiles(QQmlApplicationEngine &engine, const QStringList &files)
{
    if (files.isEmpty())
        return;
    auto *opener = qobject_cast<FileOpener *>(
        engine.rootContext()->contextProperty(QStringLiteral("fileOpener")).value<QObject *>());
    if (opener)
        opener->openPaths(files);
}
