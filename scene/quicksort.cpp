#include "scene/quicksort.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

// Scans by stepping through the records one at a time: the fast way on ordinary input.
//
// These scans read the storage without the per-index check, which costs a tenth of the
// ordering's time. They cannot leave the range being partitioned, whose ends were checked
// on entry: the pivot record stops the first scans, and each exchanged record stops the
// later ones (with NaNs too, since every comparison with one is false).
class WalkingScans {
public:
    explicit WalkingScans(PointArray& pts) : m_first(&pts(1)) {}

    std::int32_t FirstNotBelow(std::int32_t i, double pivot)
    {
        while (Record(i).X < pivot)
            ++i;
        return i;
    }
    std::int32_t LastNotAbove(std::int32_t j, double pivot)
    {
        while (Record(j).X > pivot)
            --j;
        return j;
    }
    void Exchange(std::int32_t i, std::int32_t j) { std::swap(Record(i), Record(j)); }

private:
    PointD& Record(std::int32_t index) { return m_first[index - 1]; }

    PointD* m_first;
};

// Scans that jump: a segment tree holds the largest and the smallest X of every node over
// pts(lo..hi), so the next record at or above (at or below) the pivot is found in
// O(log n) however far away it lies. Exchanges keep the tree current.
class JumpingScans {
public:
    JumpingScans(PointArray& pts, std::int32_t lo, std::int32_t hi)
        : m_pts(pts)
        , m_first(lo)
        , m_leaves(static_cast<std::int32_t>(std::bit_ceil(static_cast<std::uint32_t>(hi - lo + 1))))
        , m_largest(2 * static_cast<std::size_t>(m_leaves), -std::numeric_limits<double>::infinity())
        , m_smallest(2 * static_cast<std::size_t>(m_leaves), std::numeric_limits<double>::infinity())
    {
        for (std::int32_t k = lo; k <= hi; ++k)
            m_largest[Leaf(k)] = m_smallest[Leaf(k)] = m_pts(k).X;
        for (std::size_t node = static_cast<std::size_t>(m_leaves) - 1; node >= 1; --node)
            Recompute(node);
    }

    std::int32_t FirstNotBelow(std::int32_t i, double pivot)
    {
        std::size_t node = Leaf(i);
        if (m_largest[node] < pivot) {
            node = NextToTheRight(node, [&](std::size_t n) { return m_largest[n] >= pivot; });
            while (node < static_cast<std::size_t>(m_leaves))
                node = m_largest[2 * node] >= pivot ? 2 * node : 2 * node + 1;
        }
        return Index(node);
    }
    std::int32_t LastNotAbove(std::int32_t j, double pivot)
    {
        std::size_t node = Leaf(j);
        if (m_smallest[node] > pivot) {
            node = NextToTheLeft(node, [&](std::size_t n) { return m_smallest[n] <= pivot; });
            while (node < static_cast<std::size_t>(m_leaves))
                node = m_smallest[2 * node + 1] <= pivot ? 2 * node + 1 : 2 * node;
        }
        return Index(node);
    }
    void Exchange(std::int32_t i, std::int32_t j)
    {
        std::swap(m_pts(i), m_pts(j));
        for (const std::int32_t k : {i, j}) {
            std::size_t node = Leaf(k);
            m_largest[node] = m_smallest[node] = m_pts(k).X;
            for (node /= 2; node >= 1; node /= 2)
                Recompute(node);
        }
    }

private:
    std::size_t Leaf(std::int32_t index) const
    {
        return static_cast<std::size_t>(m_leaves) + static_cast<std::size_t>(index - m_first);
    }
    std::int32_t Index(std::size_t leaf) const
    {
        return m_first + static_cast<std::int32_t>(leaf - static_cast<std::size_t>(m_leaves));
    }
    void Recompute(std::size_t node)
    {
        m_largest[node] = std::max(m_largest[2 * node], m_largest[2 * node + 1]);
        m_smallest[node] = std::min(m_smallest[2 * node], m_smallest[2 * node + 1]);
    }
    // The nearest node right (left) of `node`'s subtree that `holds`. The pivot record
    // stops every scan inside the range, so running out of tree means X held a NaN.
    template <class Holds>
    static std::size_t NextToTheRight(std::size_t node, Holds holds)
    {
        do {
            while (node > 1 && node % 2 == 1)
                node /= 2;
            if (node <= 1)
                throw std::logic_error("QuickSort: a scan ran past its range");
            ++node;
        } while (!holds(node));
        return node;
    }
    template <class Holds>
    static std::size_t NextToTheLeft(std::size_t node, Holds holds)
    {
        do {
            while (node > 1 && node % 2 == 0)
                node /= 2;
            if (node <= 1)
                throw std::logic_error("QuickSort: a scan ran past its range");
            --node;
        } while (!holds(node));
        return node;
    }

