#include "scene/quicksort.h"

#include "scene/radixsort.h"
#include "scene/stoprequest.h"

#include <algorithm>
#include <bit>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <limits>
#include <stdexcept>
#include <utility>
#include <vector>

// Read from the top: the partition and the loop over its two sides come first, in their plain
// form, and they alone decide where each record ends up. The accelerations follow in a section
// of their own; they make long and awkward inputs fast and change no record's place.

std::int32_t MiddleIndex(std::int32_t lo, std::int32_t hi)
{
    const std::int64_t sum = std::int64_t{lo} + hi;
    const std::int64_t below = sum >= 0 ? sum / 2 : (sum - 1) / 2;
    if (sum % 2 == 0)
        return static_cast<std::int32_t>(below);
    return static_cast<std::int32_t>(below % 2 == 0 ? below : below + 1);
}

namespace {

// Records by index from 1, read and written without the per-index check, which would cost a
// tenth of the ordering's time. The ends of every range are checked once, on entry; nothing
// here leaves a range it was given.
class Records {
public:
    explicit Records(PointD* first) : m_first(first) {}
    PointD& operator()(std::int32_t index) const { return m_first[index - 1]; }

private:
    PointD* m_first;
};

// ---------------------------------------------------------------------------------------------
// The plain form.

// The partition's scans, stepping from record to record. They cannot leave the range being
// partitioned: the pivot record stops the first scans and each exchanged record the later ones
// (with NaNs too, since every comparison with one is false).
class WalkingScans {
public:
    explicit WalkingScans(Records pts) : m_records(pts) {}

    void Begin(std::int32_t, std::int32_t, double) {}
    // Exchanges stops found a block at a time while the scans are far apart (below).
    void ExchangeAhead(std::int32_t& i, std::int32_t& j, double pivot);

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
    static constexpr int Block = 64;

    PointD& Record(std::int32_t index) { return m_records(index); }

