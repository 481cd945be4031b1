#include "render/drawscene.h"

#include "render/val.h"
#include "render/viewtransform.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <ranges>
#include <vector>

namespace {

constexpr float MarkerRadius = 60.0f;
constexpr float LeftOut = std::numeric_limits<float>::quiet_NaN();

// How far beyond the surface a zoomed drawing cuts its lines before it narrows them to single
// precision: past the surface's own clip box by another ClipMargin, so the surface still makes
// every cut that shows, and an end moved onto this box lies too far out for its dot or a pen's
// cap to show.
constexpr double ZoomClipMargin = 2.0 * DrawingSurface::ClipMargin;

// A sight line's origin farther out than this (in either coordinate, from the middle of the
// box) is moved in towards it along the line: seen from within the box the lines to it turn
// by less than 1e-25 of a radian, while single precision still holds it.
constexpr double FarthestFanOrigin = 1e30;

// ToScreen narrowed to what the surface takes; NaN when a coordinate has no single precision
// value (NaN, an infinity, or beyond its range), which every surface call rejects with
// whatever reaches it.
SurfacePoint ToSurfaceOrLeftOut(const SceneView& view, PointD p)
{
    const PointD screen = ToScreen(view, p);
    constexpr double largest = std::numeric_limits<float>::max();
    if (!(std::abs(screen.X) <= largest && std::abs(screen.Y) <= largest))
        return {LeftOut, LeftOut};
    return {static_cast<float>(screen.X), static_cast<float>(screen.Y)};
}

// The lines of a zoomed drawing cut to the surface grown by ZoomClipMargin before they are
// narrowed to single precision. The vertices next to the view lie too far out for single
// precision there (1e40 twips a view 1e-36 wide), and even for double the rounding of such a
// far end moves where its line crosses the view by whole twips (a view 1e-12 wide), so a cut
// maps its ends afresh in extended precision where the platform has it (64-bit on x86).
class ZoomCut {
public:
    using Wide = long double;

    ZoomCut(const SceneView& view, const DrawingSurface& surface)
        : m_view(view)
        , m_box{-ZoomClipMargin, -ZoomClipMargin, surface.Width() + ZoomClipMargin,
              surface.Height() + ZoomClipMargin}
        , m_wideBox{m_box.Left, m_box.Top, m_box.Right, m_box.Bottom}
    {
    }

    // The place of a data point in twips, in double precision, which is exact enough within
    // the box.
    TwipsPoint<double> Twips(PointD p) const
    {
        const PointD twips = ToScreen(m_view, p);
        return {twips.X, twips.Y};
    }
    bool Contains(TwipsPoint<double> twips) const { return m_box.Contains(twips); }

    // The part of the segment between two data points within the box, narrowed.
    std::optional<SurfaceSegment> Cut(PointD from, PointD to) const
    {
        const auto part = ClipSegment(m_wideBox, WideTwips(from), WideTwips(to));
        if (!part)
            return std::nullopt;
        return SurfaceSegment{Narrowed(part->From), Narrowed(part->To)};
    }

    // A point that lies farther out than FarthestFanOrigin moved in to that distance along the
    // line from the middle of the box, narrowed; none when it cannot be mapped.
    std::optional<SurfacePoint> FanOrigin(PointD p) const
    {
        const TwipsPoint<Wide> twips = WideTwips(p);
        if (!std::isfinite(twips.X) || !std::isfinite(twips.Y))
            return std::nullopt;
        const Wide middleX = (m_wideBox.Left + m_wideBox.Right) / 2;
        const Wide middleY = (m_wideBox.Top + m_wideBox.Bottom) / 2;
        const Wide dx = twips.X - middleX;
        const Wide dy = twips.Y - middleY;
        const Wide reach = std::max(std::abs(dx), std::abs(dy));
        if (reach <= FarthestFanOrigin)
            return Narrowed(twips);
        const Wide shrink = FarthestFanOrigin / reach;
        return Narrowed(TwipsPoint<Wide>{middleX + dx * shrink, middleY + dy * shrink});
    }

