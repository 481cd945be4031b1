#include "render/maskwriter.h"

#include <algorithm>
#include <bit>
#include <type_traits>

namespace {

constexpr int FractionBits = LineSteps::FractionBits;

// Sets `count` bytes: step k the byte at start + k * step + ((crossing + k * crossingStep) >> 32)
// * scale. Four steps a turn, so the loop's own counting is a small part of a step; a scale of
// 1 (a line along a column) spares the multiplication.
template <class Scale>
void WriteSteps(std::uint8_t* mask, std::int64_t start, std::int64_t step, std::int64_t crossing,
    std::int64_t crossingStep, Scale scale, std::int64_t count, std::uint8_t value)
{
    std::int64_t k = 0;
    for (; k + 4 <= count; k += 4) {
        mask[start + (crossing >> FractionBits) * scale] = value;
        mask[start + step + ((crossing + crossingStep) >> FractionBits) * scale] = value;
        mask[start + 2 * step + ((crossing + 2 * crossingStep) >> FractionBits) * scale] = value;
        mask[start + 3 * step + ((crossing + 3 * crossingStep) >> FractionBits) * scale] = value;
        start += 4 * step;
        crossing += 4 * crossingStep;
    }
    for (; k < count; ++k) {
        mask[start + (crossing >> FractionBits) * scale] = value;
        start += step;
        crossing += crossingStep;
    }
}

void WriteSteps(std::uint8_t* mask, std::int64_t start, std::int64_t step, std::int64_t crossing,
    std::int64_t crossingStep, std::int64_t scale, std::int64_t count, std::uint8_t value)
{
    if (scale == 1)
        WriteSteps(mask, start, step, crossing, crossingStep,
            std::integral_constant<std::int64_t, 1>(), count, value);
    else
        WriteSteps<std::int64_t>(mask, start, step, crossing, crossingStep, scale, count, value);
}

} // namespace

MaskTarget::MaskTarget(std::uint8_t* mask, int width, int height)
    : m_mask(mask)
    , m_width(width)
    , m_height(height)
    , m_top(height)
{
}

MaskWriter::MaskWriter(std::uint8_t* mask, int width, int height)
    : MaskTarget(mask, width, height)
{
}

void MaskWriter::Dot(QPointF at, std::uint8_t value)
{
    if (const auto byte = DotByte(at))
        m_mask[*byte] = value;
}

void MaskWriter::Line(QPointF from, QPointF to, std::uint8_t value, PixelPen pen)
{
    if (SamePoint(from, to)) {
        Dot(from, value);
        return;
    }
    const LineSteps steps(from, to, pen);
    const auto [begin, end] = Visible(steps);
    if (begin < end)
        WriteSteps(m_mask, StartByte(steps.AlongX, steps.First + begin * steps.AlongStep),
            ByteStep(steps.AlongX, steps.AlongStep), steps.Crossing + begin * steps.CrossingStep,
            steps.CrossingStep, CrossingScale(steps.AlongX), end - begin, value);
}

// A line gathered into a bundle: its start, its slope and the steps [Begin, End) that lie in
// the mask.
struct BundlingMaskWriter::Member {
    std::int64_t Crossing;
    std::int64_t CrossingStep;
    std::int64_t Begin;
    std::int64_t End;
    std::int32_t Next; // the bundle's member before this one, -1 for its first
};

// What the lines of one bundle share.
struct BundlingMaskWriter::BundleKey {
    std::int64_t SlopeClass;
    std::int64_t First;
    std::int64_t AlongStep;
    bool AlongX;

    static BundleKey Of(const LineSteps& steps, int slopeShift)
    {
        // The slope times 2^32 is CrossingStep / AlongStep, and AlongStep is 1 or 2 either way.
        const int halvings = slopeShift + (steps.AlongStep == 2 || steps.AlongStep == -2);
        return { steps.CrossingStep >> halvings, steps.First, steps.AlongStep, steps.AlongX };
    }
    bool operator==(const BundleKey&) const = default;
};

// The extremes of a bundle's members: their least and greatest start and slope bound where any
// of them can be at a step; their first and last steps tell the steps some member surely
// reaches.
struct BundlingMaskWriter::BundleBounds {
    std::int64_t LeastCrossing;
    std::int64_t GreatestCrossing;
    std::int64_t LeastStep;
    std::int64_t GreatestStep;
    std::int64_t EarliestBegin;
    std::int64_t EndOfEarliest; // of a member that begins at EarliestBegin
    std::int64_t LatestBegin;
    std::int64_t LatestEnd;

