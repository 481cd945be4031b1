#include "scene/quicksort.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <stdexcept>
#include <utility>
#include <vector>

// Read from the top: the partition and the loop over its two sides come first, in their plain
// form, and they alone decide where each record ends up. The two shortcuts after them only
// make long and awkward inputs fast; each leaves every record where the plain form puts it.

std::int32_t MiddleIndex(std::int32_t lo, std::int32_t hi)
{
    const std::int64_t sum = std::int64_t{lo} + hi;
    const std::int64_t below = sum >= 0 ? sum / 2 : (sum - 1) / 2;
    if (sum % 2 == 0)
        return static_cast<std::int32_t>(below);
    return static_cast<std::int32_t>(below % 2 == 0 ? below : below + 1);
}

namespace {

// The partition's scans, stepping from record to record.
//
// They read the storage without the per-index check, which would cost a tenth of the
// ordering's time. They cannot leave the range being partitioned, whose ends QuickSort checks
// on entry: the pivot record stops the first scans and each exchanged record the later ones
// (with NaNs too, since every comparison with one is false).
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

// Where a partition leaves pts(lo..hi): X at or below the pivot in lo..lowerEnd, at or above
// it in upperStart..hi. Records between the two sides equal the pivot and are in place.
struct Sides {
    std::int32_t lowerEnd;
    std::int32_t upperStart;
};

// One partition of pts(lo..hi) around the X of its middle record, read once before anything
// moves. Both scans stop at a record equal to the pivot and exchange it, so records with equal
// keys land on both sides: this, not ascending X alone, fixes the final order of equal keys.
template <class Scans>
Sides Partition(PointArray& pts, Scans& scans, std::int32_t lo, std::int32_t hi)
{
    const double pivot = pts(MiddleIndex(lo, hi)).X;
    std::int32_t i = lo;
    std::int32_t j = hi;
    do {
        i = scans.FirstNotBelow(i, pivot);
        j = scans.LastNotAbove(j, pivot);
        if (i <= j)
            scans.Exchange(i++, j--);
    } while (i <= j);
    return {j, i};
}

// Orders pts(lo..hi): a partition, then each side of two records or more. The sides are
// disjoint, so the order in which they are taken changes nothing; the smaller one goes by
// recursion and the larger one round the loop, which keeps the call depth below log2 of the
// length however unevenly the partitions fall.
//
// `shortcut(lo, hi)` may order a range by other means before it is partitioned, and says
// whether it did. It is passed down by value, so each range sees the state its own caller had.
template <class Scans, class Shortcut>
void OrderRange(PointArray& pts, Scans& scans, std::int32_t lo, std::int32_t hi, Shortcut shortcut)
{
    while (lo < hi && !shortcut(lo, hi)) {
        const Sides sides = Partition(pts, scans, lo, hi);
        if (sides.lowerEnd - lo < hi - sides.upperStart) {
            if (lo < sides.lowerEnd)
                OrderRange(pts, scans, lo, sides.lowerEnd, shortcut);
            lo = sides.upperStart;
        } else {
            if (sides.upperStart < hi)
                OrderRange(pts, scans, sides.upperStart, hi, shortcut);
            hi = sides.lowerEnd;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Shortcut for short ranges: insertion when the keys are all distinct.
//
// Distinct keys have only one ascending arrangement, so insertion gives exactly what further
// partitions would, only sooner. Equal keys are left to the partition, which alone decides
// their order. tst_quicksort's matchesThePlainRecursiveOrder holds this to the plain form on
// many short ranges crowded with equal keys.

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

// ---------------------------------------------------------------------------------------------
// Shortcut for deep ranges: scans that jump instead of walking.
//
// Some inputs (an organ pipe 0..n/2-1, n/2..1 among them) make each partition split off only a
// few records, so walking scans cost the whole range at every level: quadratic time. Past a
// depth no balanced input reaches, a range is handed to scans that find the next record at or
// above (at or below) the pivot through a min/max tree over X in O(log n), however far away it
// lies. They stop at the same records as the walking scans, so the partitions, and with them
// the order, are the same. matchesThePlainRecursiveOrder's "jumping scans throughout" and
// "switching midway" rows prove it record for record.

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

// The jumping scans' tree must see every change of the records, so a deep range is ordered to
// its end with them and without the short-range shortcut.
void OrderDeepRange(PointArray& pts, std::int32_t lo, std::int32_t hi)
{
    JumpingScans jumping(pts, lo, hi);
    OrderRange(pts, jumping, lo, hi, [](std::int32_t, std::int32_t) { return false; });
}

// The shortcuts taken while the scans walk. A copy goes down with each range, so the
// countdown counts the partitions above that range.
class WalkingShortcuts {
public:
    WalkingShortcuts(PointArray& pts, int partitionsBeforeJumping)
        : m_pts(&pts)
        , m_partitionsLeft(partitionsBeforeJumping)
    {
    }

    bool operator()(std::int32_t lo, std::int32_t hi)
    {
        if (hi - lo < ShortRange && OrderedByInsertionIfDistinct(*m_pts, lo, hi))
            return true;
        if (m_partitionsLeft-- > 0)
            return false;
        OrderDeepRange(*m_pts, lo, hi);
        return true;
    }

private:
    PointArray* m_pts;
    int m_partitionsLeft;
};

// Balanced partitions need about log2(n) levels; twice that and a margin is reached only by
// inputs that split badly again and again.
int PartitionsBeforeJumping(std::int32_t lo, std::int32_t hi)
{
    return 2 * std::bit_width(static_cast<std::uint32_t>(hi - lo + 1)) + 16;
}

} // namespace

void QuickSort(PointArray& pts, std::int32_t lo, std::int32_t hi)
{
    detail::QuickSortJumpingAfter(pts, lo, hi, hi < lo ? 0 : PartitionsBeforeJumping(lo, hi));
}

void detail::QuickSortJumpingAfter(PointArray& pts, std::int32_t lo, std::int32_t hi,
                                   int partitions)
{
    if (hi < lo)
        return;
    // Both ends are checked here, once: the scans rely on it.
    pts(lo);
    pts(hi);
    WalkingScans walking(pts);
    OrderRange(pts, walking, lo, hi, WalkingShortcuts(pts, partitions));
}