    // Only for points that single precision holds, such as those within the box.
    template <typename Real>
    static SurfacePoint Narrowed(TwipsPoint<Real> p)
    {
        return {static_cast<float>(p.X), static_cast<float>(p.Y)};
    }

private:
    TwipsPoint<Wide> WideTwips(PointD p) const
    {
        return {Wide{m_view.ScaleX} * (Wide{p.X} - m_view.OriginX),
            Wide{m_view.ViewHeight} - Wide{m_view.ScaleY} * (Wide{p.Y} - m_view.OriginY)};
    }

    const SceneView& m_view;
    TwipsBox<double> m_box;
    TwipsBox<Wide> m_wideBox;
};

// The sampled indices are 1, 1 + step, ... while they stay on the near side of pointCount: up
// to it for a positive step, down to it for a negative one; a step of 0 would never advance,
// so it samples nothing. Those within the storage (1..MaxPoints) are the first Count of them,
// and Beyond is the index that follows them when the sampling goes on past the storage.
struct Samples {
    std::int64_t Count = 0;
    std::optional<std::int64_t> Beyond;
};

Samples SamplesOf(std::int32_t pointCount, std::int32_t step)
{
    if (step > 0 && pointCount >= 1) {
        const std::int64_t count = (std::min(pointCount, MaxPoints) - 1) / step + 1;
        const std::int64_t after = 1 + count * step;
        return {count, after <= pointCount ? std::optional(after) : std::nullopt};
    }
    // Going down from 1, the next index is already below the storage.
    if (step < 0 && pointCount <= 1) {
        const std::int64_t after = 1 + std::int64_t{step};
        return {1, after >= pointCount ? std::optional(after) : std::nullopt};
    }
    return {};
}

// Puts DrawStyle and FillColor back to 0 however the drawing ends.
class StyleReset {
public:
    explicit StyleReset(DrawingSurface& surface)
        : m_surface(surface)
    {
    }
    ~StyleReset()
    {
        m_surface.SetDrawStyle(DrawStyles::Solid);
        m_surface.SetFillColor(Colours::Black);
    }
    StyleReset(const StyleReset&) = delete;
    StyleReset& operator=(const StyleReset&) = delete;

private:
    DrawingSurface& m_surface;
};

std::int32_t SampleStep(std::int32_t pointCount, std::int32_t sampleCount)
{
    std::int32_t limit = sampleCount;
    if (limit == 0)
        limit = 1;
    if (limit > pointCount)
        limit = pointCount;
    if (limit == 0) // nothing loaded to divide up
        return 0;
    return RoundToInt32(static_cast<double>(pointCount) / limit);
}

// The surface points of the sampled vertices within the storage, in order, a left-out vertex
// as NaN.
SurfacePoints SamplePoints(
    const LoadedProfile& profile, const SceneView& view, const VertexSampling& sampling)
{
    const auto count = static_cast<std::size_t>(sampling.Count + (sampling.Closing != 0));
    auto points = std::make_shared<std::vector<SurfacePoint>>(count);
    SurfacePoint* const out = points->data();
    for (std::int64_t k = 0; k < sampling.Count; ++k)
        out[k] = ToSurfaceOrLeftOut(view, profile.Points(sampling.First + k * sampling.Step));
    if (sampling.Closing != 0)
        out[sampling.Count] = ToSurfaceOrLeftOut(view, profile.Points(sampling.Closing));
    return points;
}

// The sampled vertices within the storage, in order.
std::vector<PointD> SampledVertices(const LoadedProfile& profile, const VertexSampling& sampling)
{
    std::vector<PointD> vertices;
    vertices.reserve(static_cast<std::size_t>(sampling.Count + (sampling.Closing != 0)));
    for (std::int64_t k = 0; k < sampling.Count; ++k)
        vertices.push_back(profile.Points(sampling.First + k * sampling.Step));
    if (sampling.Closing != 0)
        vertices.push_back(profile.Points(sampling.Closing));
    return vertices;
}

// The polyline through `vertices` cut by `cut`, as points a surface draws the same from: a
// vertex outside the box gives way to where its strokes cross the box's edge, with a left-out
// point between them that ends the run. Those crossings lie beyond the surface's clip box, so
// no dot is drawn there, while the dots inside are the vertices' own. `allInside` tells whether
// the points are just the vertices.
SurfacePoints CutPolyline(const std::vector<PointD>& vertices, const ZoomCut& cut, bool& allInside)
{
    auto points = std::make_shared<std::vector<SurfacePoint>>();
    std::vector<SurfacePoint>& out = *points;
    out.reserve(vertices.size());
    const auto endRun = [&out] {
        if (!out.empty() && !std::isnan(out.back().X))
            out.push_back({LeftOut, LeftOut});
    };
    bool previousInside = false;
    for (std::size_t k = 0; k < vertices.size(); ++k) {
        const TwipsPoint<double> twips = cut.Twips(vertices[k]);
        const bool inside = cut.Contains(twips);
        if (k > 0 && !(inside && previousInside)) {
            const auto part = cut.Cut(vertices[k - 1], vertices[k]);
            // The run before ended where the previous vertex left the box.
            if (part && !previousInside)
                out.push_back(part->From);
            if (part && !inside)
                out.push_back(part->To);
            if (!inside)
                endRun();
        }
        if (inside)
            out.push_back(ZoomCut::Narrowed(twips));
        previousInside = inside;
        allInside = allInside && inside;
    }
    return points;
}

// Lines from one point to many, as a surface's Fan takes them.
struct SightLines {
    SurfacePoint From;
    SurfacePoints To;
};

// The lines from `origin` to each of `vertices` cut by `cut`: an end outside the box moves onto
// its edge along its line, or is left out when the line misses the box.
std::optional<SightLines> CutFan(
    PointD origin, const std::vector<PointD>& vertices, const ZoomCut& cut)
{
    const auto from = cut.FanOrigin(origin);
    if (!from)
        return std::nullopt;
    auto ends = std::make_shared<std::vector<SurfacePoint>>(vertices.size());
    SurfacePoint* const out = ends->data();
    for (std::size_t k = 0; k < vertices.size(); ++k) {
        const TwipsPoint<double> twips = cut.Twips(vertices[k]);
        if (cut.Contains(twips)) {
            out[k] = ZoomCut::Narrowed(twips);
        } else {
            const auto part = cut.Cut(origin, vertices[k]);
            out[k] = part ? part->To : SurfacePoint{LeftOut, LeftOut};
        }
    }
    return SightLines{*from, std::move(ends)};
}

void DrawSightLines(DrawingSurface& surface, const std::optional<SightLines>& lines, Colour colour)
{
    if (!lines)
        return;
    surface.SetDrawStyle(DrawStyles::Dotted);
    surface.Fan(lines->From.X, lines->From.Y, lines->To, colour);
    surface.SetDrawStyle(DrawStyles::Solid);
}

void DrawMarker(DrawingSurface& surface, const std::optional<SurfacePoint>& at, Colour colour)
{
    surface.SetFillColor(colour);
    if (at)
        surface.Circle(at->X, at->Y, MarkerRadius, colour);
}

} // namespace

