// Unsaved work of the editor: whether the working list differs from what was
// last opened or saved, and what closing the editor does about it.

#include "framesetmodel.h"

#include "ildframeset.h"
#include "userprompt.h"
#include "viewlog.h"
#include "viewsettings.h"

#include <QCryptographicHash>
#include <QDataStream>

namespace {

// The content an edit changes: not the check marks (a selection) nor the
// numbering a save rewrites.
QByteArray contentDigest(const std::vector<IldFrame> &frames)
{
    if (frames.empty())
        return QByteArray();
    QCryptographicHash hash(QCryptographicHash::Md5);
    QByteArray bytes;
    for (const IldFrame &f : frames) {
        bytes.clear();
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << f.format << f.name << f.company << f.projector << f.highPoint << f.scaleX << f.scaleY << f.offsetX
            << f.offsetY << quint32(f.vertices.size());
        for (const IldVertex &v : f.vertices)
            out << v.x << v.y << v.z << v.r << v.g << v.b << v.status << v.colorIndex;
        hash.addData(bytes);
    }
    return hash.result();
}

} // namespace

bool frameSetModel::isModified() const
{
    return contentDigest(workSet().frames) != m_savedDigest;
}

void frameSetModel::markSaved(const QString &path)
{
    m_savedDigest = contentDigest(workSet().frames);
    m_savedPath = path;
}

frameSetModel::SaveState::SaveState(frameSetModel *model)
    : m_model(model), m_clean(!model->isModified()), m_empty(model->rowCount() == 0)
{}

void frameSetModel::SaveState::opened(const QString &path)
{
    // A list made of several files came from none of them; one from a C
    // table is saved in place only by choosing the table again.
    if (m_clean)
        m_model->markSaved(m_empty && path.endsWith(QLatin1String(".ild")) ? path : QString());
    else
        m_model->m_savedPath.clear();
}

void frameSetModel::SaveState::saved(const QString &path, bool whole)
{
    // Frames left out of a save are as unsaved as they were.
    if (whole)
        m_model->markSaved(path.endsWith(QLatin1String(".ild")) ? path : QString());
    else if (m_clean)
        m_model->markSaved(m_model->m_savedPath);
}

bool frameSetModel::saveWholeList(const QString &path)
{
    IldFrameSet &work = workSet();
    std::vector<bool> checks;
    checks.reserve(work.frames.size());
    for (IldFrame &f : work.frames) {
        checks.push_back(f.check);
        f.check = true;
    }
    QString why;
    const bool saved = work.saveIld(path, m_view->colors, &why);
    if (saved) // the editor keeps what it wrote, as after any save
        work.bakeWritten(m_view->colors);
    for (size_t i = 0; i < checks.size(); ++i)
        work.frames[i].check = checks[i];
    refrushModel();
    if (!saved) {
        qCDebug(lcView) << "{frameSetModel::saveWholeList}save failure:" << path << why;
        prompt().showMessage(UserPrompt::Warning, QStringLiteral("save error"),
                             QStringLiteral("%1 没有保存: %2。\r\n磁盘上的文件没有改变。").arg(path, why),
                             UserPrompt::Ok);
        return false;
    }
    markSaved(path);
    return true;
}

void frameSetModel::dropList()
{
    {
        const Edit edit(this, QStringLiteral("close")); // Ctrl+Z still brings it back
        beginResetModel();
        workSet().frames.clear();
        revisedSet().frames.clear();
        endResetModel();
    }
    m_ildFileName.clear();
    countSelected();
    m_selectEndFrame = -1;
    emit select_end_frame_Change(m_selectEndFrame);
    markSaved(QString());
}

QString frameSetModel::ask_save_changes()
{
    if (!isModified())
        return QStringLiteral("close");
    const int frames = rowCount();
    switch (prompt().askSaveChanges(QStringLiteral("帧编辑的 %1 帧有未保存的修改。").arg(frames))) {
    case UserPrompt::Save:
        if (m_savedPath.isEmpty())
            return QStringLiteral("name");
        return saveWholeList(m_savedPath) ? QStringLiteral("close") : QStringLiteral("keep");
    case UserPrompt::Discard:
        // The list goes with the window: opening the editor again starts afresh.
        dropList();
        return QStringLiteral("close");
    default:
        return QStringLiteral("keep");
    }
}
