#pragma once

#include <QString>
#include <QStringList>

class QUrl;
class QVariant;

// Paths handed over by file dialogs, drops, launchers and the pages: the one
// conversion from URL to local path.

// Local path of a URL. Windows-form paths ("file:///C:/x") stay in their
// drive-letter form; a URL without a scheme is taken as the (possibly
// relative) path it is.
QString localPathFromUrl(const QUrl &url);
// The same for text: "file:" text is a URL, anything else already a path.
QString localPathFromUrlText(const QString &text);
// What a page hands over for one or more files: one URL or its text, or a
// list of them (a dialog's fileUrls, from QML or C++), in order.
QStringList localPathsFromUrls(const QVariant &urls);
