#pragma once

#include "app/picture.h"
#include "solve/verdict.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// What the command line can ask of a run without a window, as plain data: the check mode's
// files and the stress mode's limits. The modes themselves live in the check layer.

// What a run of the viewer is asked to do with its solver, its files and its pictures; the
// window takes the solver, the tolerance and at most one file from it.
struct CheckRequest {
    QStringList Files; // as the user named them; the report names them so, escaped
    QString SolverProgram; // empty for calc.exe beside the viewer
    double Tolerance = DefaultTolerance;
    PictureRequest Picture;
    bool JsonReport = false; // one JSON object a line instead of the report's text lines
};

inline constexpr int ExitAllOk = 0;
inline constexpr int ExitSomeWrong = 1;
inline constexpr int ExitSomeFailed = 2; // also for a refused command line

// The kinds of profile the stress mode makes up, each a kind of input that breaks solvers.
enum class ProfileShape {
    SmallIntegers, // x and y whole, from -10 to 10
    VerticalSteps, // small integers where several vertices share an x, some the very same point
    EqualX, // every vertex at one x
    NearlyCollinear, // on one line but for a unit in the last place here and there
    SteepClusters, // a tight cluster of steep vertices beside vertices far away
    ContestIntegers, // whole numbers up to 1e9, x one apart
    Magnitudes, // from 1e-300 to 1e300, of either sign
    SingleSlope, // y rising, or falling, all the way along x
    FlatRuns, // runs of vertices at one height
};

inline constexpr ProfileShape AllShapes[]
    = { ProfileShape::SmallIntegers, ProfileShape::VerticalSteps, ProfileShape::EqualX,
          ProfileShape::NearlyCollinear, ProfileShape::SteepClusters, ProfileShape::ContestIntegers,
          ProfileShape::Magnitudes, ProfileShape::SingleSlope, ProfileShape::FlatRuns };

// The name the command line takes: "small", "steps", "same-x", "collinear", "clusters",
// "contest", "magnitudes", "slope", "flat".
std::string_view ShapeName(ProfileShape shape);
std::optional<ProfileShape> ShapeNamed(std::string_view name);

// Which cases a stress run makes up: vertex counts from Min to Max, shapes from Shapes.
struct CaseLimits {
    int MinVertices = 2;
    int MaxVertices = 12;
    std::vector<ProfileShape> Shapes { std::begin(AllShapes), std::end(AllShapes) };
};

// A stress run: its solver and report as for a check, its seed, budget, cases and output.
struct StressRequest {
    CheckRequest Check; // the solver, the tolerance and the report's form; no files
    std::optional<std::uint64_t> Seed; // taken from the clock when empty
    int Cases = 0; // how many cases at most; 0 to run for Time instead
    std::chrono::milliseconds Time = std::chrono::seconds(60);
    CaseLimits Limits;
    QString Out = QStringLiteral("stress-failure.in");
};

