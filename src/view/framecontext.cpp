#include "framecontext.h"

#include "userprompt.h"

#include <QQmlEngine>
#include <QVariant>

namespace {
// A dynamic property of the engine: QML does not see it.
const char ContextProperty[] = "beamdeckFrameContext";
} // namespace

void FrameContext::install(QQmlEngine *engine)
{
    if (engine)
        engine->setProperty(ContextProperty, QVariant::fromValue(static_cast<void *>(this)));
}

FrameContext *FrameContext::of(const QObject *object)
{
    const QQmlEngine *engine = object ? qmlEngine(object) : nullptr;
    return engine ? static_cast<FrameContext *>(engine->property(ContextProperty).value<void *>()) : nullptr;
}

UserPrompt &FrameContext::promptOf(const FrameContext *context)
{
    return context && context->prompt ? *context->prompt : UserPrompt::unattended();
}
