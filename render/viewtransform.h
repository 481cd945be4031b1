#pragma once

#include "scene/scenestate.h"

#include <cstdint>

// Surfaces and windows are measured in twips, 1/1440 inch: 15 to a logical pixel.
inline constexpr int TwipsPerPixel = 15;

// The part of a surface extent (twips) that data is spread over, ViewWidth or ViewHeight: the
// extent less a 120-twip border, and 1 when nothing is left, so the scale never divides by
// zero or flips.
double UsableExtent(double surfaceExtent);

// Sets ScaleX = ViewWidth / MaxX and ScaleY = ViewHeight / MaxY for the drawing about to be
// made. Returns false, and leaves both scales as they were, when there is no horizontal
// scale to draw with: MaxX is 0 (no vertex has a positive X), or so small (1e-310, say)
// that ViewWidth / MaxX overflows.
bool SetScales(SceneState& scene);

// The surface point in twips (y down) of the data point p, with the scales of the current
// drawing: (ScaleX * p.X, ViewHeight - ScaleY * p.Y). The result may lie far outside the
// surface or, for coordinates near the double range, be infinite or NaN; the caller decides
// what to do with such a point. Inline: a drawing maps up to a million vertices.
inline PointD ToScreen(const SceneState& scene, PointD p)
{
    return {scene.ScaleX * p.X, scene.ViewHeight - scene.ScaleY * p.Y};
}

// The radius in twips of a vertex dot, by the whole PointCount (not by how many are drawn):
// 45 up to 20 vertices (0 and negative counts too), 30 up to 100, 15 up to 500, else 0.
std::int16_t PointRadius(const SceneState& scene);
