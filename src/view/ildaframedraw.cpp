#include "ildaframedraw.h"

#include "frameoutput.h"
#include "ildframeset.h"

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
    if (!m_hasIndex)
        return nullptr;
    IldFrameSet &set = m_indexType == 1 ? revisedFrameSet() : workFrameSet();
    if (m_index >= 0 && size_t(m_index) < set.frames.size())
        return &set.frames[size_t(m_index)];
    return nullptr;
}

void IldaFrameDraw::paint(QPainter *painter)
{
    IldFrame *current = frame();
    if (!current || current->vertices.empty())
        return;
    painter->setRenderHint(QPainter::Qt4CompatiblePainting);
    const bool warn = int(current->pointCount) > m_warningPoint;
    current->paint(painter, false, false, true, warn, true);
    if (m_play) {
        if (FrameOutput *out = FrameOutput::instance())
            out->sendFrame(*current);
    }
}