std::optional<SurfacePoint> ToSurface(const SceneView& view, PointD p)
{
    const SurfacePoint point = ToSurfaceOrLeftOut(view, p);
    if (std::isnan(point.X))
        return std::nullopt;
    return point;
}

std::optional<SurfaceSegment> ToSurfaceSegment(
    const SceneView& view, const DrawingSurface& surface, PointD from, PointD to)
{
    if (view.Visible)
        return ZoomCut(view, surface).Cut(from, to);
    const auto a = ToSurface(view, from);
    const auto b = ToSurface(view, to);
    if (!a || !b)
        return std::nullopt;
    return SurfaceSegment{*a, *b};
}

VertexSpan VerticesInView(const LoadedProfile& profile, const DataRange& visible)
{
    const std::int64_t stored = std::min(profile.PointCount, MaxPoints);
    if (stored < 1)
        return {};
    // The vertices are ordered by X, so both ends are binary searches.
    const auto indices = std::views::iota(std::int64_t{1}, stored + 1);
    const auto x = [&profile](std::int64_t index) { return profile.Points(index).X; };
    const auto rightOfX0 = std::ranges::partition_point(
        indices, [&](std::int64_t index) { return x(index) <= visible.X0; });
    const auto atOrRightOfX1 = std::ranges::partition_point(
        indices, [&](std::int64_t index) { return x(index) < visible.X1; });
    const auto position
        = [&indices](auto at) { return static_cast<std::int64_t>(at - indices.begin()); };
    return {std::max<std::int64_t>(1, position(rightOfX0)),
        std::min(stored, 1 + position(atOrRightOfX1))};
}

