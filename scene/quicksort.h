#pragma once

#include "scene/scenestate.h"

// Orders pts(lo..hi) by ascending X, in place, exchanging whole records.
//
// The partition is fixed, not just the result: the pivot is the record at the middle index
// (lo + hi) / 2 rounded half to even, both scans stop on records equal to the pivot, and
// those are exchanged. That decides where records with equal X end up (three equal records
// come out reversed; four a, b, c, d come out c, d, a, b), and so the shape of the profile at
// its vertical steps; a library sort would order them differently.
//
// The partition degrades to quadratic time on some inputs (an organ pipe 0..n/2-1, n/2..1
// among them). Three measures keep it fast without moving any record elsewhere:
// - the smaller sub-range is ordered by recursion and the larger one in a loop, so the call
//   depth stays below log2(MaxPoints); the two are disjoint, so the order is the same;
// - once a range has been partitioned more than about 2 log2(n) times deep, its scans stop
//   walking record by record and jump with a min/max tree over X, so each partition costs
//   the logarithm of the range per exchange instead of the whole range;
// - a short range whose keys are all distinct has only one ordered arrangement, so it is
//   ordered by insertion instead of further partitions.
//
// X must not be NaN. A range with hi < lo is left alone; an index outside 1..MaxPoints
// throws SubscriptOutOfRange.
void QuickSort(PointArray& pts, std::int32_t lo, std::int32_t hi);

// (lo + hi) / 2 rounded to the nearest integer, a half to the even neighbour.
std::int32_t MiddleIndex(std::int32_t lo, std::int32_t hi);

namespace detail {
// QuickSort with the depth at which the scans switch to the tree given, so tests can drive
// the tree on small ranges.
void QuickSortSwitchingAtDepth(PointArray& pts, std::int32_t lo, std::int32_t hi, int depth);
} // namespace detail
