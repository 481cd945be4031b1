#include "check/stressmode.h"

#include "check/jsonreport.h"
#include "check/shrink.h"
#include "solution/solveprofile.h"
#include "solver/platformcommands.h"
#include "solver/solverrun.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QMetaEnum>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryDir>

#include <stdexcept>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

QString PlacementKindName(PlacementKind kind)
{
    switch (kind) {
    case PlacementKind::Ok:
        return QStringLiteral("Ok");
    case PlacementKind::NotFinite:
        return QStringLiteral("NotFinite");
    case PlacementKind::OutsideRange:
        return QStringLiteral("OutsideRange");
    case PlacementKind::MissesSlope:
        return QStringLiteral("MissesSlope");
    case PlacementKind::HigherThanNeeded:
        break;
    }
    return QStringLiteral("HigherThanNeeded");
}

bool WriteProfile(const QString& file, const std::vector<PointD>& vertices)
{
    QSaveFile out(file);
    const std::string text = ProfileText(vertices);
    return out.open(QIODevice::WriteOnly)
        && out.write(text.data(), static_cast<qint64>(text.size()))
        == static_cast<qint64>(text.size())
        && out.commit();
}

// Whether the exact solution of `vertices` lies within the doubles, so that any answer can be
// judged; cases whose cannot are not the solver's to fail.
bool Judgeable(const std::vector<PointD>& vertices)
{
    try {
        SolveProfile(vertices);
        return true;
    } catch (const std::range_error&) {
        return false;
    }
}

std::uint64_t SeedFromClock()
{
    return static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
}

QString SecondsText(double seconds) { return QString::number(seconds, 'f', 1); }

// The progress while cases run: rewritten in place on a terminal about ten times a second,
// else a plain line every ten seconds.
class ProgressLine {
public:
    ProgressLine(QTextStream& notices, bool terminal)
        : m_notices(notices)
        , m_terminal(terminal)
    {
        m_clock.start();
    }

    double Seconds() const { return static_cast<double>(m_clock.nsecsElapsed()) / 1e9; }

    void Show(int cases, ProfileShape shape)
    {
        const qint64 interval = m_terminal ? 100 : 10000;
        if (m_clock.elapsed() < m_lastShown + interval)
            return;
        m_lastShown = m_clock.elapsed();
        const double seconds = Seconds();
        const QString status
            = QCoreApplication::translate("StressMode", "%1 cases, %2 cases/s, %3 s, shape %4")
                  .arg(QString::number(cases),
                      QString::number(seconds > 0 ? cases / seconds : 0, 'f', 0),
                      SecondsText(seconds),
                      QString::fromLatin1(ShapeName(shape).data(),
                          static_cast<qsizetype>(ShapeName(shape).size())));
        if (m_terminal)
            m_notices << "\r\033[K" << status << Qt::flush;
        else
            m_notices << status << Qt::endl;
        m_shown = true;
    }

    // Takes the line away before anything else is written on the terminal.
    void Clear()
    {
        if (m_terminal && m_shown)
            m_notices << "\r\033[K" << Qt::flush;
        m_shown = false;
    }

private:
    QTextStream& m_notices;
    bool m_terminal;
    QElapsedTimer m_clock;
    qint64 m_lastShown = 0; // nothing to show before the first interval
    bool m_shown = false;
};

QString ShapeText(ProfileShape shape)
{
    const std::string_view name = ShapeName(shape);
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

QJsonArray VerticesJson(const std::vector<PointD>& vertices)
{
    QJsonArray array;
    for (const PointD& vertex : vertices)
        array.append(QJsonArray { vertex.X, vertex.Y });
    return array;
}

// The options that make a seed give the same case again.
QString LimitOptions(const CaseLimits& limits)
{
    QString options
        = QStringLiteral(" --vertices %1-%2")
              .arg(QString::number(limits.MinVertices), QString::number(limits.MaxVertices));
    if (limits.Shapes.size() != std::size(AllShapes)) {
        QStringList names;
        for (const ProfileShape shape : limits.Shapes)
            names << ShapeText(shape);
        options += QStringLiteral(" --shapes ") + names.join(QLatin1Char(','));
    }
    return options;
}

} // namespace

