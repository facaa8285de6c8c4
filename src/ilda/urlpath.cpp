#include "urlpath.h"

#include <QRegularExpression>
#include <QUrl>
#include <QVariant>

QString localPathFromUrl(const QUrl &url)
{
    if (url.isLocalFile()) {
        QString path = url.toLocalFile();
        // "file:///C:/x" comes out as "/C:/x" here; keep the drive-letter form.
        static const QRegularExpression drive(QStringLiteral("^/[A-Za-z]:/"));
        if (drive.match(path).hasMatch())
            path.remove(0, 1);
        return path;
    }
    QString text = url.toString();
    if (text.startsWith(QLatin1String("file:///")))
        text.remove(0, 8);
    return text;
}

QString localPathFromUrlText(const QString &text)
{
    if (text.startsWith(QLatin1String("file:")))
        return localPathFromUrl(QUrl(text));
    return text;
}

QStringList localPathsFromUrls(const QVariant &urls)
{
    // A script array arrives as a script value, which converts to a list.
    const QVariant &v = urls;
    QStringList paths;
    if (v.userType() == qMetaTypeId<QList<QUrl>>()) {
        for (const QUrl &url : v.value<QList<QUrl>>())
            paths << localPathFromUrl(url);
    } else if (v.canConvert<QVariantList>() && v.userType() != QMetaType::QString && v.userType() != QMetaType::QUrl) {
        for (const QVariant &url : v.toList())
            paths << localPathFromUrl(url.toUrl());
    } else {
        paths << localPathFromUrl(v.toUrl());
    }
    return paths;
}
