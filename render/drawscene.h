#pragma once

#include "render/drawingsurface.h"
#include "scene/scenestate.h"

#include <string>

// What the window's controls say at the moment of a drawing: the text of txtMaxPoint and
// the Value (0 clear, 1 ticked, 2 greyed) of chkLine1 and chkLine2.
struct DrawInputs {
    std::string MaxPointText;
    int Line1Value = 0;
    int Line2Value = 0;
};

enum class DrawOutcome {
    NotLoaded,   // HaveData is false: the surface was not touched at all
    Drawn,
    NoPositiveX, // MaxX is 0: the surface was cleared and nothing more drawn
    XTooNarrow,  // MaxX so small that the horizontal scale overflows: cleared as for NoPositiveX
};

// Repaints the whole scene on surface: clears it, sets the scales, then draws about as many
// vertices as MaxPointText asks for (every SampleStep-th from vertex 1) as dots joined by the
// profile, each dot before the segment that ends at it; then, for a check box whose Value is
// exactly 1, dotted sight lines from the tower (blue) and from the island (red) to every drawn
// vertex; then, with ShowTower, the tower's and the island's markers.
//
// - A text asking for 0 vertices asks for 1; one beyond the 32-bit range asks for its bound.
//   A step of 0 (a text of -2 x PointCount or less) draws no vertex and no sight line.
// - A point whose surface coordinates overflow single precision (a tower at 1e308) is left
//   out with everything that ends at it: its dot, its segments, its sight lines, its marker.
// - DrawStyle and FillColor are 0 whenever it returns, also when it throws.
// Writes only ScaleX and ScaleY of scene. Throws SubscriptOutOfRange when PointCount exceeds
// MaxPoints, after drawing what lies within the storage.
DrawOutcome DrawScene(SceneState& scene, DrawingSurface& surface, const DrawInputs& inputs);