QString FailureKind(const FileReport& report)
{
    if (report.Outcome == FileOutcome::Ok)
        return {};
    if (report.Verdict && report.ExitStatus != 0)
        return QStringLiteral("exit status");
    if (report.Verdict) {
        const PlacementVerdict& tower = report.Verdict->Tower;
        return tower.Kind != PlacementKind::Ok
            ? QStringLiteral("tower: ") + PlacementKindName(tower.Kind)
            : QStringLiteral("island: ") + PlacementKindName(report.Verdict->Island.Kind);
    }
    static const QRegularExpression numbers(QStringLiteral("[-+0-9.eE]*[0-9][-+0-9.eE]*"));
    return QString(report.Reason).replace(numbers, QStringLiteral("#"));
}

int RunStress(const StressRequest& request, const QString& programFolder, QTextStream& report,
    QTextStream& notices, const CheckStop& stop, bool terminal)
{
    const std::uint64_t seed = request.Seed.value_or(SeedFromClock());
    const QString seedText = QString::number(seed);
    notices << QCoreApplication::translate("StressMode", "stress: seed %1").arg(seedText)
            << Qt::endl;
    const QTemporaryDir cases;
    const QString caseFile = cases.filePath(QStringLiteral("case.in"));
    if (!cases.isValid()) {
        notices << QCoreApplication::translate(
            "StressMode", "cannot make a folder for the cases: %1")
                       .arg(cases.errorString())
                << Qt::endl;
        return ExitCannotRun;
    }
    const auto scene = std::make_unique<SceneState>();
    SolverRun run(programFolder);
    if (!request.Check.SolverProgram.isEmpty())
        run.SetSolverProgram(request.Check.SolverProgram);
    if (!stop.Requested())
        WaitForWorkDirectory(run, notices, stop);

    ProgressLine progress(notices, terminal);
    int solverRuns = 0;
    // The case's verdict, or none when stopped or its file could not be written.
    const auto check = [&](const QString& file, const std::vector<PointD>& vertices) {
        if (!WriteProfile(file, vertices)) {
            notices
                << QCoreApplication::translate("StressMode", "cannot write %1").arg(ShownName(file))
                << Qt::endl;
            return std::optional<FileReport>();
        }
        ++solverRuns;
        return CheckFile(run, *scene, file, request.Check, stop);
    };
    int caseCount = 0;
    int skipped = 0; // cases beyond the doubles, on which no answer can be judged
    const auto summary = [&](bool failed) {
        progress.Clear();
        const double seconds = progress.Seconds();
        const double rate = seconds > 0 ? caseCount / seconds : 0;
        if (request.Check.JsonReport) {
            report << JsonLine(
                { { QStringLiteral("summary"), true }, { QStringLiteral("seed"), seedText },
                    { QStringLiteral("cases"), caseCount }, { QStringLiteral("seconds"), seconds },
                    { QStringLiteral("cases_per_second"), rate },
                    { QStringLiteral("failures"), failed ? 1 : 0 },
                    { QStringLiteral("solver_runs"), solverRuns },
                    { QStringLiteral("skipped"), skipped },
                    { QStringLiteral("stopped"), stop.Requested() } })
                   << Qt::endl;
            return;
        }
        report << QCoreApplication::translate(
            "StressMode", "stress: %1 cases in %2 s (%3 cases/s), %4; seed %5")
                      .arg(QString::number(caseCount), SecondsText(seconds),
                          QString::number(rate, 'f', 0),
                          failed ? QCoreApplication::translate("StressMode", "1 failure")
                                 : QCoreApplication::translate("StressMode", "no failure"),
                          seedText)
               << Qt::endl;
    };

    std::uint64_t caseSeed = seed;
    for (;; caseSeed = NextCaseSeed(caseSeed)) {
        const bool budgetSpent = request.Cases > 0
            ? caseCount >= request.Cases
            : progress.Seconds() * 1000 >= static_cast<double>(request.Time.count());
        if (budgetSpent || stop.Requested())
            break;
        const StressCase stressCase = GenerateCase(caseSeed, request.Limits);
        if (!Judgeable(stressCase.Vertices)) {
            ++skipped;
            continue;
        }
        progress.Show(caseCount, stressCase.Shape);
        const std::optional<FileReport> judged = check(caseFile, stressCase.Vertices);
        if (!judged) {
            if (stop.Requested())
                break;
            return ExitCannotRun;
        }
        ++caseCount;
        if (judged->Outcome == FileOutcome::Ok)
            continue;
        progress.Clear();
        if (SolverNeverStarted(*judged)) {
            notices << judged->Line << Qt::endl;
            return ExitCannotRun;
        }

        notices << QCoreApplication::translate(
            "StressMode", "case %1 (seed %2, shape %3, %4 vertices, %5) failed: %6; shrinking")
                       .arg(QString::number(caseCount), QString::number(caseSeed),
                           ShapeText(stressCase.Shape), QString::number(stressCase.Vertices.size()),
                           QString::fromLatin1(OrderName(stressCase.Order).data(),
                               static_cast<qsizetype>(OrderName(stressCase.Order).size())),
                           judged->Reason)
                << Qt::endl;
        const QString kind = FailureKind(*judged);
        const int runsBefore = solverRuns;
        const ShrinkOutcome shrunk
            = Shrink(stressCase.Vertices, [&](const std::vector<PointD>& vertices) {
                  const std::optional<FileReport> trial = check(caseFile, vertices);
                  if (!trial)
                      return Trial::Stopped;
                  return FailureKind(*trial) == kind ? Trial::SameFailure : Trial::Other;
              });
        const int shrinkRuns = solverRuns - runsBefore;
        if (!WriteProfile(request.Out, shrunk.Vertices)) {
            notices << QCoreApplication::translate("StressMode", "cannot write %1")
                           .arg(ShownName(request.Out))
                    << Qt::endl;
            return ExitCannotRun;
        }
        // The shrunk profile judged under its own name, which is what the user will open.
        const std::optional<FileReport> final
            = shrunk.Stopped ? std::nullopt : check(request.Out, shrunk.Vertices);
        const QString solver = request.Check.SolverProgram.isEmpty()
            ? QString()
            : QStringLiteral(" --solver ") + ShownName(request.Check.SolverProgram);
        if (request.Check.JsonReport) {
            QJsonObject object = final
                ? FileJson(request.Out, *final)
                : QJsonObject { { QStringLiteral("file"), ShownName(request.Out) } };
            object.insert(QStringLiteral("case"), caseCount);
            object.insert(QStringLiteral("case_seed"), QString::number(caseSeed));
            object.insert(QStringLiteral("shape"), ShapeText(stressCase.Shape));
            object.insert(QStringLiteral("failure"), kind);
            object.insert(QStringLiteral("vertices"), VerticesJson(shrunk.Vertices));
            object.insert(QStringLiteral("original_vertices"), VerticesJson(stressCase.Vertices));
            object.insert(QStringLiteral("shrink_runs"), shrinkRuns);
            report << JsonLine(object) << Qt::endl;
        } else {
            report << QCoreApplication::translate(
                "StressMode", "shrunk from %1 to %2 vertices in %3 solver runs%4, written to %5:")
                          .arg(QString::number(stressCase.Vertices.size()),
                              QString::number(shrunk.Vertices.size()), QString::number(shrinkRuns),
                              shrunk.Stopped
                                  ? QCoreApplication::translate("StressMode", " (stopped)")
                                  : QString(),
                              ShownName(request.Out))
                   << Qt::endl
                   << QString::fromStdString(ProfileText(shrunk.Vertices));
            if (final)
                report << final->Line << Qt::endl;
            report << QCoreApplication::translate(
                "StressMode", "replay: %1 --stress --seed %2 --cases 1%3%4")
                          .arg(QCoreApplication::applicationName(), QString::number(caseSeed),
                              LimitOptions(request.Limits), solver)
                   << Qt::endl
                   << QCoreApplication::translate("StressMode", "open: %1 %2%3")
                          .arg(QCoreApplication::applicationName(), ShownName(request.Out), solver)
                   << Qt::endl;
        }
        summary(true);
        return ExitFailureFound;
    }
    summary(false);
    return stop.Requested() ? ExitCannotRun : ExitNoFailure;
}

int RunStressOnConsole(const StressRequest& request, const QString& programFolder)
{
#ifdef Q_OS_UNIX
    const bool terminal = ::isatty(2) == 1;
#else
    const bool terminal = false;
#endif
    return RunOnConsole([&](QTextStream& report, QTextStream& notices, const CheckStop& stop) {
        return RunStress(request, programFolder, report, notices, stop, terminal);
    });
}
