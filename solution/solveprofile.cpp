#include "solution/solveprofile.h"

#include "solution/exactarithmetic.h"

#include "scene/quicksort.h"
#include "scene/radixsort.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <stdexcept>
#include <utility>

using exact::Approx;
using exact::Rational;
using exact::UnitRoundoff;
using exact::Wide;

namespace {

// A segment of nonzero width, named by the index of its left vertex.
using Segment = std::uint32_t;

// A key whose unsigned order is the order of the doubles, with -0 equal to 0.
std::uint64_t OrderKey(double value) { return OrderedBits(value + 0.0); }

// A segment of the profile, carried with its vertices so that the envelope's work reads
// them in its own order rather than from all over the profile.
struct Line {
    PointD Left;
    PointD Right;
    Segment Index;
    // Lines of different groups have different slopes; within one group they may be equal.
    std::uint32_t SlopeGroup = 0;
};

// The slope in extended precision, within 3.02 units of the exact one; Slope's value.
Wide SlopeValue(const Line& line)
{
    return (Wide(line.Right.Y) - line.Left.Y) / (Wide(line.Right.X) - line.Left.X);
}

Approx Slope(const Line& line)
{
    return exact::Difference(line.Right.Y, line.Left.Y)
        / exact::Difference(line.Right.X, line.Left.X);
}

Approx LineAt(const Line& line, const Approx& slope, const Approx& x)
{
    return Approx(line.Left.Y) + slope * (x - Approx(line.Left.X));
}

Rational ExactLineAt(const Line& line, const Rational& x)
{
    const Rational left(line.Left.X);
    return Rational(line.Left.Y)
        + (Rational(line.Right.Y) - Rational(line.Left.Y)) / (Rational(line.Right.X) - left)
        * (x - left);
}

// The sign of slope(a) - slope(b).
int CompareSlopes(const Line& a, const Line& b)
{
    return exact::SignOfProductDifference(
        a.Right.Y, a.Left.Y, b.Right.X, b.Left.X, b.Right.Y, b.Left.Y, a.Right.X, a.Left.X);
}

// Whether `point` lies strictly above `line`.
bool StrictlyAbove(const PointD& point, const Line& line)
{
    return exact::SignOfProductDifference(point.Y, line.Left.Y, line.Right.X, line.Left.X,
               line.Right.Y, line.Left.Y, point.X, line.Left.X)
        > 0;
}

// The slope from `left` to `right` in doubles, within 3 units of the exact one unless it
// overflowed; NaN where it is not an exact zero yet below 2^-1000 in size, since a quotient
// that near underflow has lost its relative accuracy.
double SlopeInDoubles(const PointD& left, const PointD& right)
{
    const double rise = right.Y - left.Y;
    const double slope = rise / (right.X - left.X);
    const bool trusted = slope != 0 ? std::fabs(slope) >= 0x1p-1000 : rise == 0;
    return trusted ? slope : std::numeric_limits<double>::quiet_NaN();
}

// Whether a difference of coordinates keeps every product of up to four of them, and the
// differences of such products, clear of overflow and underflow in doubles.
bool Moderate(double difference)
{
    const double magnitude = std::fabs(difference);
    return magnitude == 0 || (magnitude >= 0x1p-200 && magnitude <= 0x1p200);
}

// The determinant of Shows in `Float`, when its bound settles the sign.
template <class Float>
std::optional<bool> ShowsBy(const Line& flatter, const Line& middle, const Line& steeper)
{
    const PointD origin = middle.Left;
    const Float a1 = Float(flatter.Right.Y) - flatter.Left.Y;
    const Float w1 = Float(flatter.Right.X) - flatter.Left.X;
    const Float y1 = Float(flatter.Left.Y) - origin.Y;
    const Float x1 = Float(flatter.Left.X) - origin.X;
    const Float a2 = Float(middle.Right.Y) - origin.Y;
    const Float w2 = Float(middle.Right.X) - origin.X;
    const Float a3 = Float(steeper.Right.Y) - steeper.Left.Y;
    const Float w3 = Float(steeper.Right.X) - steeper.Left.X;
    const Float y3 = Float(steeper.Left.Y) - origin.Y;
    const Float x3 = Float(steeper.Left.X) - origin.X;
    if constexpr (std::numeric_limits<Float>::max_exponent < 16384) {
        for (const Float difference : { a1, w1, y1, x1, a2, w2, a3, w3, y3, x3 }) {
            if (!Moderate(difference))
                return std::nullopt;
        }
    }
    const Float b1 = w1 * y1 - a1 * x1;
    const Float b3 = w3 * y3 - a3 * x3;
    const Float b1Magnitude = std::fabs(w1 * y1) + std::fabs(a1 * x1);
    const Float b3Magnitude = std::fabs(w3 * y3) + std::fabs(a3 * x3);
    const Float determinant = a2 * (b1 * w3 - w1 * b3) + w2 * (a1 * b3 - b1 * a3);
    // Each b is within 4.1 units of its magnitude, the determinant within about 11 units of
    // the sum of its terms' magnitudes.
    const Float bound = 32 * UnitRoundoff<Float>
        * (std::fabs(a2) * (b1Magnitude * w3 + w1 * b3Magnitude)
            + w2 * (std::fabs(a1) * b3Magnitude + b1Magnitude * std::fabs(a3)));
    if (std::fabs(determinant) > bound)
        return determinant > 0;
    return std::nullopt;
}

// For lines of strictly increasing slope: whether `middle` rises above the other two where
// they cross, and so shows on their envelope. Written as the sign of a determinant of the
// lines' coefficients w y = a x + b, taken about the left vertex of `middle`, where its b
// is 0: in doubles where their range allows, else in extended precision, else exactly.
bool Shows(const Line& flatter, const Line& middle, const Line& steeper)
{
    if (const auto shows = ShowsBy<double>(flatter, middle, steeper))
        return *shows;
    if (const auto shows = ShowsBy<Wide>(flatter, middle, steeper))
        return *shows;

    const PointD origin = middle.Left;
    const Rational originX(origin.X);
    const Rational originY(origin.Y);
    struct ExactCoefficients {
        Rational A, W, B;
    };
    const auto exactCoefficients = [&](const Line& line) {
        ExactCoefficients c { Rational(line.Right.Y) - Rational(line.Left.Y),
            Rational(line.Right.X) - Rational(line.Left.X), 0 };
        c.B = c.W * (Rational(line.Left.Y) - originY) - c.A * (Rational(line.Left.X) - originX);
        return c;
    };
    const ExactCoefficients e1 = exactCoefficients(flatter);
    const ExactCoefficients e2 = exactCoefficients(middle);
    const ExactCoefficients e3 = exactCoefficients(steeper);
    return sgn(e2.A * (e1.B * e3.W - e1.W * e3.B) + e2.W * (e1.A * e3.B - e1.B * e3.A)) > 0;
}

// Where `steeper` overtakes `flatter`, from the segments' own vertices. Two neighbouring
// segments cross at their common vertex, exactly.
Approx Crossing(const Line& flatter, const Line& steeper)
{
    if (steeper.Index == flatter.Index + 1)
        return Approx(flatter.Right.X);
    if (flatter.Index == steeper.Index + 1)
        return Approx(flatter.Left.X);
    const PointD& origin = flatter.Left;
    const Approx aFlatter = exact::Difference(flatter.Right.Y, origin.Y);
    const Approx wFlatter = exact::Difference(flatter.Right.X, origin.X);
    const Approx aSteeper = exact::Difference(steeper.Right.Y, steeper.Left.Y);
    const Approx wSteeper = exact::Difference(steeper.Right.X, steeper.Left.X);
    const Approx bSteeper = wSteeper * exact::Difference(steeper.Left.Y, origin.Y)
        - aSteeper * exact::Difference(steeper.Left.X, origin.X);
    return Approx(origin.X) + bSteeper * wFlatter / (aFlatter * wSteeper - aSteeper * wFlatter);
}

Rational ExactCrossing(const Line& flatter, const Line& steeper)
{
    const Rational originX(flatter.Left.X);
    const Rational originY(flatter.Left.Y);
    const Rational aFlatter = Rational(flatter.Right.Y) - originY;
    const Rational wFlatter = Rational(flatter.Right.X) - originX;
    const Rational aSteeper = Rational(steeper.Right.Y) - Rational(steeper.Left.Y);
    const Rational wSteeper = Rational(steeper.Right.X) - Rational(steeper.Left.X);
    const Rational bSteeper = wSteeper * (Rational(steeper.Left.Y) - originY)
        - aSteeper * (Rational(steeper.Left.X) - originX);
    return originX + bSteeper * wFlatter / (aFlatter * wSteeper - aSteeper * wFlatter);
}

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
        const double first = vertices.front().X;
        const double last = vertices.back().X;
        const Line steeper = LineOf(*steepest);
        const Line flatter = LineOf(*flattest);
        if (largest == smallest) {
            AddGuard(steeper, first, last);
            return;
        }
        // Left of the crossing the flatter line is the higher, right of it the steeper.
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
                    = 8 * UnitRoundoff<double> * (std::fabs(left.Y) + std::fabs(run)) + 0x1p-1070;
                if (!(Wide(value) + 2 * Wide(bound) < floor))
                    return false;
            }
        }
        return true;
    }

