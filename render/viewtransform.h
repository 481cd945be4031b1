#pragma once

#include "scene/profile.h"

#include <cstdint>
#include <optional>

// Surfaces and windows are measured in twips, 1/1440 inch: 15 to a logical pixel.
inline constexpr int TwipsPerPixel = 15;

// A rectangle of data coordinates, X0 < X1 and Y0 < Y1 once made by the functions below.
struct DataRange {
    double X0 = 0.0;
    double X1 = 0.0;
    double Y0 = 0.0;
    double Y1 = 0.0;

    bool operator==(const DataRange&) const = default;
};

// How a drawing lays a profile onto its area, owned by whoever draws (the window's picture, a
// picture file) and changed only by it.
struct SceneView {
    // The drawing area in twips, inside the surface's margin. Never 0 or below once sized, so
    // the scales below are always defined.
    double ViewWidth = 0.0;
    double ViewHeight = 0.0;
    // The height the drawing fits to the area, from 0: the profile's own (its MaxY), or the
    // tower's top when the tower view raised it.
    double MaxY = 0.0;
    // Whether a drawing ends with the two markers, for tower and island.
    bool ShowTower = false;
    // The data shown when zoomed; none shows the whole, 0..maxX by 0..MaxY.
    std::optional<DataRange> Visible;
    // Twips per data unit and the data point at the area's lower left corner, set at the start
    // of every drawing and read by ToScreen. The origin is exactly 0, 0 for the whole view, so
    // its mapping is the unzoomed one to the last bit.
    double ScaleX = 0.0;
    double ScaleY = 0.0;
    double OriginX = 0.0;
    double OriginY = 0.0;
};

// The whole range a view of `maxX` shows unzoomed: 0..maxX by 0..view.MaxY.
DataRange WholeRange(const SceneView& view, double maxX);

// Zoom steps, all pure: each returns a range within `whole`, never wider or taller than it,
// and never narrower than a double can still resolve at its coordinates (about 1e-12 of their
// magnitude, and never of zero width or height).
// - ZoomAround keeps `at` where it is on the area while the range shrinks by `factor` (> 1
//   zooms in, < 1 out).
// - PanBy moves the range by a data offset, stopping at the whole's edges.
// - ZoomTo shows `wanted`, its corners in any order.
DataRange ZoomAround(const DataRange& current, const DataRange& whole, PointD at, double factor);
DataRange PanBy(const DataRange& current, const DataRange& whole, PointD offset);
DataRange ZoomTo(const DataRange& wanted, const DataRange& whole);

// Back to the whole profile.
void ResetZoom(SceneView& view);

// A newly loaded profile is drawn to its own height; whether the markers show stays as it was.
void FitHeight(SceneView& view, const LoadedProfile& profile);

// The two views of a profile, as the window's buttons choose them and as a picture file shows
// the second: the profile alone, scaled to its own height, or with the tower and the island,
// the height raised to the tower's top when that stands higher. Without a profile only the
// choice of markers is kept, for the profile to come.
void ViewMountainsOnly(SceneView& view, const LoadedProfile* profile);
void ViewTowerAndIsland(SceneView& view, const LoadedProfile* profile);

// The part of a surface extent (twips) that data is spread over, ViewWidth or ViewHeight: the
// extent less a 120-twip border, and 1 when nothing is left, so the scale never divides by
// zero or flips.
double UsableExtent(double surfaceExtent);

// Sets ScaleX = ViewWidth / maxX and ScaleY = ViewHeight / MaxY for the drawing about to be
// made, the origin at 0, 0; with a visible range, the scales and origin fit that range to the
// area instead (maxX is then not read). Returns false, and leaves the scales and origin as
// they were, when there is no horizontal scale to draw with: the width is 0 (no vertex has a
// positive X), or so small (1e-310, say) that ViewWidth / width overflows.
bool SetScales(SceneView& view, double maxX);

// The surface point in twips (y down) of the data point p, with the scales of the current
// drawing: (ScaleX * (p.X - OriginX), ViewHeight - ScaleY * (p.Y - OriginY)). The result may
// lie far outside the surface or, for coordinates near the double range, be infinite or NaN;
// the caller decides what to do with such a point. Inline: a drawing maps up to a million vertices.
inline PointD ToScreen(const SceneView& view, PointD p)
{
    return {view.ScaleX * (p.X - view.OriginX),
        view.ViewHeight - view.ScaleY * (p.Y - view.OriginY)};
}

// The radius in twips of a vertex dot, by the profile's whole vertex count (not by how many
// are drawn): 45 up to 20 vertices (0 and negative counts too), 30 up to 100, 15 up to 500,
// else 0.
std::int16_t PointRadius(std::int32_t pointCount);
