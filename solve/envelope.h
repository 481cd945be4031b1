#pragma once

#include "solve/profilelines.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <span>
#include <vector>

namespace solving {

// The envelope V of a profile's lines over its range, with the profile T itself below it:
// what placing the tower and the island, and judging answers, ask of both.
struct Envelope {
    std::span<const PointD> Vertices; // ordered by X
    std::vector<Line> OnTop; // the lines that form V, from left to right
    std::vector<exact::Approx> Slopes; // of OnTop
    // Crossings[j]: where OnTop[j + 1] takes over from OnTop[j]
    std::vector<exact::Approx> Crossings;
    double HighestY = 0; // V of a profile without slopes

    // `vertices` as ProfileSolution takes them.
    explicit Envelope(std::span<const PointD> vertices);

    double First() const { return Vertices.front().X; }
    double Last() const { return Vertices.back().X; }

    exact::Rational ExactCrossing(std::size_t j) const;

    // The sign of crossing j - x.
    int CompareCrossing(std::size_t j, double x) const
    {
        const exact::Approx& crossing = Crossings[j];
        // Most comparisons in a sweep are settled here, before any arithmetic on bounds.
        if (crossing.Value + 2 * crossing.Error < x)
            return -1;
        if (crossing.Value - 2 * crossing.Error > x)
            return 1;
        return exact::Decide(
            crossing - exact::Approx(x),
            [&]() -> exact::Rational { return ExactCrossing(j) - exact::Rational(x); },
            exact::SignDecision);
    }

    // The double nearest crossing j.
    double NearestCrossing(std::size_t j) const;

    // The index in OnTop of the line on top at x: the leftmost where two meet at x.
    std::size_t LineOnTopAt(double x) const;

    exact::Approx TopAt(std::size_t line, double x) const
    {
        return LineAt(OnTop[line], Slopes[line], exact::Approx(x));
    }
    exact::Rational ExactTopAt(double x) const;
    // The smallest double at or above V(x).
    double TopAtOrAbove(double x) const;

    // T at the X of vertex k, the first of its X: the highest there. Sets `end` past the last.
    double GroundAtVertex(std::size_t k, std::size_t& end) const
    {
        double ground = Vertices[k].Y;
        for (end = k + 1; end < Vertices.size() && Vertices[end].X == Vertices[k].X; ++end)
            ground = std::max(ground, Vertices[end].Y);
        return ground;
    }
    exact::Rational ExactGroundAt(double x) const;

    // Of the two doubles around crossing j, the one where `objective` (exact, of a double)
    // is less; the nearest on a tie.
    template <class Objective>
    double NeighbourOfCrossing(std::size_t j, Objective objective) const
    {
        const double nearest = NearestCrossing(j);
        const int side = cmp(ExactCrossing(j), exact::Rational(nearest));
        if (side == 0)
            return nearest;
        const double other
            = std::nextafter(nearest, side * std::numeric_limits<double>::infinity());
        return objective(other) < objective(nearest) ? other : nearest;
    }
};

} // namespace solving
