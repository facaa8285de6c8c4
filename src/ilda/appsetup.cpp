#include "appsetup.h"

#include "filenamecodec.h"
#include "ildalog.h"
#include "textcodec.h"

#include <QCoreApplication>
#include <QTextCodec>

void configureApplication()
{
    QCoreApplication::setOrganizationName(QStringLiteral("VeVoza"));
    FileNameCodec::installForLocale();
    // The locale codec stays the system's: Qt encodes file names, arguments
    // and console text with it. The GBK contents of the program's own text
    // files go through TextCodec instead.
    if (!QTextCodec::codecForName("GBK"))
        qCWarning(lcIlda) << "GBK text codec not available; text files use" << TextCodec::gbkCodec()->name();
}
