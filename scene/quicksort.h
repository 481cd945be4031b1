#pragma once

#include "scene/profile.h"

#include <span>
#include <stop_token>

// Orders pts(lo..hi) by ascending X, in place, exchanging whole records.
//
// The partition is fixed, not just the result: the pivot is the record at the middle index
// (lo + hi) / 2 rounded half to even, both scans stop on records equal to the pivot, and
// those are exchanged. That decides where records with equal X end up (three equal records
// come out reversed; four a, b, c, d come out c, d, a, b), and so the shape of the profile at
// its vertical steps; a library sort would order them differently.
//
// The partition slows to quadratic time on some inputs (an organ pipe 0..n/2-1, n/2..1 among
// them), so the implementation bounds its call depth and speeds itself up three ways, none of
// which moves a record anywhere the partition would not: while the scans are far apart their
// stops are found a block at a time, short ranges of distinct keys are ordered by insertion,
// and ranges that the partition drives deep are indexed by X, so that each of their
// partitions visits only the records that stop its scans.
//
// X must not be NaN. A range with hi < lo is left alone; an index outside 1..MaxPoints
// throws SubscriptOutOfRange.
void QuickSort(PointArray& pts, std::int32_t lo, std::int32_t hi);
// The same, throwing StopRequested (scene/stoprequest.h) soon after `stop` asks, with the range
// left in no particular order.
void QuickSort(PointArray& pts, std::int32_t lo, std::int32_t hi, std::stop_token stop);

// The same order of a run of records: records[k - 1] stands for pts(k), k = 1..size.
// Throws std::length_error beyond the indices' range.
void QuickSort(std::span<PointD> records);

// The same order on two cores: the sides of large ranges are ordered at once, each exactly as
// on one core.
void QuickSortOnTwoCores(PointArray& pts, std::int32_t lo, std::int32_t hi,
                         std::stop_token stop = {});

// (lo + hi) / 2 rounded to the nearest integer, a half to the even neighbour.
std::int32_t MiddleIndex(std::int32_t lo, std::int32_t hi);

namespace detail {
// When a range counts as deep: after `partitions` partitions above it, or after
// `lopsidedInARow` partitions in a row that each kept nearly all of their range (31/32 or more).
struct DeepRangeTrigger {
    int partitions;
    int lopsidedInARow;
};
// QuickSort with the trigger given, so tests can drive the deep-range shortcut on small ranges.
void QuickSortDeepAfter(PointArray& pts, std::int32_t lo, std::int32_t hi, DeepRangeTrigger trigger);
} // namespace detail
