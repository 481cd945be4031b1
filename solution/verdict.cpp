#include "solution/verdict.h"

#include <algorithm>
#include <cmath>

bool WithinTolerance(double value, double reference, double tolerance)
{
    return std::fabs(value - reference) <= tolerance * std::max(1.0, std::fabs(reference));
}

namespace {

// Whether `value` lies above, or below, `reference` by more than the tolerance allows.
bool Exceeds(double value, double reference, double tolerance)
{
    return value > reference && !WithinTolerance(value, reference, tolerance);
}
bool FallsShort(double value, double reference, double tolerance)
{
    return value < reference && !WithinTolerance(value, reference, tolerance);
}

// The checks both placements share; Height and BestHeight are filled in from `height` and
// `bestHeight` when the point sees every slope.
template <class Height>
PlacementVerdict Judge(const ProfileSolution& solution, PointD given, PointD best,
    double bestHeight, Height height, double tolerance)
{
    PlacementVerdict verdict;
    verdict.Given = given;
    verdict.Best = best;
    verdict.First = solution.First();
    verdict.Last = solution.Last();
    if (!std::isfinite(given.X) || !std::isfinite(given.Y)) {
        verdict.Kind = PlacementKind::NotFinite;
        return verdict;
    }
    if (given.X < verdict.First || given.X > verdict.Last) {
        verdict.Kind = PlacementKind::OutsideRange;
        return verdict;
    }
    verdict.Needed = solution.TopAt(given.X);
    verdict.Slope = solution.SlopeOnTopAt(given.X);
    if (FallsShort(given.Y, verdict.Needed, tolerance)) {
        verdict.Kind = PlacementKind::MissesSlope;
        return verdict;
    }
    verdict.Height = height(given);
    verdict.BestHeight = bestHeight;
    verdict.Kind = Exceeds(verdict.Height, bestHeight, tolerance) ? PlacementKind::HigherThanNeeded
                                                                  : PlacementKind::Ok;
    return verdict;
}

} // namespace

AnswerVerdict CheckAnswer(
    const ProfileSolution& solution, const ProfileAnswer& answer, double tolerance)
{
    const ProfileAnswer& best = solution.Answer();
    return {
        Judge(
            solution, answer.Tower, best.Tower, solution.LeastTowerHeight(),
            [&](PointD top) { return solution.HeightAboveGround(top); }, tolerance),
        Judge(
            solution, answer.Island, best.Island, solution.LowestTop(),
            [](PointD island) { return island.Y; }, tolerance),
    };
}
