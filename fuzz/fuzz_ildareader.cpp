// Feeds arbitrary bytes to the ILDA reader, both full and first-frame reads.

#include "ildframeset.h"
#include "palette.h"

#include <QLoggingCategory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool quiet = [] {
        QLoggingCategory::setFilterRules(QStringLiteral("beamdeck.*.debug=false"));
        return true;
    }();
    Q_UNUSED(quiet)

    IldFrameSet set;
    set.fromBytes(data, qint64(size), false);
    IldFrameSet first;
    // Write back what was read: the writer must cope with anything the reader yields.
    for (IldFrame &f : set.frames)
        f.check = true;
    // The palettes read join a colour list of this input's own.
    Palette palette;
    palette.appendColors(first.fromBytes(data, qint64(size), true).palette);
    QByteArray out;
    set.toIldaBytes(out, ColorContext{&palette, 0});
    return 0;
}
