#pragma once

#include "solve/solveprofile.h"

// The verdict on a solver's answer, as numbers and kinds only: the words are the caller's.

// How far a point may stray from the best: `Tolerance` times max(1, |best|), best being the
// least height (the tower's above the ground, the island's altitude), plus the rounding a
// double coordinate cannot avoid, AllowedUnits units in the last place of V at the point's
// x. The tolerance alone is the usual rule of contest checkers; the units keep it fair to
// answers whose heights are tiny beside their coordinates. The least height is the exact
// one at the reference answer's x, before its y was rounded up to a double: that rounding
// is the allowance's to forgive, in the reference as in any answer.
inline constexpr double DefaultTolerance = 1e-6;
inline constexpr int AllowedUnits = 4;

enum class PlacementKind {
    Ok, // sees every slope and is as low as possible, within the allowance
    NotFinite, // a coordinate is infinite or not a number
    OutsideRange, // x lies outside [First, Last]
    MissesSlope, // y lies below V(x) by more than the allowance: Slope is not seen
    HigherThanNeeded, // sees every slope, but the best is lower by more than the allowance
};

// The verdict on the tower or the island. Every kind has Given, Best, First, Last and
// BestHeight; from MissesSlope on, also Needed, Slope and Height. The heights and V are
// exact values shown in extended precision, whose range holds them however far they lie
// beyond every double.
struct PlacementVerdict {
    PlacementKind Kind = PlacementKind::Ok;
    PointD Given; // the answer's point
    PointD Best; // the reference solution's point
    double First = 0; // the profile's x range
    double Last = 0;
    long double Needed = 0; // V(Given.X): the lowest y there that sees every slope
    ProfileSlope Slope; // the slope whose line is highest at Given.X
    // The tower: its height above the ground, Given.Y - T(Given.X), and the least possible;
    // the island: Given.Y and the least V.
    long double Height = 0;
    long double BestHeight = 0;

    bool HasHeight() const
    {
        return Kind != PlacementKind::NotFinite && Kind != PlacementKind::OutsideRange;
    }
};

struct AnswerVerdict {
    PlacementVerdict Tower;
    PlacementVerdict Island;

    bool Ok() const { return Tower.Kind == PlacementKind::Ok && Island.Kind == PlacementKind::Ok; }
};

// Judges `answer` against `solution`, exactly: the tower must lie within the profile's x
// range, below V(x) by no more than the allowance, and its height above the least possible
// by no more than it either. The island likewise, its y against the least V. Since no point
// that sees every slope lies lower than the least, a tower whose height is below it by more
// than the allowance misses a slope. O(log n): the solution already holds the envelope.
AnswerVerdict CheckAnswer(const ProfileSolution& solution, const ProfileAnswer& answer,
    double tolerance = DefaultTolerance);
