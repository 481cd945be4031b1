#include "render/drawscene.h"

#include "render/val.h"
#include "render/viewtransform.h"

#include <cmath>
#include <limits>
#include <optional>

namespace {

constexpr float MarkerRadius = 60.0f;

struct SurfacePoint {
    float X;
    float Y;
};

// ToScreen narrowed to what the surface takes; empty when a coordinate has no single
// precision value (NaN, an infinity, or beyond its range).
std::optional<SurfacePoint> ToSurface(const SceneState& scene, PointD p)
{
    const PointD screen = ToScreen(scene, p);
    constexpr double largest = std::numeric_limits<float>::max();
    if (!(std::abs(screen.X) <= largest && std::abs(screen.Y) <= largest))
        return std::nullopt;
    return SurfacePoint{static_cast<float>(screen.X), static_cast<float>(screen.Y)};
}

// Visits the sampled indices 1, 1 + step, ... while they stay on the near side of
// pointCount: up to it for a positive step, down to it for a negative one. A step of 0
// would never advance, so it visits nothing.
template <class Visit>
void ForEachSample(std::int32_t pointCount, std::int32_t step, Visit visit)
{
    if (step == 0)
        return;
    // 64 bits, so the step past the last index cannot overflow.
    for (std::int64_t i = 1; step > 0 ? i <= pointCount : i >= pointCount; i += step)
        visit(i);
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

std::int32_t SampleStep(const SceneState& scene, const DrawInputs& inputs)
{
    std::int32_t limit = RoundToInt32(Val(inputs.MaxPointText));
    if (limit == 0)
        limit = 1;
    if (limit > scene.PointCount)
        limit = scene.PointCount;
    if (limit == 0) // nothing loaded to divide up
        return 0;
    return RoundToInt32(static_cast<double>(scene.PointCount) / limit);
}

void DrawSightLines(const SceneState& scene, DrawingSurface& surface, std::int32_t step,
                    const std::optional<SurfacePoint>& from, Colour colour)
{
    if (!from)
        return;
    surface.SetDrawStyle(DrawStyles::Dotted);
    ForEachSample(scene.PointCount, step, [&](std::int64_t i) {
        if (const auto to = ToSurface(scene, scene.Points(i)))
            surface.Line(from->X, from->Y, to->X, to->Y, colour);
    });
    surface.SetDrawStyle(DrawStyles::Solid);
}

void DrawMarker(DrawingSurface& surface, const std::optional<SurfacePoint>& at, Colour colour)
{
    surface.SetFillColor(colour);
    if (at)
        surface.Circle(at->X, at->Y, MarkerRadius, colour);
}

} // namespace

DrawOutcome DrawScene(SceneState& scene, DrawingSurface& surface, const DrawInputs& inputs)
{
    if (!scene.HaveData)
        return DrawOutcome::NotLoaded;
    const StyleReset reset(surface);
    surface.Cls();
    if (!SetScales(scene))
        return scene.MaxX == 0.0 ? DrawOutcome::NoPositiveX : DrawOutcome::XTooNarrow;
    const auto towerScreen = ToSurface(scene, scene.Tower);
    const auto islandScreen = ToSurface(scene, scene.Island);
    const std::int32_t step = SampleStep(scene, inputs);

    const float radius = PointRadius(scene);
    // The previous drawn vertex's surface point, empty before the first and after one that
    // was left out, so no segment reaches a vertex that is not drawn.
    std::optional<SurfacePoint> previous;
    ForEachSample(scene.PointCount, step, [&](std::int64_t i) {
        const auto p = ToSurface(scene, scene.Points(i));
        if (p) {
            surface.Circle(p->X, p->Y, radius, Colours::Black);
            if (previous)
                surface.Line(previous->X, previous->Y, p->X, p->Y);
        }
        previous = p;
    });

    if (inputs.Line1Value == 1)
        DrawSightLines(scene, surface, step, towerScreen, Colours::Blue);
    if (inputs.Line2Value == 1)
        DrawSightLines(scene, surface, step, islandScreen, Colours::Red);
    if (scene.ShowTower) {
        DrawMarker(surface, towerScreen, Colours::Blue);
        DrawMarker(surface, islandScreen, Colours::Red);
        surface.SetFillColor(Colours::Black);
    }
    return DrawOutcome::Drawn;
}
