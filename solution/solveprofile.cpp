#include "calc/solveprofile.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <utility>

namespace {

// Where long double is the x87 extended type (x86 Linux), its exponent range holds every
// difference, slope, crossing and value that finite double coordinates can give, however
// steep or far apart; its 11 extra bits also keep nearly parallel lines apart. Where it is
// plain double, such extremes end in the range error rather than in an infinity.
using Wide = long double;

struct Line {
    Wide Slope;
    double AnchorX;
    double AnchorY;

    Wide At(Wide x) const { return AnchorY + Slope * (x - AnchorX); }
};

// The slope of the segment between two vertices of different X.
Wide SlopeBetween(const PointD& left, const PointD& right)
{
    return (Wide(right.Y) - left.Y) / (Wide(right.X) - left.X);
}

// The x where `steeper` overtakes `flatter`; the slopes must differ.
Wide Crossing(const Line& flatter, const Line& steeper)
{
    return flatter.AnchorX
        + (flatter.AnchorY - steeper.At(flatter.AnchorX)) / (steeper.Slope - flatter.Slope);
}

// `middle` shows on the envelope of three lines of increasing slope only if it is above the
// other two where they cross; testing the height there, rather than comparing two computed
// crossings, keeps nearly parallel neighbours from deciding on noise.
bool ShowsBetween(const Line& flatter, const Line& middle, const Line& steeper)
{
    const Wide x = Crossing(flatter, steeper);
    return middle.At(x) > std::max(flatter.At(x), steeper.At(x));
}

// Orders `items` by key(item), keeping items of equal keys in their order, in passes over
// digits of the 64-bit keys, each skipped where all keys agree. At a million vertices a
// comparison sort was most of the solver's time; this is linear. Wide digits suit large
// counts; small ones would spend their time clearing the digits' table.
template <class T, class Key>
void RadixSort(std::vector<T>& items, Key key)
{
    const int digitBits = items.size() < (std::size_t(1) << 16) ? 8 : 16;
    const std::uint64_t digitMask = (std::uint64_t(1) << digitBits) - 1;
    std::vector<T> sorted(items.size());
    std::vector<std::size_t> starts(digitMask + 1);
    for (int shift = 0; shift < 64; shift += digitBits) {
        std::fill(starts.begin(), starts.end(), 0);
        for (const T& item : items)
            ++starts[(key(item) >> shift) & digitMask];
        if (std::find(starts.begin(), starts.end(), items.size()) != starts.end())
            continue;
        std::size_t total = 0;
        for (std::size_t& start : starts)
            total += std::exchange(start, total);
        for (const T& item : items)
            sorted[starts[(key(item) >> shift) & digitMask]++] = item;
        items.swap(sorted);
    }
}

// A key whose unsigned order is the order of the doubles, with -0 equal to 0.
std::uint64_t OrderKey(double value)
{
    const auto bits = std::bit_cast<std::uint64_t>(value + 0.0);
    return bits >> 63 ? ~bits : bits | std::uint64_t(1) << 63;
}

// The lines of V in order of increasing slope, hence from left to right.
std::vector<Line> UpperEnvelope(const std::vector<PointD>& profile)
{
    struct Slope {
        std::uint64_t Key; // of the slope rounded to a double
        std::size_t Left; // index of the segment's left vertex
    };
    std::vector<Slope> slopes;
    slopes.reserve(profile.size());
    for (std::size_t k = 1; k < profile.size(); ++k) {
        const PointD& left = profile[k - 1];
        const PointD& right = profile[k];
        if (left.X == right.X)
            continue;
        const Wide slope = SlopeBetween(left, right);
        // Only where long double is plain double.
        if (!std::isfinite(slope))
            throw std::range_error("a segment is too steep for the range of numbers");
        constexpr Wide Largest = std::numeric_limits<double>::max();
        slopes.push_back(
            { OrderKey(static_cast<double>(std::clamp(slope, -Largest, Largest))), k - 1 });
    }
    RadixSort(slopes, [](const Slope& slope) { return slope.Key; });

    std::vector<Line> lines;
    lines.reserve(slopes.size());
    for (const Slope& slope : slopes) {
        const PointD& left = profile[slope.Left];
        lines.push_back({ SlopeBetween(left, profile[slope.Left + 1]), left.X, left.Y });
    }
    // Slopes that round to one double are told apart by their full precision.
    for (std::size_t begin = 0; begin < slopes.size();) {
        std::size_t end = begin + 1;
        while (end < slopes.size() && slopes[end].Key == slopes[begin].Key)
            ++end;
        if (end - begin > 1) {
            std::sort(lines.begin() + static_cast<std::ptrdiff_t>(begin),
                lines.begin() + static_cast<std::ptrdiff_t>(end),
                [](const Line& a, const Line& b) { return a.Slope < b.Slope; });
        }
        begin = end;
    }

    std::vector<Line> envelope;
    for (const Line& line : lines) {
        if (!envelope.empty() && envelope.back().Slope == line.Slope) {
            // Of parallel lines only the highest can show.
            if (line.At(envelope.back().AnchorX) <= envelope.back().AnchorY)
                continue;
            envelope.pop_back();
        }
        while (envelope.size() >= 2
            && !ShowsBetween(envelope[envelope.size() - 2], envelope.back(), line))
            envelope.pop_back();
        envelope.push_back(line);
    }
    return envelope;
}

// V over [first, last]: the lines that show there, and the x of each change from one line
// to the next, rounded to doubles, clamped to the range and kept in order even where
// rounding of nearly parallel lines would have put two of them out of order.
class Envelope {
public:
    Envelope(const std::vector<Line>& lines, double first, double last)
    {
        std::vector<Wide> crossings;
        crossings.reserve(lines.size());
        for (std::size_t k = 1; k < lines.size(); ++k)
            crossings.push_back(Crossing(lines[k - 1], lines[k]));
        // Lines that show only outside the range would all meet its ends in one clamped
        // change point, where a cursor could not tell which of them is on top.
        std::size_t begin = 0;
        while (begin < crossings.size() && crossings[begin] <= first)
            ++begin;
        std::size_t end = lines.size();
        while (end - 1 > begin && crossings[end - 2] >= last)
            --end;
        m_lines.assign(lines.begin() + static_cast<std::ptrdiff_t>(begin),
            lines.begin() + static_cast<std::ptrdiff_t>(end));
        m_breaks.reserve(m_lines.size());
        double previous = first;
        for (std::size_t k = begin; k + 1 < end; ++k) {
            const Wide inRange = std::clamp<Wide>(crossings[k], first, last);
            previous = std::max(previous, static_cast<double>(inRange));
            m_breaks.push_back(previous);
        }
    }

