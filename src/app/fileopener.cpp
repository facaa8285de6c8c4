#include "fileopener.h"

#include "applog.h"
#include "framesetmodel.h"
#include "ildafiletab.h"
#include "urlpath.h"
#include "userprompt.h"

#include <QFileInfo>

namespace {

enum class Kind { Ilda, TabList, GroupImage, Unknown };

Kind kindOf(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("ild"))
        return Kind::Ilda;
    if (suffix == QLatin1String("list"))
        return Kind::TabList;
    if (suffix == QLatin1String("ilg") || suffix == QLatin1String("txg"))
        return Kind::GroupImage;
    return Kind::Unknown;
}

} // namespace

FileOpener::FileOpener(ildaFileTab *fileTab, frameSetModel *frameModel, QObject *parent)
    : QObject(parent), m_fileTab(fileTab), m_frameModel(frameModel)
{}

QString FileOpener::localPath(const QUrl &url) const
{
    return localPathFromUrl(url);
}

void FileOpener::openUrls(const QList<QUrl> &urls)
{
    QStringList paths;
    for (const QUrl &url : urls) {
        if (url.isLocalFile())
            paths << localPathFromUrl(url);
        else
            qCDebug(lcApp) << "{FileOpener} not a local file:" << url;
    }
    openPaths(paths);
}

void FileOpener::openPaths(const QStringList &paths)
{
    QStringList ilda;
    QString groups;
    Kind groupsKind = Kind::Unknown;
    // Told on the notice board, with what the readers below find.
    auto notice = [this](const QString &path, const QString &why) {
        qCDebug(lcApp) << "{FileOpener}" << path << why;
        if (m_fileTab)
            m_fileTab->prompt().showNotice(UserPrompt::Warning, QStringLiteral("file error"),
                                           path + QLatin1Char('\n') + why);
    };
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (!info.exists()) {
            notice(path, QStringLiteral("missing: no such file"));
            continue;
        }
        if (!info.isFile() || !info.isReadable()) {
            notice(path, info.isFile() ? QStringLiteral("unreadable: permission denied")
                                       : QStringLiteral("not-a-regular-file: a folder, device or pipe"));
            continue;
        }
        const Kind kind = kindOf(path);
        switch (kind) {
        case Kind::Ilda:
            ilda << info.absoluteFilePath();
            break;
        case Kind::TabList:
        case Kind::GroupImage:
            // Each list replaces all groups: a second one would only undo the first.
            if (groups.isEmpty()) {
                groups = info.absoluteFilePath();
                groupsKind = kind;
            } else {
                notice(path, QStringLiteral("skipped: one play list or group image at a time"));
            }
            break;
        case Kind::Unknown:
            notice(path, QStringLiteral("skipped: not an ILDA file (.ild), play list (.list) or group image "
                                        "(.ilg, .txg)"));
            break;
        }
    }

    if (!groups.isEmpty() && m_fileTab) {
        // The filters of the main window's open dialog.
        const QString filter =
            groupsKind == Kind::TabList ? QStringLiteral("list files (*.list )") : QStringLiteral("ilg files (*.ilg )");
        m_fileTab->open_list(QUrl::fromLocalFile(groups), filter);
        emit groupsOpened();
    }
    // Files that gave no frames were named in a notice; the pages show the others.
    QStringList read;
    for (const QString &path : ilda)
        if (m_frameModel && m_frameModel->setIldFileName(path))
            read << path;
    if (!read.isEmpty())
        emit ildaFilesOpened(read);
}
