// Feeds arbitrary text to the C-table import, then exports what it read and
// imports that again: a table this program wrote must read back alike.

#include "ctable.h"
#include "ildframeset.h"
#include "palette.h"

#include <QLoggingCategory>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool quiet = [] {
        QLoggingCategory::setFilterRules(QStringLiteral("beamdeck.*.debug=false"));
        return true;
    }();
    Q_UNUSED(quiet)

    const QByteArray text = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    IldFrameSet set;
    importCTable(text, set);

    IldFrameSet again;
    static const Palette palette;
    importCTable(exportCTable(set, 0, ColorContext{&palette, 0}), again);
    if (again.frames.size() != set.frames.size())
        std::abort();
    for (size_t i = 0; i < set.frames.size(); ++i)
        if (again.frames[i].vertices.size() != set.frames[i].vertices.size())
            std::abort();
    return 0;
}
