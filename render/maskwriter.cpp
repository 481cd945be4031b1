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

BundlingMaskWriter::Room::Room()
    : Members(std::make_unique<Member[]>(Capacity))
    , Bundles(std::make_unique<Bundle[]>(Capacity))
    , Table(std::make_unique<std::int32_t[]>(TableSize))
{
    std::fill_n(Table.get(), TableSize, -1);
}

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
    , m_table(room.Table.get())
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
    // The slope times 2^32 is CrossingStep / AlongStep, and AlongStep is 1 or 2 either way.
    const std::int64_t slopeClass
        = steps.CrossingStep >> (m_slopeShift + (steps.AlongStep == 2 || steps.AlongStep == -2));
    const auto hash = static_cast<std::uint64_t>(slopeClass) * 0x9E3779B97F4A7C15u
        ^ static_cast<std::uint64_t>(steps.First) * 0xC2B2AE3D27D4EB4Fu
        ^ static_cast<std::uint64_t>(steps.AlongStep * 2 + steps.AlongX) * 0x165667B19E3779F9u;
    std::size_t slot = static_cast<std::size_t>(hash >> 32) & (TableSize - 1);
    const auto member = static_cast<std::int32_t>(m_memberCount++);
    m_members[static_cast<std::size_t>(member)]
        = { steps.Crossing, steps.CrossingStep, begin, end, -1 };
    for (;; slot = (slot + 1) & (TableSize - 1)) {
        const std::int32_t index = m_table[slot];
        if (index < 0) {
            m_table[slot] = static_cast<std::int32_t>(m_bundleCount);
            m_bundles[m_bundleCount++] = { .SlopeClass = slopeClass,
                .First = steps.First,
                .AlongStep = steps.AlongStep,
                .AlongX = steps.AlongX,
                .LeastCrossing = steps.Crossing,
                .GreatestCrossing = steps.Crossing,
                .LeastStep = steps.CrossingStep,
                .GreatestStep = steps.CrossingStep,
                .EarliestBegin = begin,
                .EndOfEarliest = end,
                .LatestBegin = begin,
                .LatestEnd = end,
                .Last = member,
                .Slot = static_cast<std::uint32_t>(slot) };
            break;
        }
        Bundle& bundle = m_bundles[static_cast<std::size_t>(index)];
        if (bundle.SlopeClass != slopeClass || bundle.First != steps.First
            || bundle.AlongStep != steps.AlongStep || bundle.AlongX != steps.AlongX)
            continue;
        bundle.LeastCrossing = std::min(bundle.LeastCrossing, steps.Crossing);
        bundle.GreatestCrossing = std::max(bundle.GreatestCrossing, steps.Crossing);
        bundle.LeastStep = std::min(bundle.LeastStep, steps.CrossingStep);
        bundle.GreatestStep = std::max(bundle.GreatestStep, steps.CrossingStep);
        if (begin < bundle.EarliestBegin) {
            bundle.EarliestBegin = begin;
            bundle.EndOfEarliest = end;
        } else if (begin == bundle.EarliestBegin) {
            bundle.EndOfEarliest = std::max(bundle.EndOfEarliest, end);
        }
        bundle.LatestBegin = std::max(bundle.LatestBegin, begin);
        bundle.LatestEnd = std::max(bundle.LatestEnd, end);
        m_members[static_cast<std::size_t>(member)].Next = bundle.Last;
        bundle.Last = member;
        break;
    }
    if (m_memberCount == Capacity)
        Flush();
}

void BundlingMaskWriter::Flush()
{
    for (std::size_t b = 0; b < m_bundleCount; ++b) {
        Write(m_bundles[b]);
        m_table[m_bundles[b].Slot] = -1;
    }
    m_bundleCount = 0;
    m_memberCount = 0;
}

void BundlingMaskWriter::Write(const Bundle& bundle)
{
    const std::int64_t scale = CrossingScale(bundle.AlongX);
    const std::int64_t byteStep = ByteStep(bundle.AlongX, bundle.AlongStep);
    const auto startAt = [&](std::int64_t k) {
        return StartByte(bundle.AlongX, bundle.First + k * bundle.AlongStep);
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
    const std::int64_t leastStep = bundle.LeastStep;
    const std::int64_t greatestStep = bundle.GreatestStep;
    const std::int64_t latestBegin = bundle.LatestBegin;
    const std::int64_t endOfEarliest = bundle.EndOfEarliest;
    const std::int64_t end = bundle.LatestEnd;
    const std::int32_t latest = bundle.Last;
    std::int64_t start = startAt(bundle.EarliestBegin);
    // At step k every member lies within low..high: k >= 0, so the least start and the least
    // slope give the least position, the greatest ones the greatest.
    std::int64_t low = bundle.LeastCrossing + bundle.EarliestBegin * leastStep;
    std::int64_t high = bundle.GreatestCrossing + bundle.EarliestBegin * greatestStep;
    for (std::int64_t k = bundle.EarliestBegin; k < end; ++k) {
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