    PointArray& m_pts;
    std::int32_t m_first;
    std::int32_t m_leaves;
    std::vector<double> m_largest;
    std::vector<double> m_smallest;
};

// Ranges this short are ordered by insertion into a local copy when their keys are all
// distinct: then every correct ordering is the same one, and insertion is quicker than
// partitioning. Equal keys leave the range to the partition, which alone decides their order.
constexpr std::int32_t ShortRange = 32;

bool OrderedByInsertionIfDistinct(PointArray& pts, std::int32_t lo, std::int32_t hi)
{
    PointD copy[ShortRange];
    const std::int32_t length = hi - lo + 1;
    for (std::int32_t k = 0; k < length; ++k) {
        const PointD record = pts(lo + k);
        std::int32_t at = k;
        for (; at > 0 && record.X < copy[at - 1].X; --at)
            copy[at] = copy[at - 1];
        if (at > 0 && !(copy[at - 1].X < record.X))
            return false;
        copy[at] = record;
    }
    for (std::int32_t k = 0; k < length; ++k)
        pts(lo + k) = copy[k];
    return true;
}

int SwitchDepth(std::int32_t lo, std::int32_t hi)
{
    return 2 * std::bit_width(static_cast<std::uint32_t>(hi - lo + 1)) + 16;
}

// One partition of pts(lo..hi) as the ordering defines it. Returns the final (i, j).
template <class Scans>
std::pair<std::int32_t, std::int32_t> Partition(PointArray& pts, Scans& scans, std::int32_t lo,
                                                std::int32_t hi)
{
    std::int32_t i = lo;
    std::int32_t j = hi;
    const double pivot = pts(MiddleIndex(lo, hi)).X;
    do {
        i = scans.FirstNotBelow(i, pivot);
        j = scans.LastNotAbove(j, pivot);
        if (i <= j) {
            scans.Exchange(i, j);
            ++i;
            --j;
        }
    } while (i <= j);
    return {i, j};
}

// `depth` counts down the partitions left before the walking scans give way to jumping ones.
// The jumping scans' tree must see every change of the records, so short ranges are only
// taken out of the partition while walking.
template <class Scans>
void Sort(PointArray& pts, Scans& scans, std::int32_t lo, std::int32_t hi, int depth)
{
    while (lo <= hi) {
        if constexpr (std::is_same_v<Scans, WalkingScans>) {
            if (hi - lo < ShortRange && OrderedByInsertionIfDistinct(pts, lo, hi))
                return;
            if (depth-- == 0) {
                JumpingScans jumping(pts, lo, hi);
                Sort(pts, jumping, lo, hi, 0);
                return;
            }
        }
        const auto [i, j] = Partition(pts, scans, lo, hi);
        const bool lowerHasWork = lo < j;
        const bool upperHasWork = i < hi;
        if (j - lo < hi - i) {
            if (lowerHasWork)
                Sort(pts, scans, lo, j, depth);
            if (!upperHasWork)
                return;
            lo = i;
        } else {
            if (upperHasWork)
                Sort(pts, scans, i, hi, depth);
            if (!lowerHasWork)
                return;
            hi = j;
        }
    }
}

} // namespace

std::int32_t MiddleIndex(std::int32_t lo, std::int32_t hi)
{
    const std::int64_t sum = std::int64_t{lo} + hi;
    const std::int64_t below = sum >= 0 ? sum / 2 : (sum - 1) / 2;
    if (sum % 2 == 0)
        return static_cast<std::int32_t>(below);
    return static_cast<std::int32_t>(below % 2 == 0 ? below : below + 1);
}

void detail::QuickSortSwitchingAtDepth(PointArray& pts, std::int32_t lo, std::int32_t hi, int depth)
{
    if (hi < lo)
        return;
    // Both ends are checked first: the jumping scans index their tree from them.
    pts(lo);
    pts(hi);
    WalkingScans walking(pts);
    Sort(pts, walking, lo, hi, depth);
}

void QuickSort(PointArray& pts, std::int32_t lo, std::int32_t hi)
{
    detail::QuickSortSwitchingAtDepth(pts, lo, hi, hi < lo ? 0 : SwitchDepth(lo, hi));
}
