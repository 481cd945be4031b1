#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>

// A point of the profile, the tower or the island, y growing upward; or, once mapped by the
// view transform, a place on the drawing surface in twips, y growing downward. Copied whole.
struct PointD {
    double X = 0.0;
    double Y = 0.0;
};

inline constexpr std::int32_t MaxPoints = 1'000'000;

// Thrown for an index outside 1..MaxPoints: the storage is never read or written there.
class SubscriptOutOfRange : public std::out_of_range {
public:
    explicit SubscriptOutOfRange(std::int64_t index);
};

// The vertex storage: MaxPoints records, indices 1..MaxPoints, zero-filled once when it is
// created. Loads write into it in place; nothing ever grows, shrinks or clears it, so the
// records beyond a smaller data set keep what an earlier, larger one left there.
class PointArray {
public:
    PointArray();
    PointArray(const PointArray&) = delete;
    PointArray& operator=(const PointArray&) = delete;

    // Checked access; throws SubscriptOutOfRange outside 1..MaxPoints.
    PointD& operator()(std::int64_t index)
    {
        // One unsigned comparison covers both ends: an index below 1 wraps to a huge value.
        if (static_cast<std::uint64_t>(index - 1) >= static_cast<std::uint64_t>(MaxPoints)) [[unlikely]]
            throw SubscriptOutOfRange(index);
        return m_records[static_cast<std::size_t>(index - 1)];
    }
    const PointD& operator()(std::int64_t index) const
    {
        return const_cast<PointArray&>(*this)(index);
    }

private:
    std::unique_ptr<PointD[]> m_records;
};

// The extents a load finds: the largest X and Y of its vertices, but never below 0 and 0.1.
// They do not depend on the vertices' order, so a load may gather them as it reads.
struct VertexExtents {
    double MaxX = 0.0;
    double MaxY = 0.1;

    void Include(const PointD& vertex)
    {
        if (vertex.X > MaxX)
            MaxX = vertex.X;
        if (vertex.Y > MaxY)
            MaxY = vertex.Y;
    }
    void Include(const VertexExtents& other)
    {
        Include(PointD{other.MaxX, other.MaxY});
    }
};

// Everything the window shows, in one place: the data set of the last load, the size of the
// drawing area and the scales of the last drawing. The window owns the only instance and its
// handlers, the load and the drawing change its fields directly.
struct SceneState {
    PointArray Points;
    PointD Tower;
    PointD Island;
    // The drawing area in twips, inside the surface's margin. Never 0 or below once the window
    // has been sized, so the scales below are always defined.
    double ViewWidth = 0.0;
    double ViewHeight = 0.0;
    // The extent the drawing fits to the area, from 0 on both axes. MaxX is 0 when no vertex
    // lies right of the axis, which leaves nothing to scale to. MaxY is at least 0.1, so the
    // height always scales; cmdDrawTower may raise it to the tower's height, and MountainMaxY
    // keeps the value a load found, so cmdDraw can go back to it exactly.
    double MaxX = 0.0;
    double MaxY = 0.0;
    double MountainMaxY = 0.0;
    std::int32_t PointCount = 0;
    // Twips per data unit, set at the start of every drawing and read by ToScreen.
    double ScaleX = 0.0;
    double ScaleY = 0.0;
    // False from a drop until its load has fully succeeded: nothing draws a scene that is
    // missing or half read.
    bool HaveData = false;
    // Whether a drawing ends with the two markers, for tower and island.
    bool ShowTower = false;
};

// The window's two views of a loaded scene, as its buttons choose them and as a picture file
// shows the second: the profile alone, scaled to the height the load found, or with the
// tower and the island, the height raised to the tower's top when that stands higher.
void ViewMountainsOnly(SceneState& scene);
void ViewTowerAndIsland(SceneState& scene);
