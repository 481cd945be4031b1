#pragma once

#include "solution/solveprofile.h"

#include <span>

// The verdict on a solver's answer, as numbers and kinds only: the words are the caller's.

// The usual rule of contest checkers: `value` matches `reference` when
// |value - reference| <= tolerance * max(1, |reference|), computed in doubles.
inline constexpr double DefaultTolerance = 1e-6;
bool WithinTolerance(double value, double reference, double tolerance = DefaultTolerance);

enum class PlacementKind {
    Ok, // sees every slope and is as low as possible, within the tolerance
    NotFinite, // a coordinate is infinite or not a number
    OutsideRange, // x lies outside [First, Last]
    MissesSlope, // y lies below V(x) by more than the tolerance: Slope is not seen
    HigherThanNeeded, // sees every slope, but the best is lower by more than the tolerance
};

// The verdict on the tower or the island. Which fields hold what depends on how far the
// check went: every kind has Given and Best; from MissesSlope on, Needed and Slope; from
// HigherThanNeeded on, Height and BestHeight.
struct PlacementVerdict {
    PlacementKind Kind = PlacementKind::Ok;
    PointD Given; // the answer's point
    PointD Best; // the reference solution's point
    double First = 0; // the profile's x range
    double Last = 0;
    double Needed = 0; // V(Given.X): the lowest y there that sees every slope
    ProfileSlope Slope; // the slope whose line is highest at Given.X
    // The tower: its height above the ground, Given.Y - T(Given.X), and the least possible;
    // the island: Given.Y and the least V.
    double Height = 0;
    double BestHeight = 0;
};

struct AnswerVerdict {
    PlacementVerdict Tower;
    PlacementVerdict Island;

    bool Ok() const { return Tower.Kind == PlacementKind::Ok && Island.Kind == PlacementKind::Ok; }
};

// Judges `answer` against `solution`: the tower must lie within the profile's x range and
// see every slope (y >= V(x) within the tolerance, V(x) the reference); it is optimal when
// its height above the ground exceeds the least possible by at most the tolerance. The
// island likewise, its y against the least V. O(log n): the solution already holds the
// envelope. Every reference number is the double nearest its exact value, or an infinity
// where that lies beyond every double (V far from the optimum of a very steep profile).
AnswerVerdict CheckAnswer(const ProfileSolution& solution, const ProfileAnswer& answer,
    double tolerance = DefaultTolerance);
