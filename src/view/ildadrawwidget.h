#pragma once

#include "progress.h"

#include <QQuickPaintedItem>

#include <memory>

class IldFrame;
class IldFrameSet;
struct FrameContext;
struct IldReadResult;

// The large frame viewer: reads one ILDA file into a frame set of its own and
// shows the frame whose index the page writes to frameIndex. The first
// picture comes from the file's first frame only; the whole file is read on
// the first frame step.
class IldaDrawWidget : public QQuickPaintedItem
{
    Q_OBJECT
    Q_PROPERTY(QString source READ source WRITE setSource)
    Q_PROPERTY(int frameMaxIndex READ frameMaxIndex NOTIFY frameMaxIndexChanged)
    Q_PROPERTY(int frameTotal READ frameTotal NOTIFY currentFrameChanged)
    Q_PROPERTY(int frameIndex READ frameIndex WRITE setFrameIndex NOTIFY frameIndexChanged)
    Q_PROPERTY(bool showBlanking READ showBlanking WRITE setShowBlanking)
    Q_PROPERTY(bool openGL READ openGL WRITE setOpenGL)
    Q_PROPERTY(bool netWork READ netWork WRITE setNetWork)
    Q_PROPERTY(int size READ size WRITE setSize)
    Q_PROPERTY(int sizeM READ sizeM)
    Q_PROPERTY(int countP_max READ countPMax NOTIFY currentFrameChanged)
    Q_PROPERTY(int countP READ countP NOTIFY currentFrameChanged)
    Q_PROPERTY(int format READ format NOTIFY currentFrameChanged)
    Q_PROPERTY(int warning_maxPoint READ warningMaxPoint WRITE setWarningMaxPoint)
    // Frames of the whole file, before it is read whole: counted from its
    // section headers when the source is set, the real count once read.
    Q_PROPERTY(int fileFrames READ fileFrames NOTIFY fileFramesChanged)
    // Why the source was not read whole (empty when it was).
    Q_PROPERTY(QString readProblem READ readProblem NOTIFY readProblemChanged)
    // The player names a file it cannot read whole in a notice; tiles do not.
    Q_PROPERTY(bool reportProblems READ reportProblems WRITE setReportProblems)

public:
    explicit IldaDrawWidget(QQuickItem *parent = nullptr);
    ~IldaDrawWidget() override;

    void paint(QPainter *painter) override;

    QString source() const { return m_source; }
    void setSource(const QString &path);
    int frameMaxIndex() const { return m_frameCount - 1; }
    int fileFrames() const { return m_fileFrames; }
    int frameTotal() const;
    int frameIndex() const;
    void setFrameIndex(int index);
    bool showBlanking() const { return m_showBlanking; }
    void setShowBlanking(bool on) { m_showBlanking = on; }
    bool openGL() const { return m_openGL; }
    void setOpenGL(bool on) { m_openGL = on; }
    bool netWork() const { return m_netWork; }
    void setNetWork(bool on) { m_netWork = on; }
    int size() const { return int(m_size); }
    void setSize(int percent);
    int sizeM() const { return 100; }
    int countPMax() const;
    int countP() const;
    int format() const;
    int warningMaxPoint() const { return m_warningMaxPoint; }
    QString readProblem() const { return m_readProblem; }
    bool reportProblems() const { return m_reportProblems; }
    void setReportProblems(bool report) { m_reportProblems = report; }
    void setWarningMaxPoint(int points) { m_warningMaxPoint = points; }

    // For tests and tools: the frame on show and the set it belongs to.
    const IldFrame *currentFrame() const { return m_currentFrame; }
    const IldFrameSet *frameSet() const { return m_frameSet.get(); }
    // The app's colours, renderer and output; items QML creates find them on
    // their engine.
    void setFrameContext(FrameContext *context) { m_context = context; }

signals:
    void frameIndexChanged(int index);
    void frameMaxIndexChanged(int maxIndex);
    // The frame shown changed (its header fields and counts with it).
    void currentFrameChanged();
    void readProblemChanged();
    void fileFramesChanged();

private:
    FrameContext *context();
    // Reads path into a frame set; the palettes it brings join the app's colour list.
    IldReadResult readFrames(IldFrameSet &into, const QString &path, bool firstOnly,
                             const ProgressCallback &progress = {});
    void setFrameCount(int count);
    void setFileFrames(int count);
    void setReadProblem(const QString &problem);

    QString m_source;
    QString m_loadedSource;
    std::unique_ptr<IldFrameSet> m_frameSet;
    IldFrame *m_currentFrame = nullptr;
    int m_frameCount = 0;
    int m_fileFrames = 0;
    bool m_netWork = false;
    bool m_showBlanking = false;
    bool m_openGL = false;
    float m_size = 100.0f;
    int m_warningMaxPoint = 600;
    QString m_readProblem;
    bool m_reportProblems = false;
    FrameContext *m_context = nullptr;
};
