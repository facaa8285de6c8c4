#pragma once

#include "ildframe.h"
#include "progress.h"
#include "stroke.h"

#include <QString>

#include <vector>

// What the laser path optimiser does with a frame's strokes. The defaults suit
// a 30 kpps projector: a full-width jump takes 32 steps, each blanked move gets
// a few points to settle, and a frame fits one 1800-point packet.
struct OptimizerOptions
{
    static constexpr int DefaultDwellOff = 2;
    static constexpr int DefaultDwellOn = 3;
    static constexpr double DefaultCornerAngle = 45.0;
    static constexpr int DefaultCornerDwell = 2;
    static constexpr double DefaultMaxStep = 2048.0;
    static constexpr int DefaultBudget = 1800;

    bool reorder = true;                     // order, direction and start of the strokes
    int dwellOff = DefaultDwellOff;          // lit copies of a stroke's last point before blanking
    int dwellOn = DefaultDwellOn;            // blanked copies at a stroke's start before lighting
    double cornerAngle = DefaultCornerAngle; // degrees of direction change that make a corner
    int cornerDwell = DefaultCornerDwell;    // copies of a corner point
    double maxStep = DefaultMaxStep;         // longest lit or blanked step, ILDA units
    int budget = DefaultBudget;              // most points in a frame
};

// What buildFrame works on: the strokes cut off at the edge of the ILDA
// square, repeated points dropped.
std::vector<Stroke> prepareStrokes(const std::vector<Stroke> &strokes);

// The order in which strokes are drawn: one entry per stroke.
struct PathStep
{
    int stroke = 0;
    bool reversed = false;
    int start = 0; // first point of a closed stroke
};

// Orders the strokes, picks each one's direction and the start of the closed
// ones to shorten the blanked travel: nearest neighbour, then 2-opt moves and
// better starts of closed strokes until nothing improves.
// progress hears of the work and may cancel (the plan is then empty). The
// time grows about as n log n with the number of strokes, however they lie.
std::vector<PathStep> planPath(const std::vector<Stroke> &strokes, const ProgressCallback &progress = {});
// The strokes in drawing order, turned as the plan says.
std::vector<Stroke> applyPlan(const std::vector<Stroke> &strokes, const std::vector<PathStep> &plan);
// Sum of the jumps from each stroke's end to the next one's start.
double travelLength(const std::vector<Stroke> &ordered);

struct FrameBuild
{
    IldFrame frame;
    bool cancelled = false; // progress asked to stop: the frame is empty
    bool fits = true;       // the frame is within the budget
    int pointsNeeded = 0;   // points before fitting into the budget
    double step = 0.0;      // step used for subdivision
    double travel = 0.0;    // blanked travel of the drawn order
    QString message;        // what happened when the budget could not be kept
};

// Strokes to a checked format-5 frame: optimised order (unless switched off),
// dwell at blanked moves and corners, steps no longer than maxStep, the point
// budget kept by lengthening the step evenly where possible. Without strokes
// the frame is one blanked point at the centre. Points that are not finite
// are left out, counts and steps beyond what a frame can hold are cut to it,
// and a frame that cannot keep the budget still holds at most 65535 points.
// progress hears of the work and may cancel.
FrameBuild buildFrame(const std::vector<Stroke> &strokes, const OptimizerOptions &options,
                      const ProgressCallback &progress = {});

// The lit runs of a frame as strokes, dwell and corner copies dropped (what a
// new optimisation pass starts from). Indexed colours are resolved in colors.
std::vector<Stroke> strokesFromFrame(const IldFrame &frame, const ColorContext &colors);
