#pragma once

#include <QPointF>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>

// Where the pixels of a one-pixel dot or line lie, the rule every writer of such marks follows
// (see PixelWriter). Inline: it is worked out once for each of millions of lines.

enum class PixelPen {
    Solid,
    Dotted, // every other pixel, starting with the first end's
};

// std::floor and std::llround for the values of a drawing, made inline: exact wherever
// |value| < 2^63, which the clipped coordinates (times 2^32) always are.
namespace PixelRounding {
inline std::int64_t Floor(double value)
{
    const auto truncated = static_cast<std::int64_t>(value);
    return truncated - (value < static_cast<double>(truncated));
}

// Halves away from zero.
inline std::int64_t Round(double value)
{
    auto truncated = static_cast<std::int64_t>(value);
    // Exact: the fraction of a double is a double.
    const double fraction = value - static_cast<double>(truncated);
    truncated += (fraction >= 0.5) - (fraction <= -0.5);
    return truncated;
}
} // namespace PixelRounding

// QPointF's ==, which takes ends equal up to 1e-12 of their size (or 1e-12 near 0) for one
// dot, answered without its call for ends plainly apart, as nearly all are.
inline bool SamePoint(QPointF a, QPointF b)
{
    const auto apart = [](double u, double v) {
        return std::abs(u - v) > 2e-12 * (1.0 + std::abs(u) + std::abs(v));
    };
    return !apart(a.x(), b.x()) && !apart(a.y(), b.y()) && a == b;
}

struct PixelPosition {
    std::int64_t X;
    std::int64_t Y;
};

// The pixel holding a dot: (floor(x + 0.5), floor(y + 0.5)).
inline PixelPosition DotPixel(QPointF at)
{
    return { PixelRounding::Floor(at.x() + 0.5), PixelRounding::Floor(at.y() + 0.5) };
}

// The pixels of one line, as steps along its longer axis: step k (0 <= k < Count) sets the
// pixel whose coordinate along that axis is First + k * AlongStep and whose other coordinate
// is the integer part of Crossing + k * CrossingStep, a fixed-point value with 32 fraction bits.
struct LineSteps {
    bool AlongX;
    std::int64_t First;
    std::int64_t AlongStep;
    std::int64_t Count;
    std::int64_t Crossing;
    std::int64_t CrossingStep;

    static constexpr int FractionBits = 32;

    // For ends that are not SamePoint. See PixelWriter for the pixels chosen.
    inline LineSteps(QPointF from, QPointF to, PixelPen pen);

    // The steps [Begin, End) whose pixels lie in an image of width x height: one interval,
    // since both coordinates of a step move monotonically with k. Begin >= End when none do.
    struct Range {
        std::int64_t Begin;
        std::int64_t End;
    };
    inline Range Within(int width, int height) const;
};

namespace LineStepsDetail {

// The cross coordinate is stepped in fixed point: exact for lines along an axis, and a floor
// per pixel would cost more than the write itself.
inline constexpr double FixedOne = 4294967296.0;

inline std::int64_t FloorDivide(std::int64_t numerator, std::int64_t positiveDivisor)
{
    // Steps along a line are 1 or 2 pixels: spare them the division.
    if (positiveDivisor <= 2)
        return numerator >> (positiveDivisor - 1);
    const std::int64_t quotient = numerator / positiveDivisor;
    return quotient - (numerator % positiveDivisor < 0);
}

inline std::int64_t CeilDivide(std::int64_t numerator, std::int64_t positiveDivisor)
{
    return -FloorDivide(-numerator, positiveDivisor);
}

// Narrows `range` to the steps k at which low <= start + k * step <= high. A bound is only
// divided out when the last step (or the first) lies beyond it.
inline void KeepWithin(LineSteps::Range& range, std::int64_t start, std::int64_t step,
    std::int64_t low, std::int64_t high)
{
    if (step < 0) {
        start = -start;
        step = -step;
        low = -std::exchange(high, -low);
    }
    // From here the value grows with k.
    if (start < low)
        range.Begin = step == 0 ? range.End : std::max(range.Begin, CeilDivide(low - start, step));
    if (start + (range.End - 1) * step > high)
        range.End
            = step == 0 ? range.Begin : std::min(range.End, FloorDivide(high - start, step) + 1);
}

} // namespace LineStepsDetail

inline LineSteps::LineSteps(QPointF from, QPointF to, PixelPen pen)
{
    // Along: the longer axis, one pixel per column of it; across: the other one.
    AlongX = std::abs(to.x() - from.x()) >= std::abs(to.y() - from.y());
    const auto along = [this](QPointF p) { return AlongX ? p.x() : p.y(); };
    const auto across = [this](QPointF p) { return AlongX ? p.y() : p.x(); };
    const double slope = (across(to) - across(from)) / (along(to) - along(from));
    const QPointF low = along(from) <= along(to) ? from : to;
    const double sampledAt = slope > 0.0 ? 0.5 : 0.0;

    First = PixelRounding::Floor(along(from));
    const std::int64_t last = PixelRounding::Floor(along(to));
    const std::int64_t direction = last >= First ? 1 : -1;
    const std::int64_t stride = pen == PixelPen::Dotted ? 2 : 1;
    const double acrossAtFirst
        = across(low) + (static_cast<double>(First) + sampledAt - along(low)) * slope;
    Crossing = PixelRounding::Floor(acrossAtFirst * LineStepsDetail::FixedOne);
    CrossingStep = PixelRounding::Round(slope * LineStepsDetail::FixedOne) * direction * stride;
    AlongStep = direction * stride;
    Count = (std::abs(last - First) >> (stride - 1)) + 1; // stride 1 or 2, without a division
}

inline LineSteps::Range LineSteps::Within(int width, int height) const
{
    const std::int64_t alongSize = AlongX ? width : height;
    const std::int64_t acrossSize = AlongX ? height : width;
    Range range { 0, Count };
    LineStepsDetail::KeepWithin(range, First, AlongStep, 0, alongSize - 1);
    if (range.Begin < range.End)
        LineStepsDetail::KeepWithin(
            range, Crossing, CrossingStep, 0, (acrossSize << FractionBits) - 1);
    return range;
}
