// Feeds arbitrary bytes, read through a QTextStream, to the group settings
// file and tab list parsers. The first byte picks the root folder; settings
// read are written back and must read again to the same rows.

#include "playfiles.h"

#include <QBuffer>
#include <QLoggingCategory>
#include <QTextStream>

#include <cstdlib>

using namespace PlayFiles;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool quiet = [] {
        QLoggingCategory::setFilterRules(QStringLiteral("beamdeck.*.debug=false"));
        return true;
    }();
    Q_UNUSED(quiet)

    if (size == 0)
        return 0;
    static const QString roots[] = {QString(), QStringLiteral("/shows/"), QStringLiteral("C:/shows/"),
                                    QStringLiteral("shows/")};
    const QString &root = roots[data[0] % 4];
    QByteArray bytes(reinterpret_cast<const char *>(data + 1), int(size - 1));

    {
        QTextStream in(&bytes, QIODevice::ReadOnly);
        const QVector<SettingsRow> rows = parseSettings(in, root);
        for (const SettingsRow &r : rows)
            if (r.path.contains(QLatin1Char('\n')))
                std::abort();
        const SettingsText written = formatSettings(rows, root);
        if (written.errors == 0) {
            QString text = written.text;
            QTextStream again(&text, QIODevice::ReadOnly);
            const QVector<SettingsRow> back = parseSettings(again, root);
            if (back.size() != rows.size())
                std::abort();
            for (int i = 0; i < rows.size(); ++i) {
                const SettingsRow &a = rows.at(i);
                const SettingsRow &b = back.at(i);
                if (a.path != b.path || a.name != b.name || a.playSpeed != b.playSpeed || a.colorType != b.colorType ||
                    a.repeater != b.repeater || a.check != b.check)
                    std::abort();
            }
        }
    }
    {
        QBuffer in(&bytes);
        in.open(QIODevice::ReadOnly);
        QVector<ListEntry> entries;
        readTabList(in, entries);
        if (entries.size() > MaxListGroups)
            std::abort();
        for (const ListEntry &e : entries)
            if (e.name.trimmed().isEmpty() || e.name.contains(QLatin1Char('#')))
                std::abort();
    }
    return 0;
}
