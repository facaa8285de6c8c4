#include "startup.h"

#include "applog.h"
#include "drawareawidget.h"
#include "drawpalettesegment.h"
#include "framesetmodel.h"
#include "ildafiletab.h"
#include "testlist.h"
#include "udp_test.h"
#include "ildadrawwidget.h"
#include "ildafile.h"
#include "ildaframedraw.h"

#include <QCoreApplication>
#include <QQmlContext>
#include <QQmlEngine>
#include <QStringListModel>
#include <QTextCodec>

void configureApplication()
{
    QCoreApplication::setOrganizationName(QStringLiteral("VeVoza"));
    if (QTextCodec *gbk = QTextCodec::codecForName("GBK"))
        QTextCodec::setCodecForLocale(gbk);
    else
        qCWarning(lcApp) << "GBK text codec not available; text files use the default codec"
                         << QTextCodec::codecForLocale()->name();
}

void initPageResources()
{
    Q_INIT_RESOURCE(qml);
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

void publishContextObjects(QQmlContext *context, ildaFileTab *fileTab, UDP_test *netUdp)
{
    context->setContextProperty(QStringLiteral("FileTab"), fileTab);
    context->setContextProperty(QStringLiteral("frameModel"), &frameModelInstance());
    context->setContextProperty(QStringLiteral("net_udp"), netUdp);
    context->setContextProperty(QStringLiteral("net_device_list"), netUdp->deviceListModel());
}
