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

// How far the points spread on each axis.
struct Extent {
    Span X;
    Span Y;
};

Extent ExtentOf(const std::vector<PointD>& points)
{
    const auto [left, right] = std::ranges::minmax(points, {}, &PointD::X);
    const auto [bottom, top] = std::ranges::minmax(points, {}, &PointD::Y);
    return {{left.X, right.X}, {bottom.Y, top.Y}};
}

// `extent` with each axis at least as wide as given and framed, fitted into `whole`.
DataRange Fitted(const Extent& extent, double leastX, double leastY, const DataRange& whole)
{
    const Span x = Framed(extent.X, leastX);
    const Span y = Framed(extent.Y, leastY);
    return ZoomTo({x.Low, x.High, y.Low, y.High}, whole);
}

bool HasExtent(const DataRange& range)
{
    return range.X1 > range.X0 && range.Y1 > range.Y0;
}

// The range that shows `points` (at least one) within `whole`, as ProblemRange describes.
std::optional<DataRange> FrameAround(const std::vector<PointD>& points, const DataRange& whole)
{
    if (!HasExtent(whole))
        return std::nullopt;
    const Extent extent = ExtentOf(points);
    const double wholeWidth = whole.X1 - whole.X0;
    const double wholeHeight = whole.Y1 - whole.Y0;
    // Each axis as a share of the whole, so that the frame's shape on the area is what counts.
    double share = std::max((extent.X.High - extent.X.Low) / wholeWidth,
        (extent.Y.High - extent.Y.Low) / wholeHeight);
    if (!std::isfinite(share))
        return whole;
    if (share == 0)
        share = 1.0 / 16; // a single point gets a quarter of that: 1/64 of the whole
    constexpr double flattest = 0.25;
    return Fitted(extent, flattest * share * wholeWidth, flattest * share * wholeHeight, whole);
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


std::optional<DataRange> ProblemRange(const FailureMarks& marks, const DataRange& whole)
{
    const std::optional<PlacementMarks>& wrong = marks.Tower ? marks.Tower : marks.Island;
    if (!wrong)
        return std::nullopt;
    return FrameAround(FramedPoints(*wrong), whole);
}

std::optional<DataRange> UnseenSlopeRange(const FailureMarks& marks, const DataRange& whole)
{
    const PlacementMarks::Slope* slope = marks.FirstUnseenSlope();
    if (!slope || !HasExtent(whole))
        return std::nullopt;
    const Extent extent = ExtentOf({slope->From, slope->To});
    const double width = extent.X.High - extent.X.Low;
    const double height = extent.Y.High - extent.Y.Low;
    if (!std::isfinite(width) || !std::isfinite(height) || (width == 0 && height == 0))
        return FrameAround({slope->From, slope->To}, whole);
    // Each axis by its own extent, however unlike the two are; a flat or a vertical slope gets
    // as much room across as it has along.
    return Fitted(extent, width == 0 ? height : 0, height == 0 ? width : 0, whole);
}