    const std::vector<double>& Breaks() const { return m_breaks; }

    // The leftmost x where V is least.
    double LowestX(double first, double last) const
    {
        const auto rising = std::find_if(
            m_lines.begin(), m_lines.end(), [](const Line& line) { return line.Slope >= 0; });
        if (rising == m_lines.end())
            return last;
        if (rising == m_lines.begin())
            return first;
        return m_breaks[static_cast<std::size_t>(rising - m_lines.begin()) - 1];
    }

    // V at x; successive calls of one cursor must come with x that do not decrease. The
    // neighbouring lines are consulted too, so that a change point off by rounding never
    // lets V drop below a line that should still be on top.
    class Cursor {
    public:
        explicit Cursor(const Envelope& envelope)
            : m_envelope(envelope)
        {
        }
        Wide At(double x)
        {
            const auto& lines = m_envelope.m_lines;
            const auto& breaks = m_envelope.m_breaks;
            while (m_index < breaks.size() && breaks[m_index] < x)
                ++m_index;
            Wide value = lines[m_index].At(x);
            if (m_index > 0)
                value = std::max(value, lines[m_index - 1].At(x));
            if (m_index + 1 < lines.size())
                value = std::max(value, lines[m_index + 1].At(x));
            return value;
        }
        // The largest |slope| of the lines the last At consulted.
        Wide Steepness() const
        {
            const auto& lines = m_envelope.m_lines;
            Wide steepest = std::fabs(lines[m_index].Slope);
            if (m_index > 0)
                steepest = std::max(steepest, std::fabs(lines[m_index - 1].Slope));
            if (m_index + 1 < lines.size())
                steepest = std::max(steepest, std::fabs(lines[m_index + 1].Slope));
            return steepest;
        }

