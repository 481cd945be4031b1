// Times the collection of a solver run of a 1,000,000-vertex rugged profile, from the moment
// the window's 500 ms timer fires (SolverRun::Collect) to the final picture (DrawScene on the
// window's image surface at its first size, with the window's sample bound of 200): once with
// the point file read ahead while the solver ran (the window's way), once loaded at the
// collection. For comparison, LoadResults alone on the same files. The solver is a test
// solver that answers at once, so the timer always finds it ended. Last, the most memory the
// process has held (VmHWM): each collection keeps one profile, as the window does.
//
//   build/bin/bench_collect [repetitions]
#include "benchsupport.h"
#include "render/drawscene.h"
#include "render/imagesurface.h"
#include "runsolver/solverrun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

void Wait(int milliseconds)
{
    bool fired = false;
    QTimer::singleShot(milliseconds, [&] { fired = true; });
    while (!fired)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// From now on the peak counts only what follows, not the making of the profile file.
void ResetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// The most memory the process has held since ResetPeak, in MB; 0 where the system does not say.
double PeakMegabytes()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atof(line.c_str() + 6) / 1024.0;
    }
    return 0.0;
}

// One run, from Start to the picture; returns the milliseconds from the timer to the picture.
// `shown` is the profile on show, let go at the drop as the window lets its own go.
double CollectOnce(SolverRun& run, std::shared_ptr<const LoadedProfile>& shown, SceneView& view,
    ImageSurface& surface, const QString& profile, bool readAhead)
{
    shown.reset();
    const QString problem = run.Start(profile,
        readAhead ? SolverRun::PointReading::Ahead : SolverRun::PointReading::AtCollection);
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
        std::exit(1);
    }
    Wait(500);
    QElapsedTimer clock;
    clock.start();
    bool reported = false;
    const auto collected = QObject::connect(&run, &SolverRun::Collected,
        [&](const std::shared_ptr<const LoadedProfile>& loaded) {
            shown = loaded;
            reported = true;
        });
    const auto failed = QObject::connect(&run, &SolverRun::Failed, [&](const QString& message) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        std::exit(1);
    });
    run.Collect();
    while (!reported)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    FitHeight(view, *shown);
    DrawScene(shown.get(), view, surface, DrawOptions { 200, false, false });
    surface.Image();
    const double elapsed = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    QObject::disconnect(collected);
    QObject::disconnect(failed);
    return elapsed;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const int repetitions = Repetitions(argc, argv, 5, 3);

    QTemporaryDir root;
    const QString program = root.filePath(QStringLiteral("program"));
    QDir().mkpath(program);
    if (!QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/solver_answer"),
                     program + QStringLiteral("/calc.exe"))) {
        std::fprintf(stderr, "solver_answer is missing beside the benchmark\n");
        return 1;
    }
    const QString profile = root.filePath(QStringLiteral("profile.txt"));
    WritePointFile(profile.toStdString(), RandomProfile());

    SolverRun run(program);
    std::shared_ptr<const LoadedProfile> shown;
    SceneView view;
    ImageSurface surface;
    view.ViewWidth = 8295 - 120;
    view.ViewHeight = 3495 - 120;

    std::vector<double> ahead;
    std::vector<double> atCollection;
    ResetPeak();
    for (int r = 0; r < repetitions; ++r) {
        ahead.push_back(CollectOnce(run, shown, view, surface, profile, true));
        atCollection.push_back(CollectOnce(run, shown, view, surface, profile, false));
    }
    shown.reset();
    const double collectionPeak = PeakMegabytes();
    // The reference load alone, on the files as a run stages them.
    QTemporaryDir work;
    QFile::copy(profile, work.filePath(QLatin1String(PointFileName)));
    std::ofstream((work.path() + QStringLiteral("/") + QLatin1String(ResultFileName)).toStdString()) << "1 2 3 4\n";
    std::vector<double> reference;
    for (int r = 0; r < repetitions; ++r)
        reference.push_back(Seconds([&] { LoadResults(work.path().toStdString()); }) * 1e3);

    const Timing withReadAhead = BestAndMedian(ahead);
    const Timing loadedThen = BestAndMedian(atCollection);
    const Timing referenceLoad = BestAndMedian(reference);
    std::printf("1,000,000 vertices; from the timer to the picture, best / median of %d runs\n", repetitions);
    std::printf("  read ahead while the solver ran   %7.1f / %7.1f ms   (target <= 10)\n",
                withReadAhead.Best, withReadAhead.Median);
    std::printf("  loaded at the collection, 2 cores %7.1f / %7.1f ms\n", loadedThen.Best, loadedThen.Median);
    std::printf("  LoadResults alone (reference)     %7.1f / %7.1f ms\n", referenceLoad.Best, referenceLoad.Median);
    std::printf("  peak memory of the collections   %7.1f MB          (target <= 120)\n",
        collectionPeak);
    std::printf("target %s\n", withReadAhead.Median <= 10.0 ? "met" : "NOT met");
    return 0;
}
