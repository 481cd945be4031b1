#include "render/failuremarks.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int SlopeWidth = 3;
constexpr int MarkWidth = 2;
// Around a marker's 60 twips: the tower's best place inside the island's, where both are the
// same, and both inside a slope's ring.
constexpr float TowerBestRadius = 90.0f;
constexpr float IslandBestRadius = 120.0f;
constexpr float RingRadius = 150.0f;

// Puts DrawWidth and FillStyle back however the marks end.
class MarkStyleReset {
public:
    explicit MarkStyleReset(DrawingSurface& surface)
        : m_surface(surface)
    {
    }
    ~MarkStyleReset()
    {
        m_surface.SetDrawWidth(1);
        m_surface.SetFillStyle(FillStyles::Solid);
    }
    MarkStyleReset(const MarkStyleReset&) = delete;
    MarkStyleReset& operator=(const MarkStyleReset&) = delete;

private:
    DrawingSurface& m_surface;
};

void LineBetween(const SceneView& view, DrawingSurface& surface, PointD from, PointD to,
    Colour colour)
{
    if (const auto segment = ToSurfaceSegment(view, surface, from, to))
        surface.Line(segment->From.X, segment->From.Y, segment->To.X, segment->To.Y, colour);
}

void Ring(const SceneView& view, DrawingSurface& surface, PointD at, float radius, Colour colour)
{
    if (const auto centre = ToSurface(view, at))
        surface.Circle(centre->X, centre->Y, radius, colour);
}

void DrawPlacementMarks(const SceneView& view, const PlacementMarks& marks, Colour marker,
    float bestRadius, DrawingSurface& surface)
{
    if (marks.UnseenSlope) {
        surface.SetDrawWidth(SlopeWidth);
        LineBetween(view, surface, marks.UnseenSlope->From, marks.UnseenSlope->To, MarkColour);
        surface.SetDrawWidth(MarkWidth);
        Ring(view, surface, marks.UnseenSlope->From, RingRadius, MarkColour);
        Ring(view, surface, marks.UnseenSlope->To, RingRadius, MarkColour);
    }
    surface.SetDrawWidth(MarkWidth);
    if (marks.GroundBelowBest)
        LineBetween(view, surface, marks.Best, {marks.Best.X, *marks.GroundBelowBest}, marker);
    Ring(view, surface, marks.Best, bestRadius, marker);
}

// One axis of the frame, low and high, given as the points' least and greatest coordinate.
struct Span {
    double Low;
    double High;
};

// Widens `span` about its centre to at least `least`, then by the margin on both sides.
Span Framed(Span span, double least)
{
    constexpr double margin = 0.125;
    const double extent = std::max(span.High - span.Low, least);
    const double centre = span.Low + (span.High - span.Low) / 2;
    const double half = extent / 2 + margin * extent;
    return {centre - half, centre + half};
}

std::vector<PointD> FramedPoints(const PlacementMarks& marks)
{
    std::vector<PointD> points;
    if (marks.UnseenSlope)
        points = {marks.UnseenSlope->From, marks.UnseenSlope->To};
    else
        points = {marks.Best};
    // The tower's line down, so that the ground it stands on is seen.
    if (!marks.UnseenSlope && marks.GroundBelowBest)
        points.push_back({marks.Best.X, *marks.GroundBelowBest});
    if (marks.Given)
        points.push_back(*marks.Given);
    return points;
}

} // namespace

void DrawMarks(const SceneView& view, const FailureMarks& marks, DrawingSurface& surface)
{
    const MarkStyleReset reset(surface);
    surface.SetFillStyle(FillStyles::Transparent);
    if (marks.Tower)
        DrawPlacementMarks(view, *marks.Tower, Colours::Blue, TowerBestRadius, surface);
    if (marks.Island)
        DrawPlacementMarks(view, *marks.Island, Colours::Red, IslandBestRadius, surface);
}

