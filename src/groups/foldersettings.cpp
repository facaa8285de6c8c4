#include "foldersettings.h"

#include "groupslog.h"
#include "playfiles.h"
#include "textcodec.h"
#include "urlpath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>
#include <QUrl>

namespace {

void showFileNames(const QString &folder)
{
    QDir dir(folder);
    const QFileInfoList entries =
        dir.entryInfoList({QStringLiteral("*.ini"), QStringLiteral("*.ild"), QStringLiteral("libc++_shared.so")},
                          QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDir::Name | QDir::Reversed);
    qCDebug(lcGroups) << "{ildaFileTab::showFileNames} Bytes Filename: ";
    for (const QFileInfo &info : entries)
        qCDebug(lcGroups).noquote() << QStringLiteral("%1 %2").arg(info.size(), 10).arg(info.absoluteFilePath());
}

} // namespace

QString FolderSettings::iniPathIn(const QString &home)
{
    return home + QStringLiteral("/_file_dir.ini");
}

QString FolderSettings::resolve(const QString &path) const
{
    if (QDir::isAbsolutePath(path))
        return path;
    // Joined as text, so that a folder keeps its trailing "/".
    return home + QLatin1Char('/') + path;
}

FolderSettings FolderSettings::load(const QString &home)
{
    FolderSettings s;
    s.home = home;
    showFileNames(home);
    QFile ini(s.iniPath());
    if (ini.open(QIODevice::ReadWrite | QIODevice::Text)) {
        QTextStream in(&ini);
        TextCodec::useGbk(in);
        s.localDir = in.atEnd() ? QString() : in.readLine();
        s.playFolder = in.atEnd() ? QString() : in.readLine();
        s.listName = in.atEnd() ? QString() : in.readLine();
    } else {
        qCDebug(lcGroups) << "file path" << ini.fileName() << (ini.exists() ? "true" : "false");
        s.localDir = home + QLatin1Char('/');
        s.playFolder = QStringLiteral("play/");
        s.listName = QStringLiteral("play.list");
    }
    const QString folder = s.resolve(s.playPath());
    if (!QDir(folder).exists() && !QDir().mkpath(folder))
        qCDebug(lcGroups) << "{ildaFileTab::set_dir} no:" << s.playPath();
    return s;
}

bool FolderSettings::save() const
{
    QSaveFile ini(iniPath());
    if (!ini.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        qCDebug(lcGroups) << "{ildaFileTab::setDirFromUrl} cannot write" << ini.fileName();
        return false;
    }
    if (!PlayFiles::commitText(ini, localDir + QLatin1Char('\n') + playFolder + QLatin1Char('\n') + listName +
                                        QLatin1Char('\n'))) {
        qCDebug(lcGroups) << "{ildaFileTab::setDirFromUrl} cannot write" << ini.fileName() << ini.errorString();
        return false;
    }
    return true;
}

void FolderSettings::setFromListUrl(const QUrl &url, const QString &fileName)
{
    listName = fileName.isEmpty() ? url.fileName() : fileName;
    const QString folder = PlayFiles::folderOf(localPathFromUrl(url));
    PlayFiles::splitListFolder(folder, localDir, playFolder);
}
