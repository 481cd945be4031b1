#include "solve/tower.h"

#include <cmath>
#include <cstddef>
#include <limits>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace solving {

namespace {

    using exact::Approx;
    using exact::Rational;
    using exact::UnitRoundoff;

    constexpr double Infinity = std::numeric_limits<double>::infinity();

    // A place where V - T may be least: the X of a group of vertices, or a change of V's line
    // between two vertices' X.
    struct Candidate {
        // Doubles certainly at or below and at or above V - T there; its extended-precision
        // value is worked out only when those do not settle a comparison.
        double Low = -Infinity;
        double High = Infinity;
        std::optional<Approx> Height;
        bool AtCrossing = false;
        std::size_t Index = 0; // of a vertex, or of the crossing
        std::size_t Top = 0; // the line on top there, in OnTop
        Line Ground {}; // the ground's segment under a crossing
        double GroundY = 0; // T at a vertex
    };

    void Bracket(Candidate& candidate, const Approx& height)
    {
        candidate.Height = height;
        if (height.Error == 0 && static_cast<double>(height.Value) == height.Value) {
            candidate.Low = candidate.High = static_cast<double>(height.Value);
            return;
        }
        candidate.Low
            = std::nextafter(static_cast<double>(height.Value - 2 * height.Error), -Infinity);
        candidate.High
            = std::nextafter(static_cast<double>(height.Value + 2 * height.Error), Infinity);
    }

    // The candidate where V changes from line j to line j + 1, above the segment that ends at
    // vertex k.
    Candidate AtCrossing(const Envelope& envelope, std::size_t j, std::size_t k)
    {
        Candidate candidate;
        candidate.AtCrossing = true;
        candidate.Index = candidate.Top = j;
        candidate.Ground = { envelope.Vertices[k - 1], envelope.Vertices[k], Segment(k - 1) };
        const Approx& at = envelope.Crossings[j];
        Bracket(candidate,
            LineAt(envelope.OnTop[j], envelope.Slopes[j], at)
                - LineAt(candidate.Ground, Slope(candidate.Ground), at));
        return candidate;
    }

    // The candidate at the X of vertex k, under line `top` of V, whose slope in doubles is
    // `slope`. Sets `end` past the vertices of that X.
    Candidate AtVertex(
        const Envelope& envelope, std::size_t k, std::size_t top, double slope, std::size_t& end)
    {
        Candidate candidate;
        candidate.Index = k;
        candidate.Top = top;
        candidate.GroundY = envelope.GroundAtVertex(k, end);
        const Line& line = envelope.OnTop[top];
        const double x = envelope.Vertices[k].X;
        const double ground = candidate.GroundY;
        if ((line.Left.X == x && line.Left.Y == ground)
            || (line.Right.X == x && line.Right.Y == ground)) {
            // A line through the highest vertex there needs no arithmetic.
            Bracket(candidate, Approx(0));
            return candidate;
        }
        // The run is within 5.1 units, the height within 7.2 units of the magnitudes. Where the
        // slope is not a number, the bounds hold nothing and stay infinite.
        const double run = slope * (x - line.Left.X);
        const double height = line.Left.Y + run - ground;
        const double bound = 16
                * UnitRoundoff<
                    double> * (std::fabs(line.Left.Y) + std::fabs(run) + std::fabs(ground))
            + 0x1p-1070;
        if (height - bound == height - bound) { // neither overflowed
            candidate.Low = height - bound;
            candidate.High = height + bound;
        }
        return candidate;
    }

    template <class... Decisions>
    struct Overloaded : Decisions... {
        using Decisions::operator()...;
    };

    // The lowest of the candidates offered so far, from left to right: a later one must be
    // lower, exactly, to take its place, so that exact ties go to the smallest x.
    class LowestSoFar {
    public:
        explicit LowestSoFar(const Envelope& envelope)
            : m_envelope(envelope)
        {
        }

        void Offer(Candidate candidate)
        {
            if (m_lowest && candidate.Low > m_lowest->High)
                return;
            std::optional<Rational> candidateExact;
            if (m_lowest && !(candidate.High < m_lowest->Low)
                && Order(candidate, candidateExact) >= 0)
                return;
            m_lowest = std::move(candidate);
            m_lowestExact = std::move(candidateExact);
        }

        // After one offer at least.
        const Candidate& Lowest() const { return *m_lowest; }

