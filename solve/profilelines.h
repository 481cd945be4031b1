#pragma once

// The profile's segments as lines, and the arithmetic on them that building the envelope and
// placing the tower share.

#include "scene/profile.h"
#include "solve/exactarithmetic.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace solving {

// A segment of nonzero width, named by the index of its left vertex.
using Segment = std::uint32_t;

// A segment of the profile, carried with its vertices so that the envelope's work reads
// them in its own order rather than from all over the profile.
struct Line {
    PointD Left;
    PointD Right;
    Segment Index;
    // Lines of different groups have different slopes; within one group they may be equal.
    std::uint32_t SlopeGroup = 0;
};

// The slope in extended precision, within 3.02 units of the exact one.
inline exact::Wide SlopeValue(const Line& line)
{
    using exact::Wide;
    return (Wide(line.Right.Y) - line.Left.Y) / (Wide(line.Right.X) - line.Left.X);
}

inline exact::Approx Slope(const Line& line)
{
    return exact::Difference(line.Right.Y, line.Left.Y)
        / exact::Difference(line.Right.X, line.Left.X);
}

inline exact::Approx LineAt(const Line& line, const exact::Approx& slope, const exact::Approx& x)
{
    return exact::Approx(line.Left.Y) + slope * (x - exact::Approx(line.Left.X));
}

exact::Rational ExactLineAt(const Line& line, const exact::Rational& x);

// The sign of slope(a) - slope(b).
inline int CompareSlopes(const Line& a, const Line& b)
{
    return exact::SignOfProductDifference(
        a.Right.Y, a.Left.Y, b.Right.X, b.Left.X, b.Right.Y, b.Left.Y, a.Right.X, a.Left.X);
}

// Whether `point` lies strictly above `line`.
inline bool StrictlyAbove(const PointD& point, const Line& line)
{
    return exact::SignOfProductDifference(point.Y, line.Left.Y, line.Right.X, line.Left.X,
               line.Right.Y, line.Left.Y, point.X, line.Left.X)
        > 0;
}

// The slope from `left` to `right` in doubles, within 3 units of the exact one unless it
// overflowed; NaN where it is not an exact zero yet below 2^-1000 in size, since a quotient
// that near underflow has lost its relative accuracy.
inline double SlopeInDoubles(const PointD& left, const PointD& right)
{
    const double rise = right.Y - left.Y;
    const double slope = rise / (right.X - left.X);
    const bool trusted = slope != 0 ? std::fabs(slope) >= 0x1p-1000 : rise == 0;
    return trusted ? slope : std::numeric_limits<double>::quiet_NaN();
}

// Where `steeper` overtakes `flatter`, from the segments' own vertices. Two neighbouring
// segments cross at their common vertex, exactly.
exact::Approx Crossing(const Line& flatter, const Line& steeper);
exact::Rational ExactCrossing(const Line& flatter, const Line& steeper);

} // namespace solving
