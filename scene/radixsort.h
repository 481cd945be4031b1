#pragma once

#include "scene/profile.h"
#include "scene/stoprequest.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <stop_token>
#include <utility>
#include <vector>

// The bits of `x` as an unsigned number in the order of the doubles: negative values have all
// their bits flipped, others only the sign, so -0 lands just below +0.
inline std::uint64_t OrderedBits(double x)
{
    const auto bits = std::bit_cast<std::uint64_t>(x);
    return (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t{1} << 63);
}

// Orders `count` records (fewer than 2^32) by key(record), an unsigned 64-bit number, with a
// least-significant-digit radix sort, keeping the input order among records of equal keys.
//
// The first pass reads `input` and writes `first`; later passes alternate between `second`
// and `first`, and passes whose digit is the same for every record are left out. `input` may
// be `second`; `first` must be neither. Returns whichever of them holds the result (`input`
// itself when no pass was needed). Throws StopRequested between passes once `stop` asks.
template <class Record, class Key>
const Record* RadixSort(const Record* input, Record* first, Record* second, std::size_t count,
                        Key key, std::stop_token stop = {})
{
    constexpr int digitBits = 11;
    constexpr int digits = (64 + digitBits - 1) / digitBits;
    constexpr std::size_t buckets = std::size_t{1} << digitBits;
    const auto digitOf = [](std::uint64_t value, int digit) {
        return static_cast<std::size_t>(value >> (digit * digitBits)) & (buckets - 1);
    };
    if (count < 2)
        return input;
    // Every digit's counts in one reading of the input: a pass permutes the records, not their
    // digits.
    std::vector<std::array<std::uint32_t, buckets>> counts(digits);
    for (std::size_t k = 0; k < count; ++k) {
        const std::uint64_t value = key(input[k]);
        for (int digit = 0; digit < digits; ++digit)
            ++counts[static_cast<std::size_t>(digit)][digitOf(value, digit)];
    }
    const Record* from = input;
    Record* to = first;
    for (int digit = 0; digit < digits; ++digit) {
        auto& places = counts[static_cast<std::size_t>(digit)];
        if (places[digitOf(key(input[0]), digit)] == count)
            continue;
        ThrowIfStopRequested(stop);
        std::uint32_t next = 0;
        for (std::uint32_t& place : places)
            next += std::exchange(place, next);
        for (std::size_t k = 0; k < count; ++k)
            to[places[digitOf(key(from[k]), digit)]++] = from[k];
        from = to;
        to = to == first ? second : first;
    }
    return from;
}

// RadixSort by the bits of X. -0 comes before +0, which the exact ordering treats as equal:
// the result is that ordering's only when no two X compare equal, which the caller must check
// (DistinctAndAscending).
const PointD* RadixSortByX(const PointD* input, PointD* first, PointD* second, std::size_t count,
                           std::stop_token stop = {});

// Whether X strictly ascends over the `count` records from `records`: no two equal, -0 and +0
// included.
bool DistinctAndAscending(const PointD* records, std::size_t count);
