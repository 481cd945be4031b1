#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>

// A point of the profile, the tower or the island, y growing upward; or, once mapped by the
// view transform, a place on the drawing surface in twips, y growing downward. Copied whole.
struct PointD {
    double X = 0.0;
    double Y = 0.0;

    bool operator==(const PointD&) const = default;
};

inline constexpr std::int32_t MaxPoints = 1'000'000;

// Thrown for an index outside 1..MaxPoints: the storage is never read or written there.
class SubscriptOutOfRange : public std::out_of_range {
public:
    explicit SubscriptOutOfRange(std::int64_t index);
};

// The vertex storage: MaxPoints records, indices 1..MaxPoints, zero-filled when it is created.
// A load writes into the storage of the profile it builds; nothing grows or shrinks it.
//
// The storage of the last one let go is kept back for the next one made, from any thread:
// mapping fresh memory costs a page fault every 4 KiB, about a tenth of a load of a million
// vertices, while zeroing memory already mapped costs little.
class PointArray {
public:
    PointArray();
    ~PointArray();
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

// A solved data set as one load produces it: the vertices ordered by X, the tower and the
// island of the answer, and the extents of the vertices. A load builds it whole and hands it
// over as an owned object; from then on it is only read, so it may be handed on freely
// between threads once the load has returned.
struct LoadedProfile {
    PointArray Points;
    std::int32_t PointCount = 0;
    PointD Tower;
    PointD Island;
    // MaxX is 0 when no vertex lies right of the axis, which leaves nothing to scale to;
    // MaxY is at least 0.1, so the height always scales.
    VertexExtents Extents;
};