    static BundleBounds Of(const Member& first)
    {
        return { first.Crossing, first.Crossing, first.CrossingStep, first.CrossingStep,
            first.Begin, first.End, first.Begin, first.End };
    }
    void Include(const Member& member)
    {
        LeastCrossing = std::min(LeastCrossing, member.Crossing);
        GreatestCrossing = std::max(GreatestCrossing, member.Crossing);
        LeastStep = std::min(LeastStep, member.CrossingStep);
        GreatestStep = std::max(GreatestStep, member.CrossingStep);
        if (member.Begin < EarliestBegin) {
            EarliestBegin = member.Begin;
            EndOfEarliest = member.End;
        } else if (member.Begin == EarliestBegin) {
            EndOfEarliest = std::max(EndOfEarliest, member.End);
        }
        LatestBegin = std::max(LatestBegin, member.Begin);
        LatestEnd = std::max(LatestEnd, member.End);
    }
};

// The lines gathered with one key: a list through Member::Next from the latest one.
struct BundlingMaskWriter::Bundle {
    BundleKey Shared;
    BundleBounds Bounds;
    std::int32_t Last; // the latest member
    std::uint32_t Slot; // in the table

    void Add(Member& member, std::int32_t index)
    {
        Bounds.Include(member);
        member.Next = Last;
        Last = index;
    }
};

// The bundles gathered so far by their keys: open addressing, each slot holding a bundle's
// index or -1 when free. With twice as many slots as there can be bundles, probes stay short
// and always end at a free slot.
class BundlingMaskWriter::BundleTable {
public:
    BundleTable() { std::fill(std::begin(m_slots), std::end(m_slots), -1); }

    // The slot of the bundle with `key` among `bundles`, or the free one where it belongs.
    std::uint32_t SlotOf(const BundleKey& key, const Bundle* bundles) const
    {
        std::uint32_t slot = static_cast<std::uint32_t>(Hash(key) >> 32) & (Slots - 1);
        for (;; slot = (slot + 1) & (Slots - 1)) {
            const std::int32_t index = m_slots[slot];
            if (index < 0 || bundles[index].Shared == key)
                return slot;
        }
    }
    // The index of the bundle in `slot`, below 0 for none.
    std::int32_t At(std::uint32_t slot) const { return m_slots[slot]; }
    void Set(std::uint32_t slot, std::size_t bundle)
    {
        m_slots[slot] = static_cast<std::int32_t>(bundle);
    }
    void Free(std::uint32_t slot) { m_slots[slot] = -1; }

private:
    static constexpr std::uint32_t Slots = 2 * Capacity; // a power of two

    // Each part of the key times a large odd constant with evenly mixed bits (the first is
    // 2^64 over the golden ratio), so that keys differing in any part differ in the high bits,
    // which pick the slot.
    static std::uint64_t Hash(const BundleKey& key)
    {
        constexpr std::uint64_t SlopeFactor = 0x9E3779B97F4A7C15u;
        constexpr std::uint64_t FirstFactor = 0xC2B2AE3D27D4EB4Fu;
        constexpr std::uint64_t DirectionFactor = 0x165667B19E3779F9u;
        return static_cast<std::uint64_t>(key.SlopeClass) * SlopeFactor
            ^ static_cast<std::uint64_t>(key.First) * FirstFactor
            ^ static_cast<std::uint64_t>(key.AlongStep * 2 + key.AlongX) * DirectionFactor;
    }

    std::int32_t m_slots[Slots];
};

BundlingMaskWriter::Room::Room()
    : Members(std::make_unique<Member[]>(Capacity))
    , Bundles(std::make_unique<Bundle[]>(Capacity))
    , Table(std::make_unique<BundleTable>())
{
}

BundlingMaskWriter::Room::~Room() = default;

BundlingMaskWriter::BundlingMaskWriter(
    std::uint8_t* mask, int width, int height, std::uint8_t value, Room& room)
    : MaskTarget(mask, width, height)
    , m_value(value)
    // Slopes of one class differ by less than 2^shift / 2^32 < 1 / (4 x the longest side), so
    // its lines drift apart by less than a quarter pixel across the whole mask.
    , m_slopeShift(std::max(
          0, 30 - static_cast<int>(std::bit_width(static_cast<unsigned>(std::max(width, height))))))
    , m_members(room.Members.get())
    , m_bundles(room.Bundles.get())
    , m_table(*room.Table)
{
}

