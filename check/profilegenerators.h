#pragma once

#include "app/requests.h"
#include "scene/profile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Profiles made up from a seed, for the stress mode: each shape stands for a kind of input that
// breaks solvers. Every number comes from integer arithmetic or from reading a decimal text,
// so that a seed gives the same profile, to the bit, on every machine.

// In which order a case's vertices are written.
enum class VertexOrder { Shuffled, Sorted, Reversed };
std::string_view OrderName(VertexOrder order);

struct StressCase {
    std::uint64_t Seed = 0;
    ProfileShape Shape = ProfileShape::SmallIntegers;
    VertexOrder Order = VertexOrder::Shuffled;
    std::vector<PointD> Vertices; // in the order written
};

// The case of `seed`: its shape from `limits.Shapes`, its vertex count from the limits' range,
// its order and numbers, all from the seed alone.
StressCase GenerateCase(std::uint64_t seed, const CaseLimits& limits);

// The seed of the case after the case of `seed`; a run's first case has the run's seed, so
// that any case is replayed as the first of a run of its own seed.
std::uint64_t NextCaseSeed(std::uint64_t seed);

// The problem input of `vertices`: the count, then an "x y" line each, in the order given,
// every number as the shortest text that reads back as the same double.
std::string ProfileText(const std::vector<PointD>& vertices);
