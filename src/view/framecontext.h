#pragma once

class FrameOutput;
class FrameRenderer;
class IldFrameSet;
class QObject;
class QQmlEngine;
class QString;
class UserPrompt;
class WorkProgress;
class frameSetModel;
struct ViewSettings;

// The process-wide objects the frame items, IldaFile and the frame list
// model share. The app owns them and one FrameContext pointing at them, and
// installs it on its QML engine, where the items QML creates look it up.
struct FrameContext
{
    ViewSettings *view = nullptr;
    IldFrameSet *workSet = nullptr;    // what the editing page lists and edits
    IldFrameSet *revisedSet = nullptr; // what the revise operation fills
    FrameRenderer *renderer = nullptr; // one for all views: dwell markers run across them
    FrameOutput *output = nullptr;     // where frames go with the network switch on; may stay null
    QString *ildaFilePath = nullptr;   // the file IldaFile last loaded or saved
    frameSetModel *model = nullptr;    // "frameModel"
    UserPrompt *prompt = nullptr;      // boxes and notices; unattended when null
    WorkProgress *progress = nullptr;  // the bar long reads report to; none when null

    // Makes this the context of the objects engine creates.
    void install(QQmlEngine *engine);
    // The context installed on the engine that created object, or null
    // (an object made outside QML, or an engine without one).
    static FrameContext *of(const QObject *object);
    // What an item without a context (or a context without them) uses: the
    // unattended prompt, and no progress bar.
    static UserPrompt &promptOf(const FrameContext *context);
    static WorkProgress *progressOf(const FrameContext *context) { return context ? context->progress : nullptr; }
};