private:
    static constexpr double Infinity = std::numeric_limits<double>::infinity();

    // A line of V's and two x, each with the least value the line can have there.
    struct Guard {
        std::pair<double, Wide> Points[2];
    };

    Line LineOf(Segment s) const { return { m_vertices[s], m_vertices[s + 1], s }; }

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

// The lines that may show on V over the range, in the exact order of their slopes. The
// slopes computed in doubles
// are within 3.01 units of the exact ones, and within 2^-1070 where the quotient underflows:
// their order is taken as it is wherever those ranges keep neighbours apart, and decided
// exactly among neighbours whose ranges meet.
std::vector<Line> LinesBySlope(std::span<const PointD> vertices)
{
    constexpr double Largest = std::numeric_limits<double>::max();
    struct Keyed {
        std::uint64_t Key; // of the slope rounded to a double
        Segment Index;
    };
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
            slope = static_cast<double>(
                std::clamp<Wide>(SlopeValue({ left, right, 0 }), -Wide(Largest), Wide(Largest)));
        keyed.push_back({ OrderKey(slope), Segment(k - 1) });
    }
    // Linear: on a million slopes a comparison sort was most of the solver's time.
    std::vector<Keyed> spare(keyed.size());
    const std::span<const Keyed> bySlope(
        RadixSort(keyed.data(), spare.data(), keyed.data(), keyed.size(),
            [](const Keyed& item) { return item.Key; }),
        keyed.size());

    std::vector<Line> lines;
    lines.reserve(bySlope.size());
    for (const Keyed& item : bySlope)
        lines.push_back({ vertices[item.Index], vertices[item.Index + 1], item.Index });

    // Both ends of a slope's range grow with the slope, so a group ends where the highest end
    // so far lies below the next low end. Near the ends of the doubles' range a slope may
    // have been clamped: its range reaches to infinity.
    const auto slopeOf = [&](std::size_t k) {
        const std::uint64_t key = bySlope[k].Key;
        return std::bit_cast<double>(key >> 63 ? key & ~(std::uint64_t(1) << 63) : ~key);
    };
    const auto low = [](double slope) {
        return slope <= -0x1p1000 ? -std::numeric_limits<double>::infinity()
                                  : slope - 8 * UnitRoundoff<double> * std::fabs(slope) - 0x1p-1070;
    };
    const auto high = [](double slope) {
        return slope >= 0x1p1000 ? std::numeric_limits<double>::infinity()
                                 : slope + 8 * UnitRoundoff<double> * std::fabs(slope) + 0x1p-1070;
    };
    std::uint32_t group = 0;
    for (std::size_t begin = 0; begin < lines.size(); ++group) {
        double highest = high(slopeOf(begin));
        std::size_t end = begin + 1;
        for (; end < lines.size() && !(highest < low(slopeOf(end))); ++end)
            highest = std::max(highest, high(slopeOf(end)));
        const auto first = lines.begin() + static_cast<std::ptrdiff_t>(begin);
        const auto last = lines.begin() + static_cast<std::ptrdiff_t>(end);
        // Groups of exactly equal slopes are common (whole-number profiles) and need no sort.
        if (std::any_of(first + 1, last,
                [&](const Line& line) { return CompareSlopes(*first, line) != 0; }))
            std::sort(
                first, last, [](const Line& a, const Line& b) { return CompareSlopes(a, b) < 0; });
        for (auto line = first; line != last; ++line)
            line->SlopeGroup = group;
        begin = end;
    }
    return lines;
}

