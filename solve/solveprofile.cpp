#include "solve/solveprofile.h"

#include "solve/envelope.h"
#include "solve/tower.h"

#include "scene/quicksort.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <stdexcept>

using exact::Rational;
using solving::Envelope;
using solving::Line;

namespace {

// V falls while its lines do; the first line that does not fall starts the lowest part.
PointD SolveIsland(const Envelope& envelope)
{
    const auto& onTop = envelope.OnTop;
    const auto rising = std::partition_point(
        onTop.begin(), onTop.end(), [](const Line& line) { return line.Right.Y < line.Left.Y; });
    const std::size_t change = static_cast<std::size_t>(rising - onTop.begin());
    double x = envelope.First();
    if (change == onTop.size())
        x = envelope.Last();
    else if (change > 0 && envelope.CompareCrossing(change - 1, envelope.First()) > 0) {
        x = envelope.CompareCrossing(change - 1, envelope.Last()) >= 0
            ? envelope.Last()
            : envelope.NeighbourOfCrossing(
                change - 1, [&](double at) { return envelope.ExactTopAt(at); });
    }
    return { x, envelope.TopAtOrAbove(x) };
}

void RequireInRange(double x, const Envelope& envelope)
{
    if (!(x >= envelope.First() && x <= envelope.Last()))
        throw std::invalid_argument("an x lies outside the profile");
}

void RequireSolvable(std::span<const PointD> vertices)
{
    if (vertices.empty())
        throw std::invalid_argument("a profile needs at least one vertex");
    if (vertices.size() >= std::numeric_limits<solving::Segment>::max())
        throw std::invalid_argument("a profile has more vertices than a solution can hold");
    for (std::size_t k = 0; k < vertices.size(); ++k) {
        if (!std::isfinite(vertices[k].X) || !std::isfinite(vertices[k].Y))
            throw std::invalid_argument("a vertex has a coordinate that is not a finite number");
        if (k > 0 && vertices[k].X < vertices[k - 1].X)
            throw std::invalid_argument("the vertices are not ordered by x");
    }
}

} // namespace

ProfileSolution::ProfileSolution(std::span<const PointD> vertices)
{
    RequireSolvable(vertices);
    m_envelope = std::make_unique<Envelope>(vertices);
    if (m_envelope->OnTop.empty()) {
        const PointD highest { m_envelope->First(), m_envelope->HighestY };
        m_answer = { highest, highest };
        return;
    }
    m_answer.Tower = solving::SolveTower(*m_envelope);
    m_answer.Island = SolveIsland(*m_envelope);
}

ProfileSolution::~ProfileSolution() = default;
ProfileSolution::ProfileSolution(ProfileSolution&&) noexcept = default;
ProfileSolution& ProfileSolution::operator=(ProfileSolution&&) noexcept = default;

const ProfileAnswer& ProfileSolution::Answer() const { return m_answer; }

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
    return m_envelope->ExactGroundAt(x);
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