    Records m_records;
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
// `scans` finds the stops and makes the exchanges; Begin and ExchangeAhead let faster scans
// prepare and make the first exchanges at once.
template <class Scans>
Sides Partition(Records pts, Scans& scans, std::int32_t lo, std::int32_t hi)
{
    const double pivot = pts(MiddleIndex(lo, hi)).X;
    scans.Begin(lo, hi, pivot);
    std::int32_t i = lo;
    std::int32_t j = hi;
    scans.ExchangeAhead(i, j, pivot);
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
void OrderRange(Records pts, Scans& scans, std::int32_t lo, std::int32_t hi, Shortcut shortcut)
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
// The accelerations: stops found a block at a time, insertion for short ranges of distinct
// keys, an index by X for ranges that the partition drives deep, and the depth bound that
// switches to it.
//
// None of them moves a record anywhere the plain form would not. The block exchanges make the
// very exchanges the scans would, in the same pairs; insertion is tried only on distinct keys,
// which have a single ascending arrangement; the indexed scans stop exactly where the walking
// scans do, so the bound that hands a range to them changes nothing either. tst_quicksort's
// matchesThePlainRecursiveOrder proves it record for record against a plain recursive
// rendering, on short ranges crowded with equal keys and on organ pipes, with the index taken
// from the first partition, midway, or after one lopsided partition.

// ---------------------------------------------------------------------------------------------
// Stops found a block at a time.

// While the scans are far apart, the records that stop them are found a block at a time,
// without a branch per record, and exchanged in pairs: the k-th stop of the upward scan
// with the k-th of the downward one, as the scans would, since neither scan reads a
// record that an exchange has changed before they meet. Leaves i and j where the scans
// resume, short of where they meet, which the scans find record by record.
void WalkingScans::ExchangeAhead(std::int32_t& i, std::int32_t& j, double pivot)
{
    std::uint8_t upward[Block];
    std::uint8_t downward[Block];
    int upwardCount = 0;
    int downwardCount = 0;
    int upwardNext = 0;
    int downwardNext = 0;
    std::int32_t upwardBase = i;
    std::int32_t downwardBase = j;
    while (j - i + 1 >= 2 * Block) {
        if (upwardNext == upwardCount) {
            upwardBase = i;
            upwardCount = upwardNext = 0;
            for (int k = 0; k < Block; ++k) {
                upward[upwardCount] = static_cast<std::uint8_t>(k);
                upwardCount += !(Record(upwardBase + k).X < pivot);
            }
        }
        if (downwardNext == downwardCount) {
            downwardBase = j;
            downwardCount = downwardNext = 0;
            for (int k = 0; k < Block; ++k) {
                downward[downwardCount] = static_cast<std::uint8_t>(k);
                downwardCount += !(Record(downwardBase - k).X > pivot);
            }
        }
        const int pairs = std::min(upwardCount - upwardNext, downwardCount - downwardNext);
        for (int k = 0; k < pairs; ++k)
            Exchange(upwardBase + upward[upwardNext + k], downwardBase - downward[downwardNext + k]);
        upwardNext += pairs;
        downwardNext += pairs;
        i = upwardNext < upwardCount ? upwardBase + upward[upwardNext] : upwardBase + Block;
        j = downwardNext < downwardCount ? downwardBase - downward[downwardNext] : downwardBase - Block;
    }
}

// ---------------------------------------------------------------------------------------------
// Short ranges: insertion when the keys are all distinct. Equal keys are left to the
// partition, which alone decides their order.

constexpr std::int32_t ShortRange = 32;

bool OrderedByInsertionIfDistinct(Records pts, std::int32_t lo, std::int32_t hi)
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
// Deep ranges: partitions that visit only the records that stop a scan.
//
// Some inputs (an organ pipe 0..n/2-1, n/2..1 among them) make each partition split off only a
// few records, so walking scans cost the whole range at every level: quadratic time. Such a
// partition is lopsided for a reason: when its upper side is small, every record at or above
// the pivot ends on that side or between the sides (the upward scan stops at each one it
// passes and sends it beyond the downward scan), so there are few of them; mirrored for a
// small lower side. A range that the partition keeps driving deep is therefore indexed once:
// its X in ascending order, each with the place of its record, kept up to date by every
// exchange. Any sub-range holds exactly the X of its stretch of that order, so the records at
// or above a pivot are found at the top of the stretch, and counted, without a scan.
//
// Where those records are few, the upward scan goes from one of them to the next (or to the
// place an exchange just sent one), and the downward scan, which passes only records above the
// pivot, walks; mirrored where the records at or below the pivot are few. Elsewhere both scans
// walk, and the partition splits its range into two large sides.

// Sub-ranges shorter than this leave the index: they are ordered apart, as any range is.
constexpr std::int32_t UnindexedBelow = ShortRange;

class IndexedScans {
public:
    IndexedScans(Records pts, std::int32_t lo, std::int32_t hi)
        : m_walking(pts)
        , m_lo(lo)
    {
        const auto count = static_cast<std::size_t>(hi - lo) + 1;
        // The radix sort orders records; each carries its place in its Y.
        std::vector<PointD> keyed(count);
        std::vector<PointD> spare(count);
        for (std::size_t k = 0; k < count; ++k)
            keyed[k] = {pts(lo + static_cast<std::int32_t>(k)).X, static_cast<double>(k)};
        const PointD* ordered = RadixSortByX(keyed.data(), spare.data(), keyed.data(), count);
        m_ordered.resize(count);
        m_places.resize(count);
        m_rankAt.resize(count);
        for (std::size_t rank = 0; rank < count; ++rank) {
            const auto place = static_cast<std::int32_t>(ordered[rank].Y);
            m_ordered[rank] = ordered[rank].X;
            m_places[rank] = place;
            m_rankAt[static_cast<std::size_t>(place)] = static_cast<std::int32_t>(rank);
        }
    }

    void ExchangeAhead(std::int32_t&, std::int32_t&, double) {}

    void Begin(std::int32_t lo, std::int32_t hi, double pivot)
    {
        m_mode = Mode::Walking;
        m_stops.clear();
        m_nextStop = 0;
        m_moved.reset();
        const std::int32_t few = (hi - lo + 1) / 4;
        const std::int32_t first = lo - m_lo;
        const std::int32_t last = hi - m_lo;
        const std::int32_t notBelow = FirstRankNotBelow(first, last, pivot);
        if (last - notBelow + 1 <= few) {
            CollectStops(Mode::FewNotBelow, notBelow, last, lo, hi);
            return;
        }
        const std::int32_t notAbove = LastRankNotAbove(first, last, pivot);
        if (notAbove - first + 1 <= few)
            CollectStops(Mode::FewNotAbove, first, notAbove, lo, hi);
    }

    std::int32_t FirstNotBelow(std::int32_t i, double pivot)
    {
        if (m_mode != Mode::FewNotBelow)
            return m_walking.FirstNotBelow(i, pivot);
        while (m_nextStop < m_stops.size() && m_stops[m_nextStop] < i)
            ++m_nextStop;
        const std::int32_t listed = m_nextStop < m_stops.size() ? m_stops[m_nextStop] : NoStop;
        return m_moved && *m_moved < listed ? *m_moved : Found(listed);
    }

    std::int32_t LastNotAbove(std::int32_t j, double pivot)
    {
        if (m_mode != Mode::FewNotAbove)
            return m_walking.LastNotAbove(j, pivot);
        while (m_nextStop < m_stops.size() && m_stops[m_nextStop] > j)
            ++m_nextStop;
        const std::int32_t listed = m_nextStop < m_stops.size() ? m_stops[m_nextStop] : -NoStop;
        return m_moved && *m_moved > listed ? *m_moved : Found(listed);
    }

    // The record that lands at j stops a later upward scan; the one at i a later downward scan.
    void Exchange(std::int32_t i, std::int32_t j)
    {
        m_walking.Exchange(i, j);
        const auto at = [&](std::int32_t index) -> std::int32_t& {
            return m_rankAt[static_cast<std::size_t>(index - m_lo)];
        };
        std::swap(at(i), at(j));
        m_places[static_cast<std::size_t>(at(i))] = i - m_lo;
        m_places[static_cast<std::size_t>(at(j))] = j - m_lo;
        if (m_mode == Mode::FewNotBelow)
            m_moved = j;
        else if (m_mode == Mode::FewNotAbove)
            m_moved = i;
    }

private:
    enum class Mode {
        Walking,
        FewNotBelow, // the upward scan goes through m_stops, ascending
        FewNotAbove, // the downward scan goes through m_stops, descending
    };
    static constexpr std::int32_t NoStop = std::numeric_limits<std::int32_t>::max();
    static constexpr int NearTheEnd = 8;

    // Ranks first..last hold the X of one sub-range, ascending. Deep ranges mostly pivot near
    // an end of their stretch, so a few ranks there are tried before a binary search.
    std::int32_t FirstRankNotBelow(std::int32_t first, std::int32_t last, double pivot) const
    {
        std::int32_t rank = last;
        for (int step = 0; step < NearTheEnd && rank >= first; ++step, --rank) {
            if (Ordered(rank) < pivot)
                return rank + 1;
        }
        const auto begin = m_ordered.begin();
        return static_cast<std::int32_t>(std::lower_bound(begin + first, begin + rank + 1, pivot) - begin);
    }
    std::int32_t LastRankNotAbove(std::int32_t first, std::int32_t last, double pivot) const
    {
        std::int32_t rank = first;
        for (int step = 0; step < NearTheEnd && rank <= last; ++step, ++rank) {
            if (Ordered(rank) > pivot)
                return rank - 1;
        }
        const auto begin = m_ordered.begin();
        return static_cast<std::int32_t>(std::upper_bound(begin + rank, begin + last + 1, pivot) - begin) - 1;
    }
    double Ordered(std::int32_t rank) const { return m_ordered[static_cast<std::size_t>(rank)]; }

    // The places within lo..hi of the records ranked first..last, where the equal X at the
    // stretch's end may continue past it and belong to records outside lo..hi; in the order
    // the scan meets them.
    void CollectStops(Mode mode, std::int32_t first, std::int32_t last, std::int32_t lo,
                      std::int32_t hi)
    {
        const auto count = static_cast<std::int32_t>(m_ordered.size());
        if (mode == Mode::FewNotBelow) {
            while (last + 1 < count && Ordered(last + 1) == Ordered(last))
                ++last;
        } else {
            while (first > 0 && Ordered(first - 1) == Ordered(first))
                --first;
        }
        for (std::int32_t rank = first; rank <= last; ++rank) {
            const std::int32_t place = m_places[static_cast<std::size_t>(rank)] + m_lo;
            if (place >= lo && place <= hi)
                m_stops.push_back(place);
        }
        if (mode == Mode::FewNotBelow)
            std::sort(m_stops.begin(), m_stops.end());
        else
            std::sort(m_stops.begin(), m_stops.end(), std::greater<>());
        m_mode = mode;
    }

    // The pivot record, or one an exchange moved, always stops a scan within its range; only
    // a NaN X could make one run out.
    static std::int32_t Found(std::int32_t place)
    {
        if (place == NoStop || place == -NoStop)
            throw std::logic_error("QuickSort: a scan ran past its range");
        return place;
    }

    WalkingScans m_walking; // the scans where records are not few, and the exchanges
    std::int32_t m_lo;
    std::vector<double> m_ordered;      // X by rank, ascending
    std::vector<std::int32_t> m_places; // by rank: where the record is, from m_lo
    std::vector<std::int32_t> m_rankAt; // by place from m_lo: the rank of the record there
    Mode m_mode = Mode::Walking;
    std::vector<std::int32_t> m_stops;
    std::size_t m_nextStop = 0;
    std::optional<std::int32_t> m_moved;
};

// ---------------------------------------------------------------------------------------------
// Which acceleration a range takes, and the depth bound.

// What a range ordered by walking scans takes instead of its partition: insertion when it is
// short and its keys distinct, the index once it is deep. Checks for a stop request at every
// range. A copy goes down with each range, so its countdowns concern the ranges above it.
class WalkingShortcuts {
public:
    WalkingShortcuts(Records pts, detail::DeepRangeTrigger trigger, const std::stop_token* stop)
        : m_pts(pts)
        , m_stop(stop)
        , m_partitionsLeft(trigger.partitions)
        , m_lopsidedLeft(trigger.lopsidedInARow)
        , m_lopsidedInARow(trigger.lopsidedInARow)
    {
    }

    bool operator()(std::int32_t lo, std::int32_t hi);

private:
    Records m_pts;
    const std::stop_token* m_stop;
    int m_partitionsLeft;
    int m_lopsidedLeft;
    int m_lopsidedInARow;
    std::int32_t m_lastLength = std::numeric_limits<std::int32_t>::max();
    bool m_equalXBelow = false; // a short range above this one held equal X
};

// Whether a partition of a range of `length` records left a side of `longer` records that is
// nearly all of it. A middle pivot does so by chance one time in sixteen, so four times in a
// row is rare except on inputs that split badly again and again.
bool IsLopsided(std::int32_t length, std::int32_t longer)
{
    return longer > length - length / 32;
}
constexpr int LopsidedInARow = 4;

// Balanced partitions need about log2(n) levels; twice that and a margin is reached only by
// inputs that split badly again and again, and four lopsided partitions in a row show them
// sooner.
detail::DeepRangeTrigger DefaultTrigger(std::int32_t lo, std::int32_t hi)
{
    return {2 * static_cast<int>(std::bit_width(static_cast<std::uint32_t>(hi - lo + 1))) + 16,
            LopsidedInARow};
}

// Orders any range but the sub-ranges of an indexed one: walking scans, with the shortcuts
// that `trigger` tunes.
void OrderRecords(Records pts, std::int32_t lo, std::int32_t hi, detail::DeepRangeTrigger trigger,
                  const std::stop_token* stop)
{
    WalkingScans walking(pts);
    OrderRange(pts, walking, lo, hi, WalkingShortcuts(pts, trigger, stop));
}

// The index must see every exchange in the ranges it may still be asked about; short sides
// leave it and are ordered apart, where their exchanges no longer matter to it.
void OrderDeepRange(Records pts, std::int32_t lo, std::int32_t hi, const std::stop_token* stop)
{
    IndexedScans indexed(pts, lo, hi);
    OrderRange(pts, indexed, lo, hi, [&](std::int32_t subLo, std::int32_t subHi) {
        if (stop)
            ThrowIfStopRequested(*stop);
        if (subHi - subLo + 1 >= UnindexedBelow)
            return false;
        OrderRecords(pts, subLo, subHi, DefaultTrigger(subLo, subHi), stop);
        return true;
    });
}

bool WalkingShortcuts::operator()(std::int32_t lo, std::int32_t hi)
{
    if (m_stop)
        ThrowIfStopRequested(*m_stop);
    // The sides of a short range with equal X mostly hold equal X too: they are not tried.
    if (hi - lo < ShortRange && !m_equalXBelow) {
        if (OrderedByInsertionIfDistinct(m_pts, lo, hi))
            return true;
        m_equalXBelow = true;
    }
    const std::int32_t length = hi - lo + 1;
    const bool lopsided = IsLopsided(m_lastLength, length);
    m_lastLength = length;
    m_lopsidedLeft = lopsided ? m_lopsidedLeft - 1 : m_lopsidedInARow;
    if (m_partitionsLeft-- > 0 && m_lopsidedLeft > 0)
        return false;
    OrderDeepRange(m_pts, lo, hi, m_stop);
    return true;
}

// ---------------------------------------------------------------------------------------------
// The way in from PointArray: its indices checked once, at the ends of the range.

// The records of pts(lo..hi), both ends checked; none for an empty range.
std::optional<Records> CheckedRange(PointArray& pts, std::int32_t lo, std::int32_t hi)
{
    if (hi < lo)
        return std::nullopt;
    pts(lo);
    pts(hi);
    return Records(&pts(1));
}

void OrderChecked(PointArray& pts, std::int32_t lo, std::int32_t hi, detail::DeepRangeTrigger trigger,
                  const std::stop_token* stop)
{
    if (const std::optional<Records> records = CheckedRange(pts, lo, hi))
        OrderRecords(*records, lo, hi, trigger, stop);
}

// ---------------------------------------------------------------------------------------------
// Two cores. The sides of a partition are ordered independently of each other, so any number
// of them may be ordered at once: each comes out as it would on one core. Large ranges are
// partitioned once more and their sides shared out, the largest first, to whichever core is
// free; a range that keeps splitting lopsidedly is ordered whole, where the deep-range shortcut
// can take it.

class SharedRanges {
public:
    SharedRanges(Records pts, std::int32_t lo, std::int32_t hi, const std::stop_token* stop)
        : m_pts(pts)
        , m_stop(stop)
        , m_largeFrom(std::max<std::int32_t>(ShortRange, (hi - lo + 1) / 16))
    {
        m_pending.push_back({lo, hi, 0});
    }

    // Takes ranges until none is left and none is being split, or either core has failed.
    void Work()
    {
        bool splitting = false;
        try {
            WorkUntilDone(splitting);
        } catch (...) {
            const std::lock_guard lock(m_mutex);
            if (!m_failure)
                m_failure = std::current_exception();
            if (splitting)
                --m_splitting;
            m_changed.notify_all();
        }
    }
    void RethrowFailure() const
    {
        if (m_failure)
            std::rethrow_exception(m_failure);
    }

private:
    struct Range {
        std::int32_t lo;
        std::int32_t hi;
        int lopsidedSplits; // in a row, above it
        std::int32_t Length() const { return hi - lo + 1; }
    };

    void WorkUntilDone(bool& splitting)
    {
        WalkingScans walking(m_pts);
        while (const std::optional<Range> range = TakeLargest(splitting)) {
            if (splitting) {
                ShareSides(*range, walking);
                splitting = false;
            } else {
                const detail::DeepRangeTrigger trigger = DefaultTrigger(range->lo, range->hi);
                OrderRecords(m_pts, range->lo, range->hi, trigger, m_stop);
            }
        }
    }

    // The largest pending range, once there is one; none when the work is over. `splitting`
    // says whether it is to be partitioned and shared out (and counts it as being split)
    // rather than ordered whole.
    std::optional<Range> TakeLargest(bool& splitting)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_failure || !m_pending.empty() || m_splitting == 0; });
        if (m_failure || m_pending.empty())
            return std::nullopt;
        const auto largest = std::max_element(m_pending.begin(), m_pending.end(),
            [](const Range& a, const Range& b) { return a.Length() < b.Length(); });
        const Range range = *largest;
        m_pending.erase(largest);
        splitting = range.Length() >= m_largeFrom && range.lopsidedSplits < LopsidedInARow;
        if (splitting)
            ++m_splitting;
        return range;
    }

