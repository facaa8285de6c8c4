#pragma once

#include "framecontext.h"
#include "ildframe.h"

#include <QMetaType>
#include <QQuickPaintedItem>

Q_DECLARE_METATYPE(IldFrame *)

// A thumbnail of one frame of the editing lists: row `index` of the working
// set (type 0) or the revised set (type 1) of its FrameContext, or a frame
// handed over as `name`.
// It points into the shared sets; the model resets that follow every change
// of them make the delegates write `index` afresh.
class IldaFrameDraw : public QQuickPaintedItem
{
    Q_OBJECT
    Q_PROPERTY(bool play READ play WRITE setPlay NOTIFY playChanged)
    Q_PROPERTY(int index READ index WRITE setIndex)
    Q_PROPERTY(int type READ type WRITE setType)
    Q_PROPERTY(IldFrame *name READ name WRITE setName)
    Q_PROPERTY(int warningPoint READ warningPoint WRITE setWarningPoint)

public:
    explicit IldaFrameDraw(QQuickItem *parent = nullptr);

    void paint(QPainter *painter) override;

    bool play() const { return m_play; }
    void setPlay(bool on)
    {
        if (on == m_play)
            return;
        m_play = on;
        emit playChanged(on);
    }
    int index() const { return m_index; }
    void setIndex(int index);
    int type() const { return m_type; }
    void setType(int type) { m_type = type != 0 ? 1 : 0; }
    IldFrame *name() const { return frame(); }
    void setName(IldFrame *frame);
    int warningPoint() const { return m_warningPoint; }
    void setWarningPoint(int points) { m_warningPoint = points; }

    const IldFrame *currentFrame() const { return frame(); }
    // The shared sets, renderer and output; items QML creates find the app's
    // on their engine.
    void setFrameContext(FrameContext *context) { m_context = context; }

signals:
    void playChanged(bool play);

private:
    // The frame is looked up at each use: the shared sets may have grown,
    // shrunk or moved since the index was written, and a stored pointer into
    // them would dangle until the views rebuild.
    IldFrame *frame() const;
    FrameContext *context() const;

    IldFrame *m_named = nullptr; // a frame handed over directly
    bool m_hasIndex = false;
    int m_indexType = 0; // the set chosen when the index was written
    int m_type = 0;
    int m_warningPoint = 0;
    int m_index = 0;
    bool m_play = false;
    mutable FrameContext *m_context = nullptr;
};
