#include "solve/linesbyslope.h"

#include "scene/radixsort.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <utility>

namespace solving {

namespace {

    using exact::Approx;
    using exact::UnitRoundoff;
    using exact::Wide;

    constexpr double Infinity = std::numeric_limits<double>::infinity();

    // Most lines lie below V all over [first, last]: those are told apart cheaply, before the
    // slopes are ordered, by the envelope of just two lines, those of the largest and the
    // smallest slope, which is never above V. A line lies below that envelope all over the range
    // when it does at the range's ends and around the two lines' crossing, where the gap between
    // them is least. Only a certain verdict drops a line; where rounding leaves doubt, it stays.
    class Dominance {
    public:
        explicit Dominance(std::span<const PointD> vertices)
            : m_vertices(vertices)
        {
            std::optional<Segment> steepest;
            std::optional<Segment> flattest;
            double largest = 0;
            double smallest = 0;
            for (std::size_t k = 1; k < vertices.size(); ++k) {
                if (vertices[k - 1].X == vertices[k].X)
                    continue;
                const double slope
                    = (vertices[k].Y - vertices[k - 1].Y) / (vertices[k].X - vertices[k - 1].X);
                if (!std::isfinite(slope))
                    continue;
                if (!steepest || slope > largest)
                    steepest = Segment(k - 1), largest = slope;
                if (!flattest || slope < smallest)
                    flattest = Segment(k - 1), smallest = slope;
            }
            if (!steepest)
                return;
            if (largest == smallest)
                AddGuard(LineOf(*steepest), vertices.front().X, vertices.back().X);
            else
                AddGuards(LineOf(*flattest), LineOf(*steepest));
        }

        // Whether the line of segment `s` certainly lies below V all over the range.
        bool Below(Segment s) const
        {
            if (m_guards.empty())
                return false;
            const PointD& left = m_vertices[s];
            const PointD& right = m_vertices[s + 1];
            const double slope = SlopeInDoubles(left, right);
            if (std::isnan(slope))
                return false;
            for (const Guard& guard : m_guards) {
                for (const auto& [x, floor] : guard.Points) {
                    const double run = slope * (x - left.X);
                    const double value = left.Y + run;
                    // The slope is within 3 units, the run within 5, the value within 6.
                    const double bound
                        = 8 * UnitRoundoff<double> * (std::fabs(left.Y) + std::fabs(run))
                        + 0x1p-1070;
                    if (!(Wide(value) + 2 * Wide(bound) < floor))
                        return false;
                }
            }
            return true;
        }

    private:
        // A line of V's and two x, each with the least value the line can have there.
        struct Guard {
            std::pair<double, Wide> Points[2];
        };

        Line LineOf(Segment s) const { return { m_vertices[s], m_vertices[s + 1], s }; }

        // Left of the lines' crossing the flatter is the higher, right of it the steeper.
        void AddGuards(const Line& flatter, const Line& steeper)
        {
            const double first = m_vertices.front().X;
            const double last = m_vertices.back().X;
            const Approx crossing = Crossing(flatter, steeper);
            const double before = static_cast<double>(crossing.Value - 2 * crossing.Error);
            const double after = static_cast<double>(crossing.Value + 2 * crossing.Error);
            if (!(std::isfinite(before) && std::isfinite(after)))
                return;
            if (after < last)
                AddGuard(steeper, std::max(first, std::nextafter(before, -Infinity)), last);
            if (before > first)
                AddGuard(flatter, first, std::min(last, std::nextafter(after, Infinity)));
        }

        void AddGuard(const Line& line, double from, double to)
        {
            const Approx slope = Slope(line);
            const auto floorAt = [&](double x) {
                const Approx value = LineAt(line, slope, Approx(x));
                return std::pair { x, value.Value - 2 * value.Error };
            };
            m_guards.push_back({ { floorAt(from), floorAt(to) } });
        }

        std::span<const PointD> m_vertices;
        std::vector<Guard> m_guards;
    };

    // A line by the key of its slope rounded to a double, whose unsigned order is the slopes'.
    struct Keyed {
        std::uint64_t Key;
        Segment Index;
    };

    // A key whose unsigned order is the order of the doubles, with -0 equal to 0.
    std::uint64_t OrderKey(double value) { return OrderedBits(value + 0.0); }

