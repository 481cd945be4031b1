#include "app/verdicttext.h"

#include "scene/numbertext.h"
#include "runsolver/messagetext.h"

#include <QCoreApplication>
#include <QStringList>

#include <charconv>
#include <cmath>
#include <span>
#include <stdexcept>

QString ShownNumber(long double value) { return QString::fromStdString(NumberText(value)); }

namespace {

QString Point(PointD point) { return QString::fromStdString(PointText(point)); }

// Where the answer lies: the height it reached and the least possible, for a placement that
// sees every slope.
QString HeightSentence(Placement placement, const PlacementVerdict& verdict)
{
    const QString height = ShownNumber(verdict.Height);
    const QString best = ShownNumber(verdict.BestHeight);
    if (verdict.Kind == PlacementKind::Ok) {
        return placement == Placement::Tower
            ? QCoreApplication::translate(
                "Verdict", "height %1 above the ground; the lowest possible is %2: optimal")
                  .arg(height, best)
            : QCoreApplication::translate("Verdict", "at y %1; the lowest possible is %2: optimal")
                  .arg(height, best);
    }
    return placement == Placement::Tower
        ? QCoreApplication::translate(
            "Verdict", "height %1 above the ground; the lowest possible is %2, at %3")
              .arg(height, best, Point(verdict.Best))
        : QCoreApplication::translate("Verdict", "at y %1; the lowest possible is %2, at %3")
              .arg(height, best, Point(verdict.Best));
}

} // namespace

QString PlacementSentence(Placement placement, const PlacementVerdict& verdict)
{
    switch (verdict.Kind) {
    case PlacementKind::NotFinite:
        return QCoreApplication::translate("Verdict", "its coordinates are not finite numbers");
    case PlacementKind::OutsideRange:
        return QCoreApplication::translate(
            "Verdict", "x %1 lies outside the profile, which spans x %2 to %3")
            .arg(ShownNumber(verdict.Given.X), ShownNumber(verdict.First),
                ShownNumber(verdict.Last));
    case PlacementKind::MissesSlope:
        return QCoreApplication::translate(
            "Verdict", "does not see the slope from %1 to %2: at x %3 it needs y %4 or more")
            .arg(Point(verdict.Slope.From), Point(verdict.Slope.To), ShownNumber(verdict.Given.X),
                ShownNumber(verdict.Needed));
    case PlacementKind::HigherThanNeeded:
    case PlacementKind::Ok:
        break;
    }
    return HeightSentence(placement, verdict);
}

QString MillisecondsText(std::chrono::nanoseconds duration)
{
    // To a tenth: the digits beyond say more about the machine's load than about the solver.
    const double tenths = std::round(static_cast<double>(duration.count()) / 1e5);
    return ShownNumber(tenths / 10);
}

std::optional<AnswerVerdict> JudgeScene(const LoadedProfile& profile, double tolerance)
{
    const std::span<const PointD> vertices(
        &profile.Points(1), static_cast<std::size_t>(profile.PointCount));
    try {
        return CheckAnswer(ProfileSolution(vertices), { profile.Tower, profile.Island }, tolerance);
    } catch (const std::range_error&) {
        return std::nullopt;
    }
}

QString UnjudgedSentence()
{
    return QCoreApplication::translate(
        "Verdict", "cannot be judged: the best answer lies beyond the range of a double");
}

AnswerTips AnswerToolTips(const std::optional<AnswerVerdict>& verdict,
    std::chrono::nanoseconds solverTime, int exitStatus)
{
    const QString ran = QCoreApplication::translate("Verdict", "the solver ran for %1 ms")
                            .arg(MillisecondsText(solverTime));
    const QString time = exitStatus == 0
        ? ran
        : QCoreApplication::translate("Verdict", "%1; %2").arg(ran, ExitStatusSentence(exitStatus));
    if (!verdict) {
        const QString tip = UnjudgedSentence() + QLatin1Char('\n') + time;
        return { tip, tip };
    }
    return {
        PlacementSentence(Placement::Tower, verdict->Tower) + QLatin1Char('\n') + time,
        PlacementSentence(Placement::Island, verdict->Island) + QLatin1Char('\n') + time,
    };
}

namespace {

std::optional<PlacementMarks> PlacementMarksOf(const PlacementVerdict& verdict, bool tower)
{
    if (verdict.Kind == PlacementKind::Ok)
        return std::nullopt;
    PlacementMarks marks;
    if (verdict.Kind == PlacementKind::MissesSlope)
        marks.UnseenSlope = PlacementMarks::Slope{verdict.Slope.From, verdict.Slope.To};
    if (verdict.Kind != PlacementKind::NotFinite)
        marks.Given = verdict.Given;
    marks.Best = verdict.Best;
    // The best height is the exact one above the ground, so the ground lies that far below.
    if (tower)
        marks.GroundBelowBest = static_cast<double>(verdict.Best.Y - verdict.BestHeight);
    return marks;
}

} // namespace

FailureMarks MarksOf(const AnswerVerdict& verdict)
{
    return {PlacementMarksOf(verdict.Tower, true), PlacementMarksOf(verdict.Island, false)};
}

QString AnswerText(const LoadedProfile& profile)
{
    QStringList numbers;
    for (const double value :
        {profile.Tower.X, profile.Tower.Y, profile.Island.X, profile.Island.Y}) {
        char text[32];
        const char* const end = std::to_chars(text, text + sizeof text, value).ptr;
        numbers << QString::fromLatin1(text, end - text);
    }
    return numbers.join(QLatin1Char(' '));
}
