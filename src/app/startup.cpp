#include "startup.h"

#include "applog.h"

#include <QCoreApplication>
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
}
