#pragma once

#include "solve/envelope.h"

namespace solving {

// The tower's top over a profile with at least one slope, as ProfileSolution describes it:
// the lowest of the candidates (each group of vertices of one X, and each change of V's line
// between two such groups) offered from left to right, at the double chosen for it.
PointD SolveTower(const Envelope& envelope);

} // namespace solving
