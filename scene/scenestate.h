#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>

// A vertex, the tower or the island in data units (y up), or a surface point in twips
// (y down) when it comes out of the view transform. Always moved as a whole record.
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

// The loaded data set and the view. The window owns the one instance; loading, drawing and
// the window's handlers work on these fields in place.
struct SceneState {
    PointArray Points;
    PointD Tower;
    PointD Island;
    double ViewWidth = 0.0;     // usable surface width in twips, always > 0 once sized
    double ViewHeight = 0.0;    // usable surface height in twips, always > 0 once sized
    double MaxX = 0.0;          // largest vertex X, or 0 when no vertex has a positive X
    double MaxY = 0.0;          // vertical extent the drawing is scaled to
    double MountainMaxY = 0.0;  // MaxY as the last load computed it from the vertices alone
    std::int32_t PointCount = 0;
    double ScaleX = 0.0;        // twips per data unit across, as of the last drawing
    double ScaleY = 0.0;        // twips per data unit upward, as of the last drawing
    bool HaveData = false;      // a complete data set is loaded and may be drawn
    bool ShowTower = false;     // the tower and island markers are drawn
};
