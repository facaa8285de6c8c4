// Feeds arbitrary bytes as an SVG document through import, flattening and the
// path optimiser, as `ildatool import` does. Whatever the document, the frame
// must be a valid one.

#include "pathoptimizer.h"
#include "svgimport.h"

#include <QGuiApplication>
#include <QLoggingCategory>

#include <cstdlib>

// Fontconfig keeps what it looked up for the fonts a drawing names until the
// process ends; it never calls back into this program, so nothing of ours
// hides there.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Text in a drawing needs fonts, which need an application.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: the platform plugin's screen stays reachable to the end.
    static QGuiApplication *app = new QGuiApplication(*argc, *argv);
    Q_UNUSED(app)
    QLoggingCategory::setFilterRules(QStringLiteral("beamdeck.*.debug=false\nqt.svg.warning=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    const SvgDrawing d = readSvgData(bytes, 0.0);
    if (!d.ok)
        return 0;
    const FrameBuild b = buildFrame(svgStrokes(d), OptimizerOptions());
    if (b.frame.vertices.empty() || b.frame.vertexCount() > IldFrame::MaxPoints)
        std::abort();
    if (b.fits && b.frame.vertexCount() > OptimizerOptions::DefaultBudget)
        std::abort();
    for (const IldVertex &v : b.frame.vertices)
        if (v.x < -32767 || v.y < -32767)
            std::abort();
    return 0;
}
