#include "solve/verdict.h"

#include <algorithm>
#include <cmath>
#include <limits>

using exact::Rational;

namespace {

// The spacing of the doubles just above |value|, or just below the largest double for a
// value beyond it: the coarsest rounding a double near `value` can be subject to.
Rational UnitInLastPlace(const Rational& value)
{
    constexpr double Largest = std::numeric_limits<double>::max();
    const double magnitude = std::fabs(exact::NearestOrInfinity(value));
    if (magnitude >= Largest)
        return Rational(Largest - std::nextafter(Largest, 0.0));
    return Rational(std::nextafter(magnitude, Largest) - magnitude);
}

// The checks both placements share; `height` gives the exact height of a point within the
// range, `bestHeight` is the reference's.
template <class Height>
PlacementVerdict Judge(const ProfileSolution& solution, PointD given, PointD best,
    const Rational& bestHeight, Height height, double tolerance)
{
    PlacementVerdict verdict;
    verdict.Given = given;
    verdict.Best = best;
    verdict.First = solution.First();
    verdict.Last = solution.Last();
    verdict.BestHeight = exact::ToWide(bestHeight);
    if (!std::isfinite(given.X) || !std::isfinite(given.Y)) {
        verdict.Kind = PlacementKind::NotFinite;
        return verdict;
    }
    if (given.X < verdict.First || given.X > verdict.Last) {
        verdict.Kind = PlacementKind::OutsideRange;
        return verdict;
    }
    const Rational needed = solution.TopAt(given.X);
    const Rational givenHeight = height(given);
    verdict.Needed = exact::ToWide(needed);
    verdict.Slope = solution.SlopeOnTopAt(given.X);
    verdict.Height = exact::ToWide(givenHeight);
    const Rational allowance
        = Rational(tolerance) * std::max(Rational(1), Rational(abs(bestHeight)))
        + AllowedUnits * UnitInLastPlace(needed);
    if (Rational(given.Y) < needed - allowance)
        verdict.Kind = PlacementKind::MissesSlope;
    else if (givenHeight > bestHeight + allowance)
        verdict.Kind = PlacementKind::HigherThanNeeded;
    else
        verdict.Kind = PlacementKind::Ok;
    return verdict;
}

} // namespace

AnswerVerdict CheckAnswer(
    const ProfileSolution& solution, const ProfileAnswer& answer, double tolerance)
{
    const ProfileAnswer& best = solution.Answer();
    return {
        Judge(
            solution, answer.Tower, best.Tower,
            solution.TopAt(best.Tower.X) - solution.GroundAt(best.Tower.X),
            [&](PointD top) -> Rational { return Rational(top.Y) - solution.GroundAt(top.X); },
            tolerance),
        Judge(
            solution, answer.Island, best.Island, solution.TopAt(best.Island.X),
            [](PointD island) -> Rational { return Rational(island.Y); }, tolerance),
    };
}
