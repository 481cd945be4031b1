// Times the stress mode's cases against their floor, the solver's process start: `cases`
// cases of `morvadine --stress` with the stand-in solver calc.exe on small profiles (2 to 12
// vertices, every shape), against a loop that only starts calc.exe on one small profile and
// waits for it as many times; the two take turns in the same run.
//
//   build/bin/bench_stress [repetitions] [cases]
#include "benchsupport.h"
#include "check/stressmode.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const int repetitions = Repetitions(argc, argv, 5);
    const int cases = argc > 2 ? std::max(1, std::atoi(argv[2])) : 200;
    const QString solver = QCoreApplication::applicationDirPath() + QStringLiteral("/calc.exe");

    QTemporaryDir programFolder;
    StressRequest request;
    request.Check.SolverProgram = solver;
    request.Seed = 1;
    request.Cases = cases;
    int failures = 0;
    const auto stress = [&] {
        QString report;
        QString notices;
        QTextStream reportStream(&report);
        QTextStream noticeStream(&notices);
        const CheckStop stop;
        if (RunStress(request, programFolder.path(), reportStream, noticeStream, stop, false)
            != ExitNoFailure)
            ++failures;
    };

    QTemporaryDir solverFolder;
    WritePointFile(solverFolder.filePath(PointFileName).toStdString(),
        { { 0, 0 }, { 3, 4 }, { 5, 1 }, { 8, 6 }, { 9, 2 } });
    const auto startsOnly = [&] {
        for (int k = 0; k < cases; ++k) {
            QProcess process;
            process.setWorkingDirectory(solverFolder.path());
            process.start(solver, {});
            if (!process.waitForFinished() || process.exitCode() != 0)
                ++failures;
        }
    };

    const std::vector<Timing> timings = SecondsOfRunsInTurns(repetitions, { startsOnly, stress });
    const double floorRate = cases / timings[0].Median;
    const double stressRate = cases / timings[1].Median;
    std::printf("%d cases of 2 to 12 vertices, medians of %d runs in turns\n", cases, repetitions);
    std::printf("  start and wait for calc.exe      %8.0f cases/s\n", floorRate);
    std::printf("  morvadine --stress               %8.0f cases/s\n", stressRate);
    std::printf("  ratio                            %8.2fx of the floor\n", stressRate / floorRate);
    if (failures != 0)
        std::printf("  %d runs failed: the figures are not to be trusted\n", failures);
    return failures == 0 ? 0 : 1;
}
