#include "ildafile.h"

#include "ctable.h"
#include "framesetmodel.h"
#include "ildaframedraw.h"
#include "ildframeset.h"
#include "palette.h"
#include "regularfile.h"
#include "urlpath.h"
#include "userprompt.h"
#include "viewlog.h"
#include "viewsettings.h"
#include "workprogress.h"

#include <QFile>
#include <QSaveFile>

#include <memory>

ildaFile::ildaFile(QObject *parent) : QObject(parent) {}

FrameContext *ildaFile::context()
{
    if (!m_context)
        m_context = FrameContext::of(this);
    if (!m_context)
        qCDebug(lcView) << "{ildaFile} no frame context: not created by the app's engine";
    return m_context;
}

bool ildaFile::loadData(QUrl name)
{
    FrameContext *shared = context();
    if (!shared)
        return false;
    QString &path = *shared->ildaFilePath;
    IldFrameSet &work = *shared->workSet;
    Palette *palette = shared->view->palette;
    path = localPathFromUrl(name);
    const QString fileName = name.fileName();
    qCDebug(lcView) << "Name" << path << "FileName:" << fileName;

    frameSetModel::SaveState state(shared->model);
    // Read aside: the working list takes the frames only when the read completes.
    IldReadResult result;
    IldFrameSet loaded;
    const WorkProgress::Task task(shared->progress, QStringLiteral("读取"));
    if (fileName.endsWith(QLatin1String(".c"))) {
        QFile file;
        result = openRegularFile(path, file);
        if (result.ok()) {
            if (!importCTable(file.readAll(), loaded, task.callback()))
                result.kind = IldReadResult::Cancelled;
            else if ((result.frames = int(loaded.frames.size())) == 0)
                result.kind = IldReadResult::Empty;
            qCDebug(lcView) << "file open success:" << file.fileName();
        } else {
            qCDebug(lcView) << "{ildaFile::loadData}open file failure:" << path << result.reason();
        }
    } else if (fileName.endsWith(QLatin1String(".ild"))) {
        result = loaded.fromFileIld(path, false, task.callback(), palette->size());
        palette->appendColors(result.palette);
    } else {
        shared->model->refrushModel();
        return false;
    }
    if (result.kind == IldReadResult::Cancelled)
        return false;
    work.maxPointCount = std::max(work.maxPointCount, loaded.maxPointCount);
    work.frames.insert(work.frames.end(), std::make_move_iterator(loaded.frames.begin()),
                       std::make_move_iterator(loaded.frames.end()));
    if (!result.ok()) {
        qCDebug(lcView) << "{ildaFile::loadData}" << path << result.reason();
        FrameContext::promptOf(shared).showNotice(UserPrompt::Warning, QStringLiteral("file error"),
                                                  result.noticeText(path));
    }
    shared->model->refrushModel();
    if (result.frames > 0)
        state.opened(path);
    return result.frames > 0;
}

bool ildaFile::saveData(QUrl name, QString selectedNameFilter)
{
    return saveData(name, selectedNameFilter, 0);
}

bool ildaFile::saveData(QUrl name, QString selectedNameFilter, int type)
{
    FrameContext *shared = context();
    if (!shared)
        return false;
    const ColorContext &colors = shared->view->colors;
    QString &path = *shared->ildaFilePath;
    path = localPathFromUrl(name);
    qCDebug(lcView) << "file url:" << name;
    qCDebug(lcView) << "Name" << path << "FileName:" << name.fileName() << selectedNameFilter;

    // A suffix the user typed wins over the dialog's filter (so "x.c" under the
    // ILDA filter is a C table, not "x.c.ild"); a name and a filter that name
    // neither type save nothing and say so.
    const bool typedC = path.endsWith(QLatin1String(".c"));
    const bool typedIld = path.endsWith(QLatin1String(".ild"));
    const bool asC = typedC || (!typedIld && selectedNameFilter.contains(QLatin1String("*.c")));
    const bool asIld = !asC && (typedIld || selectedNameFilter.contains(QLatin1String("*.ild")));
    frameSetModel::SaveState state(shared->model);
    const bool whole = type != 1 && shared->workSet->checkedCount() == int(shared->workSet->frames.size());
    QString why;
    if (asC) {
        if (!path.endsWith(QLatin1String(".c")))
            path += QLatin1String(".c");
        IldFrameSet &set = type == 1 ? *shared->revisedSet : *shared->workSet;
        qCDebug(lcView) << "{ildaFile::saveData}size:" << set.frames.size() << "nameIndex:" << 0;
        if (set.checkedCount() == 0) {
            why = QStringLiteral("no frames to save");
        } else {
            const QByteArray text = exportCTable(set, type, colors);
            QSaveFile file(path);
            if (!file.open(QIODevice::WriteOnly)) {
                why = file.errorString();
                qCDebug(lcView) << "{ildaFile::saveData}open file failure:" << path << why;
            } else if (file.write(text) != text.size() || !file.commit()) {
                why = file.errorString();
                qCDebug(lcView) << "{ildaFile::saveData}write failure:" << path << why;
            } else {
                qCDebug(lcView) << "file save success:" << path;
                bakeExportedTransforms(set, type);
            }
        }
    } else if (asIld) {
        if (!path.endsWith(QLatin1String(".ild")))
            path += QLatin1String(".ild");
        if (!shared->workSet->saveIld(path, colors, &why))
            qCDebug(lcView) << "{ildaFile::saveData}save failure:" << path << why;
        else // the editor keeps what it wrote: numbers, colours, transforms baked in
            shared->workSet->bakeWritten(colors);
    } else {
        why =
            QStringLiteral("the name ends neither in .ild nor in .c; add one of them or choose the ILDA or MCU filter");
    }
    // Type 2 bakes the transforms into the stored points; show that.
    shared->model->refrushModel();
    if (why.isEmpty()) {
        if (type != 1) // the revised frames are no part of the working list
            state.saved(path, whole);
        return true;
    }
    FrameContext::promptOf(shared).showMessage(
        UserPrompt::Warning, QStringLiteral("save error"),
        QStringLiteral("%1 was not saved: %2.\r\nThe file on disk is unchanged.").arg(path, why), UserPrompt::Ok);
    return false;
}

void ildaFile::testIldaFrameDraw()
{
    FrameContext *shared = context();
    if (!shared)
        return;
    const int rows = shared->model->rowCount();
    for (int row = 0; row < rows; ++row) {
        std::unique_ptr<IldaFrameDraw> item(new IldaFrameDraw);
        item->setFrameContext(shared);
        item->setIndex(row);
    }
}
