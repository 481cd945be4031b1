// Times what `morvadine --check` does on 1,000,000 random vertices once the solver has exited
// (the load, the verdict and its report line, and with --picture the picture file) against
// LoadResults alone, all measured in the same run, taking turns.
//
//   build/bin/bench_check [repetitions]
#include "benchsupport.h"
#include "check/checkmode.h"
#include "scene/loadresults.h"
#include "solve/solveprofile.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const int repetitions = Repetitions(argc, argv, 5);
    const std::vector<PointD> vertices = RandomProfile();
    QTemporaryDir folder;
    WritePointFile(folder.filePath(PointFileName).toStdString(), vertices);
    // The best answer, so that the check goes all the way to the heights.
    const ProfileAnswer answer = SolveProfile(vertices);
    WriteNumbers(folder.filePath(ResultFileName).toStdString(), {},
        { answer.Tower.X, answer.Tower.Y, answer.Island.X, answer.Island.Y }, 4);

    const QString file = QStringLiteral("bench.in");
    const CheckRequest plain;
    CheckRequest withPicture;
    withPicture.Picture.Pattern = folder.filePath(QStringLiteral("{name}.png"));
    const std::filesystem::path path = folder.path().toStdString();

    int failures = 0;
    const auto loadAndReport = [&](const CheckRequest& request) {
        return [&, request = &request] {
            const std::unique_ptr<LoadedProfile> profile = LoadResults(path);
            if (ReportCollected(*profile, file, {}, *request).Outcome != FileOutcome::Ok)
                ++failures;
        };
    };
    const std::vector<Timing> timings = SecondsOfRunsInTurns(repetitions,
        { [&] { LoadResults(path); }, loadAndReport(plain), loadAndReport(withPicture) });
    const double load = timings[0].Median;
    const double check = timings[1].Median;
    const double picture = timings[2].Median;

    std::printf("1,000,000 random vertices, after the solver, medians of %d runs\n", repetitions);
    std::printf("  LoadResults                    %8.1f ms\n", load * 1e3);
    std::printf("  load + verdict + line          %8.1f ms\n", check * 1e3);
    std::printf("  ... + picture file             %8.1f ms\n", picture * 1e3);
    std::printf("  check / LoadResults            %8.2f   (target <= 1.50)\n", check / load);
    std::printf("  check with picture / Load      %8.2f   (target <= 1.50)%s\n", picture / load,
        failures ? "  (ANSWERS JUDGED WRONG)" : "");
    return failures == 0 ? 0 : 1;
}