// The lines that show on V over the range, in order of increasing slope, hence from left to
// right; consecutive ones change places at strictly increasing x. Beyond the range some of
// V's lines may be missing.
std::vector<Line> UpperEnvelope(std::span<const PointD> vertices)
{
    std::vector<Line> envelope;
    const std::vector<Line> lines = LinesBySlope(vertices);
    envelope.reserve(lines.size());
    for (const Line& line : lines) {
        if (!envelope.empty() && envelope.back().SlopeGroup == line.SlopeGroup
            && CompareSlopes(envelope.back(), line) == 0) {
            // Of parallel lines only the highest can show.
            if (!StrictlyAbove(line.Left, envelope.back()))
                continue;
            envelope.pop_back();
        }
        while (envelope.size() >= 2 && !Shows(envelope[envelope.size() - 2], envelope.back(), line))
            envelope.pop_back();
        envelope.push_back(line);
    }
    return envelope;
}

} // namespace

struct ProfileSolution::Envelope {
    std::span<const PointD> Vertices;
    std::vector<Line> OnTop; // the lines that form V, from left to right
    std::vector<Approx> Slopes; // of OnTop
    std::vector<Approx> Crossings; // Crossings[j]: where OnTop[j + 1] takes over from OnTop[j]
    double HighestY = 0; // V of a profile without slopes
    ProfileAnswer Answer;