    private:
        // The sign of the candidate's height less the lowest's; `candidateExact` is set where
        // the candidate's exact height was needed. Between the bound and the rationals, whole
        // numbers settle the exact ties that long straight stretches give.
        int Order(Candidate& candidate, std::optional<Rational>& candidateExact)
        {
            const auto decide = Overloaded {
                [&](const Approx& difference) -> std::optional<int> {
                    if (const auto sign = exact::Sign(difference))
                        return sign;
                    return OrderWithoutRationals(candidate);
                },
                [](const Rational& difference) { return sgn(difference); },
            };
            const auto exactDifference = [&]() -> Rational {
                if (!m_lowestExact)
                    m_lowestExact = ExactHeight(*m_lowest);
                candidateExact = ExactHeight(candidate);
                return *candidateExact - *m_lowestExact;
            };
            return exact::Decide(Height(candidate) - Height(*m_lowest), exactDifference, decide);
        }

        const Approx& Height(Candidate& candidate) const
        {
            if (!candidate.Height) {
                candidate.Height
                    = m_envelope.TopAt(candidate.Top, m_envelope.Vertices[candidate.Index].X)
                    - Approx(candidate.GroundY);
            }
            return *candidate.Height;
        }

        Rational ExactHeight(const Candidate& candidate) const
        {
            const Line& top = m_envelope.OnTop[candidate.Top];
            if (!candidate.AtCrossing) {
                return ExactLineAt(top, Rational(m_envelope.Vertices[candidate.Index].X))
                    - Rational(candidate.GroundY);
            }
            const Rational x = m_envelope.ExactCrossing(candidate.Index);
            return ExactLineAt(top, x) - ExactLineAt(candidate.Ground, x);
        }

        // The order where the candidate, at a vertex, shares V's line with the lowest, or the
        // lowest is 0: the sign of two products' difference either way.
        std::optional<int> OrderWithoutRationals(const Candidate& candidate) const
        {
            if (candidate.AtCrossing)
                return std::nullopt;
            const Candidate& lowest = *m_lowest;
            const Line& line = m_envelope.OnTop[candidate.Top];
            const double x = m_envelope.Vertices[candidate.Index].X;
            if (!lowest.AtCrossing && lowest.Top == candidate.Top) {
                return exact::SignOfProductDifference(line.Right.Y, line.Left.Y, x,
                    m_envelope.Vertices[lowest.Index].X, candidate.GroundY, lowest.GroundY,
                    line.Right.X, line.Left.X);
            }
            const bool lowestIsZero
                = (lowest.Height && lowest.Height->Value == 0 && lowest.Height->Error == 0)
                || (m_lowestExact && sgn(*m_lowestExact) == 0);
            if (lowestIsZero) {
                return exact::SignOfProductDifference(line.Right.Y, line.Left.Y, x, line.Left.X,
                    candidate.GroundY, line.Left.Y, line.Right.X, line.Left.X);
            }
            return std::nullopt;
        }

        const Envelope& m_envelope;
        std::optional<Candidate> m_lowest;
        std::optional<Rational> m_lowestExact;
    };

    // The tower's top at the lowest candidate: at a crossing, the double beside it where the
    // exact height is less.
    PointD TowerAt(const Envelope& envelope, const Candidate& lowest)
    {
        const double x = !lowest.AtCrossing
            ? envelope.Vertices[lowest.Index].X
            : envelope.NeighbourOfCrossing(lowest.Index, [&](double at) {
                  return Rational(envelope.ExactTopAt(at) - envelope.ExactGroundAt(at));
              });
        return { x, envelope.TopAtOrAbove(x) };
    }

} // namespace

PointD SolveTower(const Envelope& envelope)
{
    const std::size_t crossings = envelope.Crossings.size();
    std::vector<double> slopes;
    slopes.reserve(envelope.OnTop.size());
    for (const Line& line : envelope.OnTop)
        slopes.push_back(SlopeInDoubles(line.Left, line.Right));

    const std::span<const PointD> vertices = envelope.Vertices;
    LowestSoFar lowest(envelope);
    std::size_t next = 0; // the first crossing not left behind
    for (std::size_t k = 0; k < vertices.size();) {
        for (; next < crossings && envelope.CompareCrossing(next, vertices[k].X) < 0; ++next) {
            // A crossing at a vertex's X is met with that vertex, where T is the highest.
            if (k > 0 && envelope.CompareCrossing(next, vertices[k - 1].X) > 0)
                lowest.Offer(AtCrossing(envelope, next, k));
        }
        std::size_t end = 0;
        lowest.Offer(AtVertex(envelope, k, next, slopes[next], end));
        k = end;
    }
    return TowerAt(envelope, lowest.Lowest());
}

} // namespace solving
