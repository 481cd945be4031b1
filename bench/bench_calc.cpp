// Times the stand-in solver on 1,000,000 random vertices against a baseline measured in the
// same run: std::stable_sort of the same vertices, a yardstick for ordering them.
// Then times calc.exe as the viewer runs it, reading the point file and writing the answer,
// against the viewer's 500 ms collection delay; and the verdict on its answer as the viewer
// would judge it after a load (the solution of the loaded, ordered vertices and the check),
// against LoadResults itself.
//
//   build/bin/bench_calc [repetitions]
#include "benchsupport.h"
#include "scene/loadresults.h"
#include "solve/solveprofile.h"
#include "solve/verdict.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <span>
#include <vector>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const int repetitions = Repetitions(argc, argv, 5);
    const std::vector<PointD> vertices = RandomProfile();

    QTemporaryDir folder;
    WritePointFile(folder.filePath(PointFileName).toStdString(), vertices);

    std::unique_ptr<LoadedProfile> scene;
    std::vector<PointD> copy;
    int failures = 0;
    const std::vector<Timing> timings = SecondsOfRunsInTurns(repetitions, {
        [&] { SolveProfile(vertices); },
        [&] {
            copy = vertices;
            std::stable_sort(copy.begin(), copy.end(),
                [](const PointD& a, const PointD& b) { return a.X < b.X; });
        },
        [&] {
            QProcess calc;
            calc.setWorkingDirectory(folder.path());
            calc.start(QCoreApplication::applicationDirPath() + "/calc.exe", {});
            if (!calc.waitForFinished(-1) || calc.exitCode() != 0)
                ++failures;
        },
        [&] { scene = LoadResults(folder.path().toStdString()); },
        // The verdict on the profile the load before it gave.
        [&] {
            const ProfileSolution solution(
                std::span<const PointD>(&scene->Points(1), std::size_t(scene->PointCount)));
            if (!CheckAnswer(solution, { scene->Tower, scene->Island }).Ok())
                ++failures;
        },
    });
    const double solve = timings[0].Median;
    const double baseline = timings[1].Median;
    const double program = timings[2].Median;
    const double load = timings[3].Median;
    const double check = timings[4].Median;

    std::printf("1,000,000 random vertices, medians of %d runs\n", repetitions);
    std::printf("  SolveProfile               %8.1f ms\n", solve * 1e3);
    std::printf("  baseline (stable_sort)     %8.1f ms\n", baseline * 1e3);
    std::printf("  solve / baseline           %8.2f\n", solve / baseline);
    std::printf("  calc.exe, files included   %8.1f ms%s\n", program * 1e3,
        failures ? "  (FAILED RUNS)" : "");
    std::printf("  calc.exe / baseline        %8.2f\n", program / baseline);
    std::printf("  calc.exe / 500 ms delay    %8.2f\n", program / 0.5);
    std::printf("  LoadResults                %8.1f ms\n", load * 1e3);
    std::printf("  verdict after the load     %8.1f ms\n", check * 1e3);
    std::printf("  verdict / LoadResults      %8.2f\n", check / load);
    return failures == 0 ? 0 : 1;
}
