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

void DrawSightLines(DrawingSurface& surface, const SurfacePoints& points,
                    const std::optional<SurfacePoint>& from, Colour colour)
{
    if (!from)
        return;
    surface.SetDrawStyle(DrawStyles::Dotted);
    surface.Fan(from->X, from->Y, points, colour);
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

    // Every pass visits the same vertices, so they are transformed once for all three.
    const SurfacePoints points = SamplePoints(*profile, view, sampling);
    surface.Polyline(points, PointRadius(profile->PointCount), Colours::Black);
    if (beyondStorage)
        throw SubscriptOutOfRange(*beyondStorage);

    if (options.TowerSightLines)
        DrawSightLines(surface, points, towerScreen, Colours::Blue);
    if (options.IslandSightLines)
        DrawSightLines(surface, points, islandScreen, Colours::Red);
    if (view.ShowTower) {
        DrawMarker(surface, towerScreen, Colours::Blue);
        DrawMarker(surface, islandScreen, Colours::Red);
        surface.SetFillColor(Colours::Black);
    }
    return DrawOutcome::Drawn;
}