    private:
        const Envelope& m_envelope;
        std::size_t m_index = 0;
    };

private:
    std::vector<Line> m_lines;
    std::vector<double> m_breaks;
};

// The least value met so far and its x. A later x must beat it by more than the rounding of
// both values: that of heights of the offered `magnitude` and of the profile's own heights,
// `scale`, since a value near 0 computed from large heights is no more exact than they are.
class LeastSoFar {
public:
    explicit LeastSoFar(Wide scale)
        : m_scale(scale)
    {
    }
    void Offer(double x, Wide value, Wide magnitude)
    {
        const Wide slack = 8 * std::numeric_limits<double>::epsilon() * (magnitude + m_scale);
        if (value < m_value - (slack + m_slack)) {
            m_x = x;
            m_value = value;
            m_slack = slack;
        }
    }
    double X() const { return m_x; }

private:
    Wide m_scale;
    double m_x = 0;
    Wide m_value = std::numeric_limits<Wide>::infinity();
    Wide m_slack = 0;
};

double Representable(Wide value)
{
    if (!(std::fabs(value) <= std::numeric_limits<double>::max()))
        throw std::range_error("an answer lies beyond the range of a double");
    return static_cast<double>(value);
}

// The tower's x: V - T changes slope only at the vertices and at the changes of V, so one
// walk over both, in order, meets its least value.
double TowerX(const std::vector<PointD>& profile, const Envelope& envelope)
{
    const std::vector<double>& breaks = envelope.Breaks();
    Envelope::Cursor height(envelope);
    Wide scale = 0;
    for (const PointD& vertex : profile)
        scale = std::max<Wide>(scale, std::fabs(vertex.Y));
    LeastSoFar tower(scale);
    std::size_t nextBreak = 0;
    for (std::size_t k = 0; k < profile.size();) {
        const double x = profile[k].X;
        for (; nextBreak < breaks.size() && breaks[nextBreak] < x; ++nextBreak) {
            const double at = breaks[nextBreak];
            // A change at a vertex's X is met with that vertex, where T takes the highest.
            if (k == 0 || at <= profile[k - 1].X)
                continue;
            const PointD& left = profile[k - 1];
            const PointD& right = profile[k];
            const Wide slope = SlopeBetween(left, right);
            const Wide ground = left.Y + slope * (at - left.X);
            const Wide top = height.At(at);
            // `at` is a crossing rounded to a double; within half a unit of it, V - T moves
            // by up to this much, so a true tie can come out a little higher here.
            const Wide drift = std::fabs(at) * (height.Steepness() + std::fabs(slope));
            tower.Offer(at, top - ground, std::fabs(top) + std::fabs(ground) + drift);
        }
        double ground = profile[k].Y;
        for (; k < profile.size() && profile[k].X == x; ++k)
            ground = std::max(ground, profile[k].Y);
        const Wide top = height.At(x);
        tower.Offer(x, top - ground, std::fabs(top) + std::fabs(ground));
    }
    return tower.X();
}

} // namespace

ProfileAnswer SolveProfile(std::vector<PointD> vertices)
{
    if (vertices.empty())
        throw std::invalid_argument("a profile needs at least one vertex");
    for (const PointD& vertex : vertices) {
        if (!std::isfinite(vertex.X) || !std::isfinite(vertex.Y))
            throw std::invalid_argument("a vertex has a coordinate that is not a finite number");
    }
    RadixSort(vertices, [](const PointD& vertex) { return OrderKey(vertex.X); });
    const double first = vertices.front().X;
    const double last = vertices.back().X;

    if (first == last) {
        const auto highest = std::max_element(vertices.begin(), vertices.end(),
            [](const PointD& a, const PointD& b) { return a.Y < b.Y; });
        return { { first, highest->Y }, { first, highest->Y } };
    }
    const Envelope envelope(UpperEnvelope(vertices), first, last);
    const double towerX = TowerX(vertices, envelope);
    const double islandX = envelope.LowestX(first, last);
    const double towerY = Representable(Envelope::Cursor(envelope).At(towerX));
    const double islandY = Representable(Envelope::Cursor(envelope).At(islandX));
    return { { towerX, towerY }, { islandX, islandY } };
}
