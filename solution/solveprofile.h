#pragma once

#include "scene/scenestate.h"

#include <vector>

// The answer written to the result file: the tower's top and the floating island.
struct ProfileAnswer {
    PointD Tower;
    PointD Island;
};

// Solves the profile given by `vertices` (any order, finite coordinates, at least one).
//
// The vertices, sorted by X with equal X kept in input order, form the profile T, a
// polyline; its segments of zero width are skipped. V(x) is the largest value at x of the
// lines through the remaining segments: the lowest height from which every segment is seen
// from above. Without such a segment (one vertex, or all at one X) V is the highest Y.
//
// - Tower: the x in [smallest X, largest X] with the least V(x) - T(x), as (x, V(x)). Where
//   several vertices share an X, T there is the highest of them. A vertical step gives no
//   line, so at the X of a spike V can lie below T: the tower's top is then inside the spike.
// - Island: the x in the same range with the least V(x), as (x, V(x)).
// - Ties go to the smallest x; values within a few units of rounding of each other count
//   as equal, so rounding never decides a tie.
//
// O(n log n). Throws std::invalid_argument when `vertices` is empty or holds a non-finite
// coordinate, and std::range_error when an answer lies beyond the range of a double (a
// profile with astronomically steep slopes far apart); never returns NaN or infinity.
ProfileAnswer SolveProfile(std::vector<PointD> vertices);
