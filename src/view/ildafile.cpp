#include "ildafile.h"

#include "ctable.h"
#include "framesetmodel.h"
#include "ildaframedraw.h"
#include "ildframeset.h"
#include "palette.h"
#include "regularfile.h"
#include "revise.h"
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
    // Through the model: one step of the undo history, and the revised
    // frames of the list before it are dropped.
    shared->model->appendRead(loaded);
    if (!result.ok()) {
        qCDebug(lcView) << "{ildaFile::loadData}" << path << result.reason();
        FrameContext::promptOf(shared).showNotice(UserPrompt::Warning, QStringLiteral("file error"),
                                                  result.noticeText(path));
    }
    if (result.frames > 0)
        state.opened(path);
    return result.frames > 0;
}

// Revised frames are saved only for the list they were made from. When the
// list changed since "revise", the user may revise it again with the same
// settings; otherwise nothing is saved. The frames saved are those checked in
// the list now: the tiles of both strips set the list's marks.
bool ildaFile::prepareRevised(FrameContext *shared, const QString &path)
{
    IldFrameSet &revised = *shared->revisedSet;
    const IldFrameSet &work = *shared->workSet;
    if (!revisedReady(shared, path))
        return false;
    for (size_t i = 0; i < revised.frames.size() && i < work.frames.size(); ++i)
        revised.frames[i].check = work.frames[i].check;
    return true;
}

bool ildaFile::revisedReady(FrameContext *shared, const QString &path)
{
    frameSetModel &model = *shared->model;
    if (model.revisedCurrent() || (shared->workSet->frames.empty() && shared->revisedSet->frames.empty()))
        return true; // an empty list is refused as such
    UserPrompt &prompt = FrameContext::promptOf(shared);
    const QString title = QStringLiteral("加点优化");
    const ReviseParams *last = model.lastRevise();
    if (!last) {
        prompt.showMessage(UserPrompt::Warning, title,
                           QStringLiteral("%1 was not saved: there are no revised frames (加点优化) for the frames "
                                          "in the list.\r\nPress \"revise\" first, then save.")
                               .arg(path),
                           UserPrompt::Ok);
        return false;
    }
    const UserPrompt::Button answer = prompt.showMessage(
        UserPrompt::Question, title,
        QStringLiteral("The revised frames (加点优化) are out of date: the list changed after \"revise\".\r\n"
                       "Revise again with between %1, highLight %2, blanking %3, pointNum %4 and save %5?")
            .arg(last->between)
            .arg(last->addPoint)
            .arg(last->blankPoint)
            .arg(last->totalPoint)
            .arg(path),
        UserPrompt::Yes | UserPrompt::No, UserPrompt::Yes);
    return answer == UserPrompt::Yes && model.reviseAgain();
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
    if (asC && !path.endsWith(QLatin1String(".c")))
        path += QLatin1String(".c");
    else if (asIld && !path.endsWith(QLatin1String(".ild")))
        path += QLatin1String(".ild");
    frameSetModel::SaveState state(shared->model);
    const bool whole = type != 1 && shared->workSet->checkedCount() == int(shared->workSet->frames.size());
    QString why;
    if (!asC && !asIld) {
        why =
            QStringLiteral("the name ends neither in .ild nor in .c; add one of them or choose the ILDA or MCU filter");
    } else if (type == 1 && !prepareRevised(shared, path)) {
        shared->model->refrushModel();
        return false; // said so, or the user chose not to revise
    } else if (asC) {
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
    } else if (type == 3) {
        // Colour codes are a firmware table's way of naming colours; an ILDA
        // file has its own, so there is nothing to honour.
        why = QStringLiteral("调色表 (colour codes) is a C table type and has no meaning in an ILDA file; save it as "
                             ".c, or choose 正常 for an ILDA file");
    } else {
        // 正常 and 缩放中心 write the list with every frame's scale and centre
        // applied (an ILDA file keeps no transform); 加点优化 its revised frames.
        IldFrameSet &set = type == 1 ? *shared->revisedSet : *shared->workSet;
        if (!set.saveIld(path, colors, &why))
            qCDebug(lcView) << "{ildaFile::saveData}save failure:" << path << why;
        else if (&set == shared->workSet) // the editor keeps what it wrote: numbers, colours, transforms baked in
            set.bakeWritten(colors);
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
