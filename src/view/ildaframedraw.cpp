#include "ildaframedraw.h"

#include "frameoutput.h"
#include "framerenderer.h"
#include "ildframeset.h"
#include "viewsettings.h"

#include <QPainter>

IldaFrameDraw::IldaFrameDraw(QQuickItem *parent) : QQuickPaintedItem(parent) {}

void IldaFrameDraw::setIndex(int index)
{
    m_named = nullptr;
    m_hasIndex = true;
    m_indexType = m_type;
    m_index = index;
    update();
}

void IldaFrameDraw::setName(IldFrame *frame)
{
    m_named = frame;
    m_hasIndex = false;
    update();
}

IldFrame *IldaFrameDraw::frame() const
{
    if (m_named)
        return m_named;
    const FrameContext *shared = context();
    if (!m_hasIndex || !shared)
        return nullptr;
    IldFrameSet *set = m_indexType == 1 ? shared->revisedSet : shared->workSet;
    if (set && m_index >= 0 && size_t(m_index) < set->frames.size())
        return &set->frames[size_t(m_index)];
    return nullptr;
}

FrameContext *IldaFrameDraw::context() const
{
    if (!m_context)
        m_context = FrameContext::of(this);
    return m_context;
}

void IldaFrameDraw::paint(QPainter *painter)
{
    IldFrame *current = frame();
    const FrameContext *shared = context();
    if (!current || current->vertices.empty() || !shared || !shared->renderer || !shared->view)
        return;
    painter->setRenderHint(QPainter::Qt4CompatiblePainting);
    PaintOptions options = PaintOptions::thumbnail();
    options.warn = int(current->pointCount) > m_warningPoint;
    options.centerLines = shared->view->centerLines;
    shared->renderer->paint(painter, *current, shared->view->colors, options);
    if (m_play && shared->output)
        shared->output->sendFrame(*current);
}
