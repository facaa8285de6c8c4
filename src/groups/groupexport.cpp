#include "groupexport.h"

#include "groupslog.h"
#include "ildafilesets.h"
#include "userprompt.h"
#include "viewsettings.h"
#include "workprogress.h"

#include <QStringList>

namespace GroupExport {

Outcome exportTabs(GroupImageBuilder::Variant variant, const QVector<ildaFileSets *> &tabs, const QString &path,
                   qint64 creationTime, UserPrompt &prompt, const ViewSettings &view, WorkProgress *progress)
{
    std::vector<ExportGroup> groups;
    std::vector<ildaFileSets *> checked;
    for (ildaFileSets *tab : tabs) {
        if (!tab->get_group_check())
            continue;
        groups.push_back(tab->exportGroup());
        checked.push_back(tab);
    }
    GroupImageBuilder builder;
    builder.setColors(view.colors, view.palette);
    if (creationTime >= 0)
        builder.setCreationTime(creationTime);
    const WorkProgress::Task task(progress, QStringLiteral("导出"));
    builder.setProgress(task.callback());
    const GroupImageBuilder::Outcome written = builder.save(variant, groups, path);
    report(prompt, builder, written, path);
    Outcome outcome;
    if (written == GroupImageBuilder::Written) {
        outcome.written = true;
        outcome.groupCount = quint8(builder.exportedGroupCount());
        outcome.dataEnd = quint32(builder.dataEnd());
        if (variant == GroupImageBuilder::GroupImage)
            outcome.checksum = builder.checksum();
        for (size_t i = 0; i < checked.size(); ++i)
            checked[i]->applyPlacement(builder.placement()[i]);
    }
    for (ildaFileSets *tab : checked)
        tab->clearAddress();
    return outcome;
}

void report(UserPrompt &prompt, const GroupImageBuilder &builder, GroupImageBuilder::Outcome outcome,
            const QString &path)
{
    if (outcome == GroupImageBuilder::Cancelled) {
        qCDebug(lcGroups) << "{ildaFileSets} export cancelled, file unchanged:" << path;
        return; // the user knows; what was left out no longer matters
    }
    if (outcome != GroupImageBuilder::Written) {
        qCDebug(lcGroups) << "{ildaFileSets} not exported:" << path << builder.errorString();
        prompt.showMessage(UserPrompt::Warning, QStringLiteral("export error"),
                           QStringLiteral("%1 was not written:\r\n%2\r\nThe file on disk is unchanged.")
                               .arg(path, builder.errorString()),
                           UserPrompt::Ok);
    }
    if (builder.leftOut().empty())
        return;
    QStringList lines;
    for (const GroupImageBuilder::LeftOut &l : builder.leftOut())
        lines << l.path + QStringLiteral(" (") + l.read.reason() + QLatin1Char(')');
    qCDebug(lcGroups) << "{ildaFileSets} left out of" << path << ":" << lines;
    prompt.showNotice(UserPrompt::Warning, QStringLiteral("export"),
                      QStringLiteral("These files give no frames and were left out of %1:\n").arg(path) +
                          lines.join(QLatin1Char('\n')));
}

} // namespace GroupExport