void FitBestPlaces(SceneView& view, const FailureMarks& marks)
{
    // The circle's centre a ring's radius below the top edge: with the scale ViewHeight / MaxY,
    // ViewHeight - scale * best >= RingRadius for MaxY >= best * ViewHeight / (ViewHeight -
    // RingRadius).
    const double roomBelowTop = view.ViewHeight / (view.ViewHeight - RingRadius);
    if (!(roomBelowTop > 0) || !std::isfinite(roomBelowTop))
        return;
    for (const std::optional<PlacementMarks>* placement : {&marks.Tower, &marks.Island}) {
        if (!*placement)
            continue;
        const double raised = (*placement)->Best.Y * roomBelowTop;
        if ((*placement)->Best.Y > std::max(view.MaxY, 0.0) && std::isfinite(raised))
            view.MaxY = raised;
    }
}

DrawOutcome DrawMarkedScene(const LoadedProfile* profile, SceneView& view,
    DrawingSurface& surface, const DrawOptions& options, const FailureMarks* marks)
{
    if (marks && view.ShowTower)
        FitBestPlaces(view, *marks);
    const DrawOutcome outcome = DrawScene(profile, view, surface, options);
    if (marks && outcome == DrawOutcome::Drawn)
        DrawMarks(view, *marks, surface);
    return outcome;
}

namespace {

// The range that shows `points` (at least one) within `whole`, as ProblemRange describes.
std::optional<DataRange> FrameAround(const std::vector<PointD>& points, const DataRange& whole)
{
    const double wholeWidth = whole.X1 - whole.X0;
    const double wholeHeight = whole.Y1 - whole.Y0;
    if (!(wholeWidth > 0 && wholeHeight > 0))
        return std::nullopt;
    const auto [left, right] = std::ranges::minmax(points, {}, &PointD::X);
    const auto [bottom, top] = std::ranges::minmax(points, {}, &PointD::Y);
    const Span x{left.X, right.X};
    const Span y{bottom.Y, top.Y};
    // Each axis as a share of the whole, so that the frame's shape on the area is what counts.
    double share = std::max((x.High - x.Low) / wholeWidth, (y.High - y.Low) / wholeHeight);
    if (!std::isfinite(share))
        return whole;
    if (share == 0)
        share = 1.0 / 16; // a single point gets a quarter of that: 1/64 of the whole
    constexpr double flattest = 0.25;
    const Span framedX = Framed(x, flattest * share * wholeWidth);
    const Span framedY = Framed(y, flattest * share * wholeHeight);
    return ZoomTo({framedX.Low, framedX.High, framedY.Low, framedY.High}, whole);
}

} // namespace

std::optional<DataRange> ProblemRange(const FailureMarks& marks, const DataRange& whole)
{
    const std::optional<PlacementMarks>& wrong = marks.Tower ? marks.Tower : marks.Island;
    if (!wrong)
        return std::nullopt;
    return FrameAround(FramedPoints(*wrong), whole);
}

std::optional<DataRange> UnseenSlopeRange(const FailureMarks& marks, const DataRange& whole)
{
    for (const std::optional<PlacementMarks>* placement : {&marks.Tower, &marks.Island}) {
        if (!*placement || !(*placement)->UnseenSlope)
            continue;
        const auto [from, to] = *(*placement)->UnseenSlope;
        const Span x{std::min(from.X, to.X), std::max(from.X, to.X)};
        const Span y{std::min(from.Y, to.Y), std::max(from.Y, to.Y)};
        const double width = x.High - x.Low;
        const double height = y.High - y.Low;
        if (!(whole.X1 > whole.X0 && whole.Y1 > whole.Y0))
            return std::nullopt;
        if (!std::isfinite(width) || !std::isfinite(height) || (width == 0 && height == 0))
            return FrameAround({from, to}, whole);
        // Each axis by its own extent, however unlike the two are; a flat or a vertical slope
        // gets as much room across as it has along.
        const Span framedX = Framed(x, width == 0 ? height : 0);
        const Span framedY = Framed(y, height == 0 ? width : 0);
        return ZoomTo({framedX.Low, framedX.High, framedY.Low, framedY.High}, whole);
    }
    return std::nullopt;
}