BundlingMaskWriter::~BundlingMaskWriter() { Flush(); }

void BundlingMaskWriter::Dot(QPointF at)
{
    if (const auto byte = DotByte(at))
        m_mask[*byte] = m_value;
}

void BundlingMaskWriter::Line(QPointF from, QPointF to, PixelPen pen)
{
    if (SamePoint(from, to)) {
        Dot(from);
        return;
    }
    const LineSteps steps(from, to, pen);
    const auto [begin, end] = Visible(steps);
    if (begin >= end)
        return;
    const BundleKey key = BundleKey::Of(steps, m_slopeShift);
    const auto index = static_cast<std::int32_t>(m_memberCount++);
    Member& member = m_members[index] = { steps.Crossing, steps.CrossingStep, begin, end, -1 };
    const std::uint32_t slot = m_table.SlotOf(key, m_bundles);
    if (const std::int32_t found = m_table.At(slot); found >= 0) {
        m_bundles[found].Add(member, index);
    } else {
        m_table.Set(slot, m_bundleCount);
        m_bundles[m_bundleCount++] = { key, BundleBounds::Of(member), index, slot };
    }
    if (m_memberCount == Capacity)
        Flush();
}

void BundlingMaskWriter::Flush()
{
    for (std::size_t b = 0; b < m_bundleCount; ++b) {
        Write(m_bundles[b]);
        m_table.Free(m_bundles[b].Slot);
    }
    m_bundleCount = 0;
    m_memberCount = 0;
}

void BundlingMaskWriter::Write(const Bundle& bundle)
{
    const BundleKey& shared = bundle.Shared;
    const BundleBounds& bounds = bundle.Bounds;
    const std::int64_t scale = CrossingScale(shared.AlongX);
    const std::int64_t byteStep = ByteStep(shared.AlongX, shared.AlongStep);
    const auto startAt = [&](std::int64_t k) {
        return StartByte(shared.AlongX, shared.First + k * shared.AlongStep);
    };
    const Member* const members = m_members;
    const Member& last = members[bundle.Last];
    if (last.Next < 0) {
        WriteSteps(m_mask, startAt(last.Begin), byteStep,
            last.Crossing + last.Begin * last.CrossingStep, last.CrossingStep, scale,
            last.End - last.Begin, m_value);
        return;
    }
    // Locals, so the byte stores cannot make the compiler read them again.
    std::uint8_t* const mask = m_mask;
    const std::uint8_t value = m_value;
    const std::int64_t leastStep = bounds.LeastStep;
    const std::int64_t greatestStep = bounds.GreatestStep;
    const std::int64_t latestBegin = bounds.LatestBegin;
    const std::int64_t endOfEarliest = bounds.EndOfEarliest;
    const std::int64_t end = bounds.LatestEnd;
    const std::int32_t latest = bundle.Last;
    std::int64_t start = startAt(bounds.EarliestBegin);
    // At step k every member lies within low..high: k >= 0, so the least start and the least
    // slope give the least position, the greatest ones the greatest.
    std::int64_t low = bounds.LeastCrossing + bounds.EarliestBegin * leastStep;
    std::int64_t high = bounds.GreatestCrossing + bounds.EarliestBegin * greatestStep;
    for (std::int64_t k = bounds.EarliestBegin; k < end; ++k) {
        const std::int64_t across = low >> FractionBits;
        // The one pixel is set only where some member surely reaches step k, and so lies in
        // the mask there: the one that ends last has begun by LatestBegin, and one that
        // begins first ends at EndOfEarliest.
        const bool reached = k >= latestBegin || k < endOfEarliest;
        if (across == high >> FractionBits && reached) {
            mask[start + across * scale] = value;
        } else {
            for (std::int32_t m = latest; m >= 0; m = members[m].Next) {
                const Member& line = members[m];
                if (k >= line.Begin && k < line.End)
                    mask[start + ((line.Crossing + k * line.CrossingStep) >> FractionBits) * scale]
                        = value;
            }
        }
        start += byteStep;
        low += leastStep;
        high += greatestStep;
    }
}
