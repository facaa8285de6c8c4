#include "startup.h"

#include "applog.h"
#include "ildadrawwidget.h"
#include "ildafile.h"
#include "ildaframedraw.h"

#include <QCoreApplication>
#include <QQmlEngine>
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

void registerQmlTypes()
{
    // Native item types join here as they are built.
    qmlRegisterType<IldaDrawWidget>("an.qt.DrawAreaWidget", 1, 0, "IldaFrameSetDraw");
    qmlRegisterType<IldaFrameDraw>("an.qt.DrawAreaWidget", 1, 0, "IldaFrameDraw");
    qmlRegisterType<ildaFile>("an.qt.DrawAreaWidget", 1, 0, "IldaFile");
}
