#pragma once

#include "render/drawingsurface.h"
#include "render/viewtransform.h"
#include "scene/profile.h"

#include <cstdint>
#include <optional>

// What a drawing adds to the profile, as plain values: the window takes them from its controls
// afresh for each drawing, a picture file from its request.
struct DrawOptions {
    // About how many vertices to sample: 0 asks for 1, and more than there are asks for all.
    std::int32_t SampleCount = 0;
    // Whether each sampled vertex gets a dotted line to it from the tower, and from the island.
    bool TowerSightLines = false;
    bool IslandSightLines = false;
};

enum class DrawOutcome {
    NotLoaded,   // there is no profile: the surface was not touched at all
    Drawn,
    NoPositiveX, // MaxX is 0: the surface was cleared and nothing more drawn
    XTooNarrow,  // MaxX so small that the horizontal scale overflows: cleared as for NoPositiveX
};

// The vertices a drawing takes: Count indices First, First + Step, ..., then Closing when it
// is not 0.
struct VertexSampling {
    std::int64_t First = 1;
    std::int32_t Step = 0;
    std::int64_t Count = 0;
    std::int64_t Closing = 0;

    bool operator==(const VertexSampling&) const = default;
};

// The stored vertices a view of `visible` draws from, First..Last: from the last vertex at or
// left of its X0 to the first at or right of its X1 (the profile's ends when there is none),
// so that a line through them reaches both edges of the area. Found by binary search over the
// ordered X. Empty (Last < First) without stored vertices.
struct VertexSpan {
    std::int64_t First = 1;
    std::int64_t Last = 0;
};
VertexSpan VerticesInView(const LoadedProfile& profile, const DataRange& visible);

// The vertices a zoomed drawing takes: those of VerticesInView, thinned by the whole profile's
// rule applied to their count, and the span's last vertex as Closing when the stride passes it
// by, so the line still reaches the right edge. A negative sample count takes nothing, as on
// the whole profile.
VertexSampling VisibleSamples(
    const LoadedProfile& profile, const DataRange& visible, std::int32_t sampleCount);

// The surface point of the data point p with the scales of the drawing last made through
// `view`; none when a coordinate has no single precision value (NaN, infinite, or beyond its
// range), since every surface call would reject it.
std::optional<SurfacePoint> ToSurface(const SceneView& view, PointD p);

// The segment between two data points as `surface` is to be handed it, with the scales of the
// drawing last made through `view`. Zoomed, the ends next to the view may lie beyond single
// precision, so the segment is first cut in extended precision to well beyond the surface's
// clip box, keeping its direction; unzoomed, both ends are as ToSurface gives them. None when
// nothing of it can be drawn.
std::optional<SurfaceSegment> ToSurfaceSegment(
    const SceneView& view, const DrawingSurface& surface, PointD from, PointD to);

// Draws `profile` afresh on surface as `view` lays it out: clears it, sets the view's scales,
// then takes every SampleStep-th vertex from vertex 1, about SampleCount in all, as dots joined
// by the profile, each dot drawn before the stroke that reaches it. The sight lines asked for
// go to each of those vertices, blue from the tower and then red from the island; ShowTower
// then adds the two markers, the island's on top. With a visible range in the view, the
// vertices are those of VisibleSamples instead, and the profile's count beyond the storage is
// not an error: only the stored vertices are searched.
//
// - A sample count beyond the vertex count is cut to it. A step of 0 (a sample count of
//   -2 x PointCount or less) draws no vertex and no sight line.
// - Unzoomed, a point whose surface coordinates overflow single precision (a tower at 1e308)
//   is left out with everything that ends at it: its dot, its segments, its sight lines, its
//   marker. Zoomed, the vertices next to the view lie that far out at a deep enough zoom, so
//   the profile and the sight lines are cut in extended precision to well beyond the surface
//   first, as ToSurfaceSegment cuts a segment; only the dots and markers out there are lost.
// - DrawStyle and FillColor are 0 whenever it returns, also when it throws.
// Writes only ScaleX and ScaleY of `view`. Throws SubscriptOutOfRange when PointCount exceeds
// MaxPoints, after drawing what lies within the storage.
DrawOutcome DrawScene(const LoadedProfile* profile, SceneView& view, DrawingSurface& surface,
    const DrawOptions& options);