    double SlopeOfKey(std::uint64_t key)
    {
        return std::bit_cast<double>(key >> 63 ? key & ~(std::uint64_t(1) << 63) : ~key);
    }

    // The keys of the lines Dominance cannot rule out, in their order.
    std::vector<Keyed> KeysInOrder(std::span<const PointD> vertices)
    {
        constexpr double Largest = std::numeric_limits<double>::max();
        const Dominance dominance(vertices);
        std::vector<Keyed> keyed;
        for (std::size_t k = 1; k < vertices.size(); ++k) {
            const PointD& left = vertices[k - 1];
            const PointD& right = vertices[k];
            if (left.X == right.X || dominance.Below(Segment(k - 1)))
                continue;
            const double run = right.X - left.X;
            double slope = (right.Y - left.Y) / run;
            // Differences beyond the doubles' range: their quotient, clamped, still ranks them. A
            // run beyond it would flatten any finite rise to 0.
            if (!(std::fabs(slope) <= Largest) || !(run <= Largest))
                slope = static_cast<double>(std::clamp<Wide>(
                    SlopeValue({ left, right, 0 }), -Wide(Largest), Wide(Largest)));
            keyed.push_back({ OrderKey(slope), Segment(k - 1) });
        }
        // Linear: on a million slopes a comparison sort was most of the solver's time.
        std::vector<Keyed> spare(keyed.size());
        const Keyed* const sorted = RadixSort(keyed.data(), spare.data(), keyed.data(),
            keyed.size(), [](const Keyed& item) { return item.Key; });
        return sorted == keyed.data() ? std::move(keyed) : std::move(spare);
    }

    // The slopes computed in doubles are within 3.01 units of the exact ones, and within 2^-1070
    // where the quotient underflows. Near the ends of the doubles' range a slope may have been
    // clamped: its range reaches to infinity.
    double LowestSlope(double slope)
    {
        return slope <= -0x1p1000 ? -Infinity
                                  : slope - 8 * UnitRoundoff<double> * std::fabs(slope) - 0x1p-1070;
    }

    double HighestSlope(double slope)
    {
        return slope >= 0x1p1000 ? Infinity
                                 : slope + 8 * UnitRoundoff<double> * std::fabs(slope) + 0x1p-1070;
    }

    // Numbers the groups of `lines`, ordered by their keys, and orders each group exactly. Both
    // ends of a slope's range grow with the slope, so a group ends where the highest end so far
    // lies below the next low end.
    void GroupBySlope(std::vector<Line>& lines, const std::vector<Keyed>& keys)
    {
        std::uint32_t group = 0;
        for (std::size_t begin = 0; begin < lines.size(); ++group) {
            double highest = HighestSlope(SlopeOfKey(keys[begin].Key));
            std::size_t end = begin + 1;
            for (; end < lines.size() && !(highest < LowestSlope(SlopeOfKey(keys[end].Key))); ++end)
                highest = std::max(highest, HighestSlope(SlopeOfKey(keys[end].Key)));
            const auto first = lines.begin() + static_cast<std::ptrdiff_t>(begin);
            const auto last = lines.begin() + static_cast<std::ptrdiff_t>(end);
            // Groups of exactly equal slopes are common (whole-number profiles) and need no sort.
            if (std::any_of(first + 1, last,
                    [&](const Line& line) { return CompareSlopes(*first, line) != 0; }))
                std::sort(first, last,
                    [](const Line& a, const Line& b) { return CompareSlopes(a, b) < 0; });
            for (auto line = first; line != last; ++line)
                line->SlopeGroup = group;
            begin = end;
        }
    }

} // namespace

// The order of the slopes in doubles is taken as it is wherever their error ranges keep
// neighbours apart, and decided exactly among neighbours whose ranges meet.
std::vector<Line> LinesBySlope(std::span<const PointD> vertices)
{
    const std::vector<Keyed> keys = KeysInOrder(vertices);
    std::vector<Line> lines;
    lines.reserve(keys.size());
    for (const Keyed& item : keys)
        lines.push_back({ vertices[item.Index], vertices[item.Index + 1], item.Index });
    GroupBySlope(lines, keys);
    return lines;
}

} // namespace solving
