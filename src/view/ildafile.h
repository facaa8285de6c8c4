#pragma once

#include "framecontext.h"

#include <QObject>
#include <QString>
#include <QUrl>

// Opens and saves single files for the editor pages: .ild files and C source
// tables go into and out of the working set (or the revised set for save
// type 1, "加点优化") of its FrameContext. Every call ends with a reset of the frame list
// model so the views show what is there now.
class ildaFile : public QObject
{
    Q_OBJECT
public:
    explicit ildaFile(QObject *parent = nullptr);

    // Both return true on success; a failure is named in a box (a notice for
    // a file that could not be read, a message for a save).
    Q_INVOKABLE bool loadData(QUrl name);
    Q_INVOKABLE bool saveData(QUrl name, QString selectedNameFilter, int type);
    Q_INVOKABLE bool saveData(QUrl name, QString selectedNameFilter);
    Q_INVOKABLE void testIldaFrameDraw();

    // The shared sets, model and path; an IldaFile QML creates finds the
    // app's on its engine.
    void setFrameContext(FrameContext *context) { m_context = context; }

private:
    // Null when there is none (nothing can be loaded or saved then).
    FrameContext *context();
    // True when the revised set belongs to the list as it stands (asks to
    // revise again when it does not); prepareRevised then gives the revised
    // frames the list's check marks.
    static bool revisedReady(FrameContext *shared, const QString &path);
    static bool prepareRevised(FrameContext *shared, const QString &path);

    FrameContext *m_context = nullptr;
};
