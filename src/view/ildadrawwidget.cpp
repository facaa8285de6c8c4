#include "ildadrawwidget.h"

#include "framecontext.h"
#include "frameoutput.h"
#include "framerenderer.h"
#include "ildframeset.h"
#include "palette.h"
#include "userprompt.h"
#include "viewlog.h"
#include "viewsettings.h"
#include "workprogress.h"

#include <QPainter>

IldaDrawWidget::IldaDrawWidget(QQuickItem *parent) : QQuickPaintedItem(parent)
{
    setAcceptedMouseButtons(Qt::AllButtons);
}

IldaDrawWidget::~IldaDrawWidget() = default;

void IldaDrawWidget::setSource(const QString &path)
{
    if (path == m_source)
        return;
    const int oldIndex = frameIndex();
    m_source = path;
    m_currentFrame = nullptr;
    m_frameSet.reset(new IldFrameSet);
    // Only the first frame for now: a large file shows something at once.
    const IldReadResult read = readFrames(*m_frameSet, path, true);
    setReadProblem(read.ok() ? QString() : read.reason());
    setFrameCount(int(m_frameSet->frames.size()));
    // The count a tile shows at once, without reading the point data.
    setFileFrames(path.isEmpty() ? 0 : IldFrameSet::countFramesIld(path).frames);
    if (m_frameCount == 0) {
        m_currentFrame = &m_frameSet->emptyFrame;
        emit currentFrameChanged();
        if (oldIndex != 0)
            emit frameIndexChanged(0);
        return;
    }
    m_frameSet->currentIndex = 0;
    m_currentFrame = &m_frameSet->frames.front();
    emit currentFrameChanged();
    if (oldIndex != 0) // the new file starts at its first frame
        emit frameIndexChanged(0);
    update();
}

int IldaDrawWidget::frameIndex() const
{
    return m_frameSet ? m_frameSet->currentIndex : 0;
}

void IldaDrawWidget::setFrameIndex(int index)
{
    if (!m_frameSet) // no source yet: show an empty set's blank frame
        m_frameSet.reset(new IldFrameSet);
    if (m_loadedSource != m_source) {
        m_loadedSource = m_source;
        // A cancelled read keeps what is shown (the first frame) and is not
        // tried again until the source changes.
        const WorkProgress::Task task(FrameContext::progressOf(context()), QStringLiteral("读取"));
        std::unique_ptr<IldFrameSet> loaded(new IldFrameSet);
        const IldReadResult read = readFrames(*loaded, m_source, false, task.callback());
        if (read.kind == IldReadResult::Cancelled) {
            index = 0;
        } else {
            m_currentFrame = nullptr;
            m_frameSet = std::move(loaded);
            setReadProblem(read.ok() ? QString() : read.reason());
            if (!read.ok() && m_reportProblems && !m_source.isEmpty()) {
                qCDebug(lcView) << "{IldaDrawWidget}" << m_source << read.reason();
                FrameContext::promptOf(context()).showNotice(UserPrompt::Warning, QStringLiteral("file error"),
                                                             read.noticeText(m_source));
            }
            setFrameCount(int(m_frameSet->frames.size()));
            setFileFrames(m_frameCount);
        }
    }
    const int count = int(m_frameSet->frames.size());
    if (count > 0) {
        if (index >= count)
            index = 0;
        else if (index < 0)
            index = count - 1;
        const bool changed = m_frameSet->currentIndex != index;
        m_frameSet->currentIndex = index;
        m_currentFrame = &m_frameSet->frames[size_t(index)];
        if (changed)
            emit frameIndexChanged(index);
    } else {
        m_currentFrame = &m_frameSet->emptyFrame;
    }
    emit currentFrameChanged();
    update();
}

int IldaDrawWidget::frameTotal() const
{
    return m_currentFrame ? int(m_currentFrame->totalFrames) : 0;
}

void IldaDrawWidget::setSize(int percent)
{
    m_size = float(percent);
    update();
}

int IldaDrawWidget::countPMax() const
{
    return m_frameSet ? int(m_frameSet->maxPointCount) : 0;
}

int IldaDrawWidget::countP() const
{
    return m_currentFrame ? int(m_currentFrame->pointCount) : 0;
}

int IldaDrawWidget::format() const
{
    return m_currentFrame ? int(qint8(m_currentFrame->format)) : 0;
}

void IldaDrawWidget::setFrameCount(int count)
{
    if (count == m_frameCount)
        return;
    m_frameCount = count;
    emit frameMaxIndexChanged(count - 1);
}

void IldaDrawWidget::setFileFrames(int count)
{
    if (count == m_fileFrames)
        return;
    m_fileFrames = count;
    emit fileFramesChanged();
}

void IldaDrawWidget::setReadProblem(const QString &problem)
{
    if (problem == m_readProblem)
        return;
    m_readProblem = problem;
    emit readProblemChanged();
}

FrameContext *IldaDrawWidget::context()
{
    if (!m_context)
        m_context = FrameContext::of(this);
    return m_context;
}

IldReadResult IldaDrawWidget::readFrames(IldFrameSet &into, const QString &path, bool firstOnly,
                                         const ProgressCallback &progress)
{
    Palette *palette = context() && m_context->view ? m_context->view->palette : nullptr;
    const IldReadResult read =
        into.fromFileIld(path, firstOnly, progress, palette ? palette->size() : Palette::filePaletteBase);
    if (palette)
        palette->appendColors(read.palette);
    return read;
}

void IldaDrawWidget::paint(QPainter *painter)
{
    if (m_frameSet)
        m_frameSet->overLimit = int(m_frameSet->maxPointCount) > m_warningMaxPoint;
    const FrameContext *shared = context();
    if (!m_currentFrame || !shared || !shared->renderer || !shared->view)
        return;
    // The scale stays on the frame: the device output reads it too.
    m_currentFrame->scaleX = m_size / 100.0f;
    m_currentFrame->scaleY = m_size / 100.0f;
    painter->setRenderHint(QPainter::Qt4CompatiblePainting);
    PaintOptions options = PaintOptions::frameView();
    options.beamView = m_openGL;
    options.showBlanking = m_showBlanking;
    options.warn = m_frameSet && m_frameSet->overLimit;
    options.centerLines = shared->view->centerLines;
    shared->renderer->paint(painter, *m_currentFrame, shared->view->colors, options);
    if (m_netWork && shared->output)
        shared->output->sendFrame(*m_currentFrame);
}
