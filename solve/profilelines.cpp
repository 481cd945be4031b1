#include "solve/profilelines.h"

namespace solving {

using exact::Approx;
using exact::Rational;

Rational ExactLineAt(const Line& line, const Rational& x)
{
    const Rational left(line.Left.X);
    return Rational(line.Left.Y)
        + (Rational(line.Right.Y) - Rational(line.Left.Y)) / (Rational(line.Right.X) - left)
        * (x - left);
}

Approx Crossing(const Line& flatter, const Line& steeper)
{
    if (steeper.Index == flatter.Index + 1)
        return Approx(flatter.Right.X);
    if (flatter.Index == steeper.Index + 1)
        return Approx(flatter.Left.X);
    const PointD& origin = flatter.Left;
    const Approx aFlatter = exact::Difference(flatter.Right.Y, origin.Y);
    const Approx wFlatter = exact::Difference(flatter.Right.X, origin.X);
    const Approx aSteeper = exact::Difference(steeper.Right.Y, steeper.Left.Y);
    const Approx wSteeper = exact::Difference(steeper.Right.X, steeper.Left.X);
    const Approx bSteeper = wSteeper * exact::Difference(steeper.Left.Y, origin.Y)
        - aSteeper * exact::Difference(steeper.Left.X, origin.X);
    return Approx(origin.X) + bSteeper * wFlatter / (aFlatter * wSteeper - aSteeper * wFlatter);
}

Rational ExactCrossing(const Line& flatter, const Line& steeper)
{
    const Rational originX(flatter.Left.X);
    const Rational originY(flatter.Left.Y);
    const Rational aFlatter = Rational(flatter.Right.Y) - originY;
    const Rational wFlatter = Rational(flatter.Right.X) - originX;
    const Rational aSteeper = Rational(steeper.Right.Y) - Rational(steeper.Left.Y);
    const Rational wSteeper = Rational(steeper.Right.X) - Rational(steeper.Left.X);
    const Rational bSteeper = wSteeper * (Rational(steeper.Left.Y) - originY)
        - aSteeper * (Rational(steeper.Left.X) - originX);
    return originX + bSteeper * wFlatter / (aFlatter * wSteeper - aSteeper * wFlatter);
}

} // namespace solving