    // Partitions `range` and leaves its sides to whichever core takes them.
    void ShareSides(const Range& range, WalkingScans& walking)
    {
        if (m_stop)
            ThrowIfStopRequested(*m_stop);
        const Sides sides = Partition(m_pts, walking, range.lo, range.hi);
        const std::int32_t longer
            = std::max(sides.lowerEnd - range.lo, range.hi - sides.upperStart) + 1;
        const int lopsided = IsLopsided(range.Length(), longer) ? range.lopsidedSplits + 1 : 0;
        const std::lock_guard lock(m_mutex);
        for (const Range side : {Range{range.lo, sides.lowerEnd, lopsided},
                                 Range{sides.upperStart, range.hi, lopsided}}) {
            if (side.lo < side.hi)
                m_pending.push_back(side);
        }
        --m_splitting;
        m_changed.notify_all();
    }

    Records m_pts;
    const std::stop_token* m_stop;
    const std::int32_t m_largeFrom;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Range> m_pending;
    int m_splitting = 0; // ranges being partitioned, whose sides are still to come
    std::exception_ptr m_failure;
};

} // namespace

void QuickSort(PointArray& pts, std::int32_t lo, std::int32_t hi)
{
    OrderChecked(pts, lo, hi, DefaultTrigger(lo, hi), nullptr);
}

void QuickSort(PointArray& pts, std::int32_t lo, std::int32_t hi, std::stop_token stop)
{
    OrderChecked(pts, lo, hi, DefaultTrigger(lo, hi), &stop);
}

void QuickSort(std::span<PointD> records)
{
    if (records.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw std::length_error("QuickSort: more records than an index can count");
    const auto count = static_cast<std::int32_t>(records.size());
    OrderRecords(Records(records.data()), 1, count, DefaultTrigger(1, count), nullptr);
}

void QuickSortOnTwoCores(PointArray& pts, std::int32_t lo, std::int32_t hi, std::stop_token stop)
{
    const std::optional<Records> records = CheckedRange(pts, lo, hi);
    if (!records)
        return;
    SharedRanges shared(*records, lo, hi, &stop);
    std::thread helper;
    try {
        helper = std::thread([&] { shared.Work(); });
    } catch (const std::system_error&) {
        // One core takes every range.
    }
    shared.Work();
    if (helper.joinable())
        helper.join();
    shared.RethrowFailure();
}

void detail::QuickSortDeepAfter(PointArray& pts, std::int32_t lo, std::int32_t hi,
                                DeepRangeTrigger trigger)
{
    OrderChecked(pts, lo, hi, trigger, nullptr);
}
