#pragma once

#include "groupimagebuilder.h"

#include <QString>
#include <QVector>

class UserPrompt;
struct ViewSettings;
class WorkProgress;
class ildaFileSets;

// Export dispatch of the play groups: the checked groups into one image,
// and what the user is told about it.
namespace GroupExport {

struct Outcome
{
    bool written = false;
    quint8 groupCount = 0;
    quint32 dataEnd = 0;
    quint32 checksum = 0; // group image only
};

// Writes the tabs whose group check is set as a group image or text group
// image at path; on success each tab learns where its files were placed.
// creationTime < 0: the clock.
Outcome exportTabs(GroupImageBuilder::Variant variant, const QVector<ildaFileSets *> &tabs, const QString &path,
                   qint64 creationTime, UserPrompt &prompt, const ViewSettings &view, WorkProgress *progress);

// Says what an export did not do: a refusal or failed write in a message
// box, files left out (no frames) in a notice; both as log lines too.
void report(UserPrompt &prompt, const GroupImageBuilder &builder, GroupImageBuilder::Outcome outcome,
            const QString &path);

} // namespace GroupExport
