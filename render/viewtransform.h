#pragma once

#include "scene/profile.h"

#include <cstdint>

// Surfaces and windows are measured in twips, 1/1440 inch: 15 to a logical pixel.
inline constexpr int TwipsPerPixel = 15;

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
    // Twips per data unit, set at the start of every drawing and read by ToScreen.
    double ScaleX = 0.0;
    double ScaleY = 0.0;
};

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
// made. Returns false, and leaves both scales as they were, when there is no horizontal
// scale to draw with: maxX is 0 (no vertex has a positive X), or so small (1e-310, say)
// that ViewWidth / maxX overflows.
bool SetScales(SceneView& view, double maxX);

// The surface point in twips (y down) of the data point p, with the scales of the current
// drawing: (ScaleX * p.X, ViewHeight - ScaleY * p.Y). The result may lie far outside the
// surface or, for coordinates near the double range, be infinite or NaN; the caller decides
// what to do with such a point. Inline: a drawing maps up to a million vertices.
inline PointD ToScreen(const SceneView& view, PointD p)
{
    return {view.ScaleX * p.X, view.ViewHeight - view.ScaleY * p.Y};
}

// The radius in twips of a vertex dot, by the profile's whole vertex count (not by how many
// are drawn): 45 up to 20 vertices (0 and negative counts too), 30 up to 100, 15 up to 500,
// else 0.
std::int16_t PointRadius(std::int32_t pointCount);
