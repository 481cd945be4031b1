#pragma once

#include "render/drawingsurface.h"
#include "scene/scenestate.h"

#include <string>

// The state of the window's controls that a drawing reads, taken afresh for each drawing:
// txtMaxPoint's text and the check state of chkLine1 and chkLine2 (0 unticked, 1 ticked,
// 2 neither, which draws no sight lines).
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

// Draws the scene afresh on surface: clears it, sets the scales, then takes every
// SampleStep-th vertex from vertex 1, about as many in all as MaxPointText asks for, as dots
// joined by the profile, each dot drawn before the stroke that reaches it. A check box whose
// state is exactly 1 adds dotted sight lines to each of those vertices, blue from the tower
// and then red from the island; ShowTower then adds the two markers, the island's on top.
//
// - A text asking for 0 vertices asks for 1; one beyond the 32-bit range asks for its bound.
//   A step of 0 (a text of -2 x PointCount or less) draws no vertex and no sight line.
// - A point whose surface coordinates overflow single precision (a tower at 1e308) is left
//   out with everything that ends at it: its dot, its segments, its sight lines, its marker.
// - DrawStyle and FillColor are 0 whenever it returns, also when it throws.
// Writes only ScaleX and ScaleY of scene. Throws SubscriptOutOfRange when PointCount exceeds
// MaxPoints, after drawing what lies within the storage.
DrawOutcome DrawScene(SceneState& scene, DrawingSurface& surface, const DrawInputs& inputs);