    explicit Envelope(std::span<const PointD> vertices)
        : Vertices(vertices)
        , OnTop(UpperEnvelope(vertices))
    {
        Slopes.reserve(OnTop.size());
        for (const Line& line : OnTop)
            Slopes.push_back(Slope(line));
        for (std::size_t j = 0; j + 1 < OnTop.size(); ++j)
            Crossings.push_back(Crossing(OnTop[j], OnTop[j + 1]));
        if (OnTop.empty())
            HighestY = std::max_element(
                vertices.begin(), vertices.end(), [](const PointD& a, const PointD& b) {
                    return a.Y < b.Y;
                })->Y;
    }

    double First() const { return Vertices.front().X; }
    double Last() const { return Vertices.back().X; }

    Rational ExactCrossing(std::size_t j) const { return ::ExactCrossing(OnTop[j], OnTop[j + 1]); }

    // The sign of crossing j - x.
    int CompareCrossing(std::size_t j, double x) const
    {
        if (const auto sign = exact::Sign(Crossings[j] - Approx(x)))
            return *sign;
        return sgn(ExactCrossing(j) - Rational(x));
    }

    double NearestCrossing(std::size_t j) const
    {
        if (const auto nearest = exact::Nearest(Crossings[j]))
            return *nearest;
        return exact::Nearest(ExactCrossing(j));
    }

    // The index in OnTop of the line on top at x: the leftmost where two meet at x.
    std::size_t LineOnTopAt(double x) const
    {
        std::size_t low = 0;
        std::size_t high = Crossings.size();
        while (low < high) {
            const std::size_t middle = low + (high - low) / 2;
            if (CompareCrossing(middle, x) < 0)
                low = middle + 1;
            else
                high = middle;
        }
        return low;
    }

    Approx TopAt(std::size_t line, double x) const
    {
        return LineAt(OnTop[line], Slopes[line], Approx(x));
    }

    // V(x) rounded by `round`, which takes an Approx or a Rational.
    template <class Round>
    double RoundedTopAt(double x, Round round) const
    {
        if (OnTop.empty())
            return HighestY;
        const std::size_t line = LineOnTopAt(x);
        if (const auto rounded = round(TopAt(line, x)))
            return *rounded;
        return round(ExactLineAt(OnTop[line], Rational(x)));
    }

    // T at the X of vertex k, the first of its X: the highest there. Sets `end` past the last.
    double GroundAtVertex(std::size_t k, std::size_t& end) const
    {
        double ground = Vertices[k].Y;
        for (end = k + 1; end < Vertices.size() && Vertices[end].X == Vertices[k].X; ++end)
            ground = std::max(ground, Vertices[end].Y);
        return ground;
    }

