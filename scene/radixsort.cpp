#include "scene/radixsort.h"

#include "scene/stoprequest.h"

#include <array>
#include <bit>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

constexpr int DigitBits = 11;
constexpr int Digits = (64 + DigitBits - 1) / DigitBits;
constexpr std::size_t Buckets = std::size_t{1} << DigitBits;

// The bits of X as an unsigned number in the order of the doubles: negative values have all
// their bits flipped, others only the sign, so -0 lands just below +0.
std::uint64_t OrderedBits(double x)
{
    const auto bits = std::bit_cast<std::uint64_t>(x);
    return (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t{1} << 63);
}

std::size_t Digit(std::uint64_t key, int digit)
{
    return static_cast<std::size_t>(key >> (digit * DigitBits)) & (Buckets - 1);
}

} // namespace

const PointD* RadixSortByX(const PointD* input, PointD* first, PointD* second, std::size_t count,
                           std::stop_token stop)
{
    if (count < 2)
        return input;
    // Every digit's counts in one reading of the input: a pass permutes the records, not their
    // digits.
    std::vector<std::array<std::uint32_t, Buckets>> counts(Digits);
    for (std::size_t k = 0; k < count; ++k) {
        const std::uint64_t key = OrderedBits(input[k].X);
        for (int digit = 0; digit < Digits; ++digit)
            ++counts[static_cast<std::size_t>(digit)][Digit(key, digit)];
    }
    const PointD* from = input;
    PointD* to = first;
    for (int digit = 0; digit < Digits; ++digit) {
        auto& places = counts[static_cast<std::size_t>(digit)];
        if (places[Digit(OrderedBits(input[0].X), digit)] == count)
            continue;
        ThrowIfStopRequested(stop);
        std::uint32_t next = 0;
        for (std::uint32_t& place : places)
            next += std::exchange(place, next);
        for (std::size_t k = 0; k < count; ++k)
            to[places[Digit(OrderedBits(from[k].X), digit)]++] = from[k];
        from = to;
        to = to == first ? second : first;
    }
    return from;
}

bool DistinctAndAscending(const PointD* records, std::size_t count)
{
    for (std::size_t k = 1; k < count; ++k) {
        if (!(records[k - 1].X < records[k].X))
            return false;
    }
    return true;
}
