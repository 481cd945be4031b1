#pragma once

#include "solve/profilelines.h"

#include <span>
#include <vector>

namespace solving {

// The lines that may show on V over the range of `vertices` (ordered by X), in the exact
// order of their slopes, each with its slope group. Most lines, those certainly below V all
// over the range, are left out before the ordering.
std::vector<Line> LinesBySlope(std::span<const PointD> vertices);

} // namespace solving
