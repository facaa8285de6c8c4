#include "ildafile.h"

#include "ctable.h"
#include "framesetmodel.h"
#include "ildaframedraw.h"
#include "ildframeset.h"
#include "urlpath.h"
#include "viewlog.h"

#include <QFile>
#include <QSaveFile>

#include <memory>

QString &ildaFilePath()
{
    static QString path;
    return path;
}

ildaFile::ildaFile(QObject *parent) : QObject(parent) {}

void ildaFile::loadData(QUrl name)
{
    QString &path = ildaFilePath();
    path = localPathFromUrl(name);
    const QString fileName = name.fileName();
    qCDebug(lcView) << "Name" << path << "FileName:" << fileName;

    if (fileName.endsWith(QLatin1String(".c"))) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            importCTable(file.readAll(), workFrameSet());
            qCDebug(lcView) << "file open success:" << file.fileName();
        } else {
            qCDebug(lcView) << "{ildaFile::loadData}open file failure:" << path << file.errorString();
        }
    } else if (fileName.endsWith(QLatin1String(".ild"))) {
        workFrameSet().fromFileIld(path, false);
    }
    frameModelInstance().refrushModel();
}

void ildaFile::saveData(QUrl name, QString selectedNameFilter)
{
    saveData(name, selectedNameFilter, 0);
}

void ildaFile::saveData(QUrl name, QString selectedNameFilter, int type)
{
    QString &path = ildaFilePath();
    path = localPathFromUrl(name);
    qCDebug(lcView) << "file url:" << name;
    qCDebug(lcView) << "Name" << path << "FileName:" << name.fileName() << selectedNameFilter;

    if (selectedNameFilter.contains(QLatin1String("*.c"))) {
        if (!path.endsWith(QLatin1String(".c")))
            path += QLatin1String(".c");
        IldFrameSet &set = type == 1 ? revisedFrameSet() : workFrameSet();
        qCDebug(lcView) << "{ildaFile::saveData}size:" << set.frames.size() << "nameIndex:" << 0;
        const QByteArray text = exportCTable(set, type);
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            qCDebug(lcView) << "{ildaFile::saveData}open file failure:" << path << file.errorString();
        } else if (file.write(text) != text.size() || !file.commit()) {
            qCDebug(lcView) << "{ildaFile::saveData}write failure:" << path << file.errorString();
        } else {
            qCDebug(lcView) << "file save success:" << path;
        }
    } else if (selectedNameFilter.contains(QLatin1String("*.ild"))) {
        if (!path.endsWith(QLatin1String(".ild")))
            path += QLatin1String(".ild");
        if (!workFrameSet().saveIld(path))
            qCDebug(lcView) << "{ildaFile::saveData}save failure:" << path;
    }
    // Type 2 bakes the transforms into the stored points; show that.
    frameModelInstance().refrushModel();
}

void ildaFile::testIldaFrameDraw()
{
    const int rows = frameModelInstance().rowCount();
    for (int row = 0; row < rows; ++row) {
        std::unique_ptr<IldaFrameDraw> item(new IldaFrameDraw);
        item->setIndex(row);
    }
}