    // T at x within the range: the highest vertex at x, or the segment across x.
    struct Ground {
        std::optional<double> VertexY;
        Line Across {};
    };
    Ground GroundAt(double x) const
    {
        const auto at = std::lower_bound(Vertices.begin(), Vertices.end(), x,
            [](const PointD& vertex, double x) { return vertex.X < x; });
        const auto k = static_cast<std::size_t>(at - Vertices.begin());
        if (at != Vertices.end() && at->X == x) {
            std::size_t end = 0;
            return { GroundAtVertex(k, end), {} };
        }
        return { std::nullopt, { Vertices[k - 1], Vertices[k], Segment(k - 1) } };
    }
    static Approx GroundValue(const Ground& ground, double x)
    {
        return ground.VertexY ? Approx(*ground.VertexY)
                              : LineAt(ground.Across, Slope(ground.Across), Approx(x));
    }
    static Rational ExactGroundValue(const Ground& ground, double x)
    {
        return ground.VertexY ? Rational(*ground.VertexY) : ExactLineAt(ground.Across, Rational(x));
    }
    Rational ExactTopAt(double x) const
    {
        return OnTop.empty() ? Rational(HighestY) : ExactLineAt(OnTop[LineOnTopAt(x)], Rational(x));
    }

    // Of the two doubles around crossing j, the one where `objective` (exact, of a double)
    // is less; the nearest on a tie.
    template <class Objective>
    double NeighbourOfCrossing(std::size_t j, Objective objective) const
    {
        const double nearest = NearestCrossing(j);
        const Rational crossing = ExactCrossing(j);
        const int side = cmp(crossing, Rational(nearest));
        if (side == 0)
            return nearest;
        const double other
            = std::nextafter(nearest, side * std::numeric_limits<double>::infinity());
        return objective(other) < objective(nearest) ? other : nearest;
    }

    void Solve();
    void SolveTower();
    void SolveIsland();
};

namespace {

// A place where V - T may be least: the X of a group of vertices, or a change of V's line
// between two vertices' X.
struct TowerCandidate {
    // Doubles certainly at or below and at or above V - T there; its extended-precision
    // value is worked out only when those do not settle a comparison.
    double Low = -std::numeric_limits<double>::infinity();
    double High = std::numeric_limits<double>::infinity();
    std::optional<Approx> Height;
    bool AtCrossing = false;
    std::size_t Index = 0; // of a vertex, or of the crossing
    std::size_t Top = 0; // the line on top there, in OnTop
    Line Ground {}; // the ground's segment under a crossing
    double GroundY = 0; // T at a vertex
};

void Bracket(TowerCandidate& candidate, const Approx& height)
{
    candidate.Height = height;
    if (height.Error == 0 && static_cast<double>(height.Value) == height.Value) {
        candidate.Low = candidate.High = static_cast<double>(height.Value);
        return;
    }
    constexpr double Infinity = std::numeric_limits<double>::infinity();
    candidate.Low = std::nextafter(static_cast<double>(height.Value - 2 * height.Error), -Infinity);
    candidate.High = std::nextafter(static_cast<double>(height.Value + 2 * height.Error), Infinity);
}

} // namespace

