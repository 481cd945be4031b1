#pragma once

#include "render/drawingsurface.h"
#include "render/drawscene.h"
#include "render/viewtransform.h"
#include "scene/profile.h"

#include <optional>

// What is wrong with an answer's tower or island, as places on the profile to mark: numbers
// only, taken from the verdict by whoever judged the answer.
struct PlacementMarks {
    struct Slope {
        PointD From;
        PointD To;
        bool operator==(const Slope&) const = default;
    };
    // The slope the point does not see, when that is what is wrong.
    std::optional<Slope> UnseenSlope;
    // Where the answer put the point; none when its coordinates are not finite.
    std::optional<PointD> Given;
    // The lowest place it could have been put.
    PointD Best;
    // The tower's only: the ground's y below Best, where its vertical line ends.
    std::optional<double> GroundBelowBest;

    bool operator==(const PlacementMarks&) const = default;
};

// None for a placement that is right.
struct FailureMarks {
    std::optional<PlacementMarks> Tower;
    std::optional<PlacementMarks> Island;

    bool Any() const { return Tower || Island; }
    // The slope the tower does not see, else the one the island does not see, or none.
    const PlacementMarks::Slope* FirstUnseenSlope() const
    {
        for (const std::optional<PlacementMarks>* placement : {&Tower, &Island}) {
            if (*placement && (*placement)->UnseenSlope)
                return &*(*placement)->UnseenSlope;
        }
        return nullptr;
    }
    bool operator==(const FailureMarks&) const = default;
};

// The marks' own colour, which nothing else in the picture uses: orange.
inline constexpr Colour MarkColour = 0x0060E0;

// Draws `marks` with the scales of the drawing just made through `view`, the tower's first:
// the unseen slope as a line 3 pixels wide in MarkColour, each of its ends ringed; then the
// best place as a hollow circle in the marker's colour, for the tower with a vertical line
// from it down to the ground. A point that cannot be mapped leaves out what touches it.
// Leaves DrawWidth at 1 and FillStyle solid, also when it throws.
void DrawMarks(const SceneView& view, const FailureMarks& marks, DrawingSurface& surface);

// Raises the height a view fits when a best place of `marks` lies above it, so that the
// circle where a tower or island too low belongs is drawn whole, a ring's radius below the
// top edge, rather than above the picture.
void FitBestPlaces(SceneView& view, const FailureMarks& marks);

// DrawScene, then, when `marks` is given and the profile was drawn, DrawMarks on top: the one
// drawing of the window's picture and of picture files. A view showing the markers is first
// raised by FitBestPlaces, and stays so.
DrawOutcome DrawMarkedScene(const LoadedProfile* profile, SceneView& view,
    DrawingSurface& surface, const DrawOptions& options, const FailureMarks* marks);

// The range that frames the first wrong placement, the tower's before the island's: the
// unseen slope's ends and the given point, or the given point and the best (for the tower,
// down to the ground below it). An axis whose
// points nearly coincide is widened to a quarter of the other's share of `whole`, so a
// vertical or flat problem is not drawn as a sliver; a single point gets 1/64 of the whole
// around it. An eighth of the framed extent is added on each side and the result fitted
// into `whole` as ZoomTo fits it. None when nothing is wrong or `whole` has no extent.
std::optional<DataRange> ProblemRange(const FailureMarks& marks, const DataRange& whole);

// The range that shows the first unseen slope close up, the tower's before the island's,
// however far it lies from the point that misses it (a slope of two vertices 1e-6 apart is a
// dot in the problem's frame): each axis its own extent and an eighth more on each side, a
// flat or vertical slope as much across as along, fitted into `whole` as ZoomTo fits it.
// None when no placement misses a slope.
std::optional<DataRange> UnseenSlopeRange(const FailureMarks& marks, const DataRange& whole);
