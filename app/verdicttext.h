#pragma once

#include "render/failuremarks.h"
#include "scene/profile.h"
#include "solve/verdict.h"

#include <QString>

#include <chrono>
#include <optional>

// The verdict on a solver's answer in words, for the window's tool tips and the check mode's
// report. Every text is translatable; numbers are written as the coordinate labels write them.

enum class Placement { Tower, Island };

// One sentence on the tower or the island: optimal, or why not (the slope it does not see,
// the lower height possible and where, the x outside the profile).
QString PlacementSentence(Placement placement, const PlacementVerdict& verdict);

// A number as the coordinate labels write it; a height or a V beyond every double likewise.
QString ShownNumber(long double value);

// A run time in milliseconds, to a tenth: "12.5".
QString MillisecondsText(std::chrono::nanoseconds duration);

// Judges the tower and island of `profile` against the exact solution of its vertices, which
// must be loaded (ordered by X, at least one). Empty when the solution itself lies beyond
// the range of a double, so that no answer can be judged against it.
std::optional<AnswerVerdict> JudgeScene(const LoadedProfile& profile, double tolerance);

// Why JudgeScene came back empty, as one sentence.
QString UnjudgedSentence();

// The tool tips of the two coordinate labels after a collection, from JudgeScene's `verdict`:
// each placement's sentence and, on a line of its own, the solver's run time and any exit
// status other than 0.
struct AnswerTips {
    QString Tower;
    QString Island;
};
AnswerTips AnswerToolTips(const std::optional<AnswerVerdict>& verdict,
    std::chrono::nanoseconds solverTime, int exitStatus = 0);

// What to mark on the picture for each wrong placement of `verdict`: the unseen slope, the
// point given when it is finite, the best place and, for the tower, the ground below it.
FailureMarks MarksOf(const AnswerVerdict& verdict);

// The answer's four numbers as a solver writes them, "tower x, y, island x, y" separated by
// spaces, each the shortest text that reads back as the same double.
QString AnswerText(const LoadedProfile& profile);