void ProfileSolution::Envelope::SolveTower()
{
    const auto approxHeight = [&](TowerCandidate& candidate) -> const Approx& {
        if (!candidate.Height)
            candidate.Height
                = TopAt(candidate.Top, Vertices[candidate.Index].X) - Approx(candidate.GroundY);
        return *candidate.Height;
    };
    const auto exactHeight = [&](const TowerCandidate& candidate) -> Rational {
        if (!candidate.AtCrossing) {
            return ExactLineAt(OnTop[candidate.Top], Rational(Vertices[candidate.Index].X))
                - Rational(candidate.GroundY);
        }
        const Rational x = ExactCrossing(candidate.Index);
        return ExactLineAt(OnTop[candidate.Top], x) - ExactLineAt(candidate.Ground, x);
    };
    // Long straight stretches give many exact ties, at 0 where the ground lies on V's line
    // and elsewhere under one line of V. Those two orders are signs of two products'
    // difference, which whole numbers settle without rationals.
    const auto orderWithoutRationals
        = [&](const TowerCandidate& candidate, const TowerCandidate& other,
              const std::optional<Rational>& otherExact) -> std::optional<int> {
        if (candidate.AtCrossing)
            return std::nullopt;
        const Line& line = OnTop[candidate.Top];
        const double x = Vertices[candidate.Index].X;
        if (!other.AtCrossing && other.Top == candidate.Top) {
            return exact::SignOfProductDifference(line.Right.Y, line.Left.Y, x,
                Vertices[other.Index].X, candidate.GroundY, other.GroundY, line.Right.X,
                line.Left.X);
        }
        const bool otherIsZero
            = (other.Height && other.Height->Value == 0 && other.Height->Error == 0)
            || (otherExact && sgn(*otherExact) == 0);
        if (otherIsZero) {
            return exact::SignOfProductDifference(line.Right.Y, line.Left.Y, x, line.Left.X,
                candidate.GroundY, line.Left.Y, line.Right.X, line.Left.X);
        }
        return std::nullopt;
    };
    // Candidates come from left to right; a later one must be lower, exactly, to win.
    std::optional<TowerCandidate> best;
    std::optional<Rational> bestExact;
    const auto offer = [&](TowerCandidate& candidate) {
        if (best && candidate.Low > best->High)
            return;
        std::optional<Rational> candidateExact;
        if (best && !(candidate.High < best->Low)) {
            std::optional<int> order = exact::Sign(approxHeight(candidate) - approxHeight(*best));
            if (!order)
                order = orderWithoutRationals(candidate, *best, bestExact);
            if (!order) {
                if (!bestExact)
                    bestExact = exactHeight(*best);
                candidateExact = exactHeight(candidate);
                order = cmp(*candidateExact, *bestExact);
            }
            if (*order >= 0)
                return;
        }
        best = candidate;
        bestExact = std::move(candidateExact);
    };

    // Where a slope is not a number, the bounds below hold nothing.
    std::vector<double> slopes;
    slopes.reserve(OnTop.size());
    for (const Line& line : OnTop)
        slopes.push_back(SlopeInDoubles(line.Left, line.Right));
    // The sign of crossing j - x, settled by its bound where it can be.
    const auto compareCrossing = [&](std::size_t j, double x) {
        const Approx& crossing = Crossings[j];
        if (crossing.Value + 2 * crossing.Error < x)
            return -1;
        if (crossing.Value - 2 * crossing.Error > x)
            return 1;
        return CompareCrossing(j, x);
    };

    std::size_t next = 0; // the first crossing not left behind
    for (std::size_t k = 0; k < Vertices.size();) {
        const double x = Vertices[k].X;
        for (; next < Crossings.size() && compareCrossing(next, x) < 0; ++next) {
            // A crossing at a vertex's X is met with that vertex, where T is the highest.
            if (k == 0 || compareCrossing(next, Vertices[k - 1].X) <= 0)
                continue;
            TowerCandidate candidate;
            candidate.AtCrossing = true;
            candidate.Index = candidate.Top = next;
            candidate.Ground = { Vertices[k - 1], Vertices[k], Segment(k - 1) };
            const Approx& at = Crossings[next];
            Bracket(candidate,
                LineAt(OnTop[next], Slopes[next], at)
                    - LineAt(candidate.Ground, Slope(candidate.Ground), at));
            offer(candidate);
        }
        std::size_t end = 0;
        TowerCandidate candidate;
        candidate.Index = k;
        candidate.Top = next;
        candidate.GroundY = GroundAtVertex(k, end);
        const Line& line = OnTop[next];
        const double ground = candidate.GroundY;
        if ((line.Left.X == x && line.Left.Y == ground)
            || (line.Right.X == x && line.Right.Y == ground)) {
            // A line through the highest vertex there needs no arithmetic.
            Bracket(candidate, Approx(0));
        } else {
            // The run is within 5.1 units, the height within 7.2 units of the magnitudes.
            const double run = slopes[next] * (x - line.Left.X);
            const double height = line.Left.Y + run - ground;
            const double bound
                = 16 * UnitRoundoff<double> * (std::fabs(line.Left.Y) + std::fabs(run) + std::fabs(ground))
                + 0x1p-1070;
            if (height - bound == height - bound) { // neither overflowed
                candidate.Low = height - bound;
                candidate.High = height + bound;
            }
        }
        offer(candidate);
        k = end;
    }

    const double x = !best->AtCrossing
        ? Vertices[best->Index].X
        : NeighbourOfCrossing(best->Index, [&](double at) {
              return Rational(ExactTopAt(at) - ExactGroundValue(GroundAt(at), at));
          });
    Answer.Tower = { x, RoundedTopAt(x, [](const auto& v) { return exact::AtOrAbove(v); }) };
}

