#pragma once

#include <QString>
#include <QUrl>

// Paths handed over by QML file dialogs: "file:" URLs become local paths; a
// name without a scheme is taken as the (possibly relative) path it is.
inline QString localPathFromUrl(const QUrl &url)
{
    if (url.isLocalFile())
        return url.toLocalFile();
    if (url.scheme().isEmpty())
        return url.toString(QUrl::PreferLocalFile);
    return url.toString();
}

inline QString localPathFromUrlText(const QString &text)
{
    if (text.startsWith(QLatin1String("file:")))
        return localPathFromUrl(QUrl(text));
    return text;
}
