#include "ildaframedraw.h"

#include "frameoutput.h"
#include "ildframeset.h"

#include <QPainter>

IldaFrameDraw::IldaFrameDraw(QQuickItem *parent) : QQuickPaintedItem(parent) {}

void IldaFrameDraw::setIndex(int index)
{
    m_currentFrame = nullptr;
    IldFrameSet &set = m_type == 1 ? revisedFrameSet() : workFrameSet();
    if (index >= 0 && size_t(index) < set.frames.size())
        m_currentFrame = &set.frames[size_t(index)];
    m_index = index;
    update();
}

void IldaFrameDraw::setName(IldFrame *frame)
{
    m_currentFrame = frame;
    update();
}

void IldaFrameDraw::paint(QPainter *painter)
{
    if (!m_currentFrame || m_currentFrame->vertices.empty())
        return;
    painter->setRenderHint(QPainter::Qt4CompatiblePainting);
    const bool warn = int(m_currentFrame->pointCount) > m_warningPoint;
    m_currentFrame->paint(painter, false, false, true, warn, true);
    if (m_play) {
        if (FrameOutput *out = FrameOutput::instance())
            out->sendFrame(*m_currentFrame);
    }
}