void ProfileSolution::Envelope::SolveIsland()
{
    // V falls while its lines do; the first line that does not fall starts the lowest part.
    const auto rising = std::partition_point(
        OnTop.begin(), OnTop.end(), [](const Line& line) { return line.Right.Y < line.Left.Y; });
    const std::size_t change = static_cast<std::size_t>(rising - OnTop.begin());
    double x = First();
    if (change == OnTop.size())
        x = Last();
    else if (change > 0 && CompareCrossing(change - 1, First()) > 0) {
        x = CompareCrossing(change - 1, Last()) >= 0
            ? Last()
            : NeighbourOfCrossing(change - 1, [&](double at) { return ExactTopAt(at); });
    }
    Answer.Island = { x, RoundedTopAt(x, [](const auto& v) { return exact::AtOrAbove(v); }) };
}

void ProfileSolution::Envelope::Solve()
{
    if (OnTop.empty()) {
        Answer = { { First(), HighestY }, { First(), HighestY } };
        return;
    }
    SolveTower();
    SolveIsland();
}

ProfileSolution::ProfileSolution(std::span<const PointD> vertices)
{
    if (vertices.empty())
        throw std::invalid_argument("a profile needs at least one vertex");
    if (vertices.size() >= std::numeric_limits<Segment>::max())
        throw std::invalid_argument("a profile has more vertices than a solution can hold");
    for (std::size_t k = 0; k < vertices.size(); ++k) {
        if (!std::isfinite(vertices[k].X) || !std::isfinite(vertices[k].Y))
            throw std::invalid_argument("a vertex has a coordinate that is not a finite number");
        if (k > 0 && vertices[k].X < vertices[k - 1].X)
            throw std::invalid_argument("the vertices are not ordered by x");
    }
    m_envelope = std::make_unique<Envelope>(vertices);
    m_envelope->Solve();
}

namespace {

void RequireInRange(double x, const ProfileSolution::Envelope& envelope)
{
    if (!(x >= envelope.First() && x <= envelope.Last()))
        throw std::invalid_argument("an x lies outside the profile");
}

} // namespace

ProfileSolution::~ProfileSolution() = default;
ProfileSolution::ProfileSolution(ProfileSolution&&) noexcept = default;
ProfileSolution& ProfileSolution::operator=(ProfileSolution&&) noexcept = default;

const ProfileAnswer& ProfileSolution::Answer() const { return m_envelope->Answer; }

double ProfileSolution::First() const { return m_envelope->First(); }

double ProfileSolution::Last() const { return m_envelope->Last(); }

Rational ProfileSolution::TopAt(double x) const
{
    RequireInRange(x, *m_envelope);
    return m_envelope->ExactTopAt(x);
}

ProfileSlope ProfileSolution::SlopeOnTopAt(double x) const
{
    const Envelope& envelope = *m_envelope;
    RequireInRange(x, envelope);
    if (envelope.OnTop.empty()) {
        const PointD highest { envelope.First(), envelope.HighestY };
        return { highest, highest };
    }
    const Line& line = envelope.OnTop[envelope.LineOnTopAt(x)];
    return { line.Left, line.Right };
}

Rational ProfileSolution::GroundAt(double x) const
{
    RequireInRange(x, *m_envelope);
    const Envelope& envelope = *m_envelope;
    return envelope.ExactGroundValue(envelope.GroundAt(x), x);
}

ProfileAnswer SolveProfile(std::vector<PointD> vertices)
{
    if (vertices.empty())
        throw std::invalid_argument("a profile needs at least one vertex");
    for (const PointD& vertex : vertices) {
        if (!std::isfinite(vertex.X) || !std::isfinite(vertex.Y))
            throw std::invalid_argument("a vertex has a coordinate that is not a finite number");
    }
    if (vertices.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw std::invalid_argument("a profile has more vertices than a solution can hold");
    QuickSort(vertices);
    return ProfileSolution(vertices).Answer();
}