VertexSampling VisibleSamples(
    const LoadedProfile& profile, const DataRange& visible, std::int32_t sampleCount)
{
    const VertexSpan span = VerticesInView(profile, visible);
    if (span.Last < span.First)
        return {};
    const auto inRange = static_cast<std::int32_t>(span.Last - span.First + 1);
    const std::int32_t step = SampleStep(inRange, sampleCount);
    if (step <= 0)
        return {span.First, step, 0};
    const std::int64_t count = (inRange - 1) / step + 1;
    const std::int64_t lastStepped = span.First + (count - 1) * step;
    return {span.First, step, count, lastStepped == span.Last ? 0 : span.Last};
}

DrawOutcome DrawScene(const LoadedProfile* profile, SceneView& view, DrawingSurface& surface,
    const DrawOptions& options)
{
    if (!profile)
        return DrawOutcome::NotLoaded;
    const StyleReset reset(surface);
    surface.Cls();
    if (!SetScales(view, profile->Extents.MaxX))
        return profile->Extents.MaxX == 0.0 ? DrawOutcome::NoPositiveX : DrawOutcome::XTooNarrow;
    const auto towerScreen = ToSurface(view, profile->Tower);
    const auto islandScreen = ToSurface(view, profile->Island);
    VertexSampling sampling;
    std::optional<std::int64_t> beyondStorage;
    if (view.Visible) {
        sampling = VisibleSamples(*profile, *view.Visible, options.SampleCount);
    } else {
        const std::int32_t step = SampleStep(profile->PointCount, options.SampleCount);
        const Samples samples = SamplesOf(profile->PointCount, step);
        sampling = {1, step, samples.Count};
        beyondStorage = samples.Beyond;
    }

    // Every pass visits the same vertices, so they are transformed once for all three. Zoomed,
    // vertices next to the view can lie beyond single precision, so the lines are cut to the
    // surface in extended precision first.
    const ZoomCut cut(view, surface);
    const std::vector<PointD> zoomed
        = view.Visible ? SampledVertices(*profile, sampling) : std::vector<PointD>{};
    bool allInside = true;
    const SurfacePoints points = view.Visible ? CutPolyline(zoomed, cut, allInside)
                                              : SamplePoints(*profile, view, sampling);
    surface.Polyline(points, PointRadius(profile->PointCount), Colours::Black);
    if (beyondStorage)
        throw SubscriptOutOfRange(*beyondStorage);

    const auto sightLinesFrom = [&](PointD from) -> std::optional<SightLines> {
        // With every vertex inside the box, only the origin needs cutting.
        if (view.Visible && !allInside)
            return CutFan(from, zoomed, cut);
        const auto origin = view.Visible ? cut.FanOrigin(from) : ToSurface(view, from);
        if (!origin)
            return std::nullopt;
        return SightLines{*origin, points};
    };
    if (options.TowerSightLines)
        DrawSightLines(surface, sightLinesFrom(profile->Tower), Colours::Blue);
    if (options.IslandSightLines)
        DrawSightLines(surface, sightLinesFrom(profile->Island), Colours::Red);
    if (view.ShowTower) {
        DrawMarker(surface, towerScreen, Colours::Blue);
        DrawMarker(surface, islandScreen, Colours::Red);
        surface.SetFillColor(Colours::Black);
    }
    return DrawOutcome::Drawn;
}
