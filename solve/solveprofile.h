#pragma once

#include "scene/profile.h"
#include "solve/exactarithmetic.h"

#include <cstddef>
#include <memory>
#include <span>
#include <vector>

namespace solving {
struct Envelope;
}

// The answer written to the result file: the tower's top and the floating island.
struct ProfileAnswer {
    PointD Tower;
    PointD Island;
};

// A slope of the profile: the segment between two neighbouring vertices of different X.
struct ProfileSlope {
    PointD From;
    PointD To;
};

// The solution of one profile, kept so that answers can be judged against it.
//
// The vertices, in the order given, form the profile T, a polyline; its segments of zero
// width are skipped. V(x) is the largest value at x of the lines through the remaining
// segments: the lowest height from which every segment is seen from above. Without such a
// segment (one vertex, or all at one X) V is the highest Y.
//
// - Tower: the x in [First, Last] with the least V(x) - T(x), as (x, V(x)). Where several
//   vertices share an X, T there is the highest of them. A vertical step gives no line, so
//   at the X of a spike V can lie below T: the tower's top is then inside the spike.
// - Island: the x in the same range with the least V(x), as (x, V(x)).
//
// Every choice is exact: the envelope, the candidates and the optimum are decided on the
// exact values of the lines through the vertices, and exact ties go to the smallest x. An
// answer's x is the double nearest the exact optimum, or the other double beside it where
// that is lower; its y is the smallest double at or above V there, so the answer sees every
// slope. The exact arithmetic is needed only where
// extended precision cannot decide, which is rare outside exact ties.
class ProfileSolution {
public:
    // `vertices` must be ordered by X (equal X in any order), hold at least one vertex and
    // only finite coordinates, and outlive this solution. O(n) beyond ordering the slopes.
    // Throws std::invalid_argument for an empty profile and std::range_error when an answer
    // lies beyond the range of a double (astronomically steep slopes far apart).
    explicit ProfileSolution(std::span<const PointD> vertices);
    ~ProfileSolution();
    ProfileSolution(ProfileSolution&&) noexcept;
    ProfileSolution& operator=(ProfileSolution&&) noexcept;

    // The heights of the answer are the least a double answer reaches, the tower's above the
    // ground and the island's: within a unit of the exact optimum's rounding, unless V has
    // its kink between lines so steep that no double x comes closer.
    const ProfileAnswer& Answer() const;
    double First() const;
    double Last() const;
    // For a finite x in [First, Last] (else std::invalid_argument): V(x), the slope whose
    // line is highest there (the leftmost of two at a change; the highest vertex, as both
    // ends, for a profile without slopes), and T(x). The numbers are exact, so that an
    // answer is judged right however far beyond every double they lie.
    exact::Rational TopAt(double x) const;
    ProfileSlope SlopeOnTopAt(double x) const;
    exact::Rational GroundAt(double x) const;

private:
    std::unique_ptr<solving::Envelope> m_envelope;
    ProfileAnswer m_answer;
};

// Solves the profile given by `vertices` (any order, finite coordinates, at least one):
// orders them by X as the viewer does (QuickSort, which also decides the order of equal X)
// and returns ProfileSolution's answer. Throws std::invalid_argument when `vertices` is empty
// or holds a non-finite coordinate, and std::range_error as ProfileSolution does; never
// returns NaN or infinity.
ProfileAnswer SolveProfile(std::vector<PointD> vertices);
