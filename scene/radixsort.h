#pragma once

#include "scene/scenestate.h"

#include <cstddef>
#include <stop_token>

// Orders `count` records by ascending X with a least-significant-digit radix sort over the
// bits of X, keeping the input order among records whose X have the same bits. -0 comes
// before +0, which the exact ordering treats as equal: the result is that ordering's only when
// no two X compare equal, which the caller must check (DistinctAndAscending).
//
// The first pass reads `input` and writes `first`; later passes alternate between `second`
// and `first`, and passes whose digit is the same for every record are left out. `input` may
// be `second`; `first` must be neither. Returns whichever of them holds the result (`input`
// itself when no pass was needed). Throws StopRequested between passes once `stop` asks.
const PointD* RadixSortByX(const PointD* input, PointD* first, PointD* second, std::size_t count,
                           std::stop_token stop = {});

// Whether X strictly ascends over the `count` records from `records`: no two equal, -0 and +0
// included.
bool DistinctAndAscending(const PointD* records, std::size_t count);
