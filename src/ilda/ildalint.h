#pragma once

#include "colorcontext.h"

#include <QString>
#include <QtGlobal>

#include <vector>

class IldFrame;

// Problems a projector chokes on, found in ILDA files and in frames being
// edited. Errors make a file play wrongly or not at all; warnings make it
// play badly (jumps, streaks, wrong colours) or are untidy.
struct LintFinding
{
    enum Severity { Warning, Error };

    Severity severity = Warning;
    int frame = -1; // frame section from 0; -1 for the file as a whole
    int point = -1; // point within the frame from 0; -1 for the whole frame
    QString rule;
    QString message;

    QString severityName() const { return severity == Error ? QStringLiteral("error") : QStringLiteral("warning"); }
};

struct LintOptions
{
    // The projector's packet limit; a header cannot count more than 65535.
    static constexpr int DefaultMaxPoints = 1800;
    static constexpr int HardMaxPoints = 65535;
    // Longest lit step (ILDA units) the scanners follow without overshoot.
    static constexpr int DefaultMaxStep = 2048;

    int maxPoints = DefaultMaxPoints;
    int maxStep = DefaultMaxStep;
    // Colours of the table indexed frames use when the file brings no
    // palette: 64 for the standard default table, 256 for "IildStd".
    int paletteSize = 64;
};

namespace IldaLint {

// Rule ids, as printed and as given in JSON.
inline const char *const ClosingHeader = "closing-header";
inline const char *const LastPoint = "last-point";
inline const char *const Numbering = "numbering";
inline const char *const PointLimit = "point-limit";
inline const char *const StepLength = "step-length";
inline const char *const BlankDwell = "blank-dwell";
inline const char *const FirstPointLit = "first-point-lit";
inline const char *const EmptyFrame = "empty-frame";
inline const char *const PaletteIndex = "palette-index";
inline const char *const Truncated = "truncated";
inline const char *const BadHeader = "bad-header";

// Checks of one frame as it stands (editor tiles, and every frame section of
// a file). Point positions include the frame's scale and offsets.
// paletteSize is the number of colours the frame's indices may reach; 0
// skips the index check.
std::vector<LintFinding> checkFrame(const IldFrame &frame, int frameIndex, const LintOptions &options, int paletteSize);

// Checks of a whole ILDA file: the frame checks plus those that need the
// bytes as stored (closing header, last-point bits, numbering, a lit first
// point, which the reader blanks).
std::vector<LintFinding> checkIldaBytes(const uchar *data, qint64 size, const LintOptions &options);

// Colours an index of a frame of this format may reach in the program: the
// selected table for formats 0 and 1 (64 or 256), the palettes read from files
// for formats 2 and 3.
int paletteSizeFor(const ColorContext &colors, quint8 format);

bool hasErrors(const std::vector<LintFinding> &findings);

// One line per finding, for tooltips and the console:
// "error frame 2 point 17 [last-point]: ...".
QString describe(const LintFinding &finding);

} // namespace IldaLint
