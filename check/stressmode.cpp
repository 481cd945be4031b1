#include "check/stressmode.h"

#include "check/jsonreport.h"
#include "check/shrink.h"
#include "solve/solveprofile.h"
#include "runsolver/platformcommands.h"
#include "runsolver/solverrun.h"

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

// `argument` as a shell reads it back: plain names as they are, others in single quotes.
QString ShellWord(const QString& argument)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./:=,+-]+$"));
    if (plain.match(argument).hasMatch())
        return argument;
    return QLatin1Char('\'') + QString(argument).replace(QLatin1Char('\''), QLatin1String("'\\''"))
        + QLatin1Char('\'');
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

// One stress run: the solver run all its cases share, the folder of their files, its counts.
class StressRun {
public:
    StressRun(const StressRequest& request, const QString& programFolder, QTextStream& report,
        QTextStream& notices, const CheckStop& stop, bool terminal)
        : m_request(request)
        , m_report(report)
        , m_notices(notices)
        , m_stop(stop)
        , m_run(programFolder)
        , m_progress(notices, terminal)
    {
        if (!request.Check.SolverProgram.isEmpty())
            m_run.SetSolverProgram(request.Check.SolverProgram);
    }

    int Run()
    {
        const std::uint64_t seed = m_request.Seed.value_or(SeedFromClock());
        m_seedText = QString::number(seed);
        m_notices << QCoreApplication::translate("StressMode", "stress: seed %1").arg(m_seedText)
                  << Qt::endl;
        if (!m_cases.isValid()) {
            m_notices << QCoreApplication::translate(
                "StressMode", "cannot make a folder for the cases: %1")
                             .arg(m_cases.errorString())
                      << Qt::endl;
            return ExitCannotRun;
        }
        if (!m_stop.Requested())
            WaitForWorkDirectory(m_run, m_notices, m_stop);
        for (std::uint64_t caseSeed = seed; !BudgetSpent(); caseSeed = NextCaseSeed(caseSeed)) {
            const StressCase stressCase = GenerateCase(caseSeed, m_request.Limits);
            if (!Judgeable(stressCase.Vertices)) {
                ++m_skipped;
                continue;
            }
            m_progress.Show(m_caseCount, stressCase.Shape);
            const std::optional<FileReport> judged = Check(CaseFile(), stressCase.Vertices);
            if (!judged) {
                if (m_stop.Requested())
                    break;
                return ExitCannotRun;
            }
            ++m_caseCount;
            if (judged->Outcome == FileOutcome::Ok)
                continue;
            m_progress.Clear();
            if (judged->SolverNotRun) {
                m_notices << judged->Line << Qt::endl;
                return ExitCannotRun;
            }
            return Failed(stressCase, *judged);
        }
        Summary(false);
        return m_stop.Requested() ? ExitCannotRun : ExitNoFailure;
    }

private:
    bool BudgetSpent() const
    {
        if (m_stop.Requested())
            return true;
        if (m_request.Cases > 0)
            return m_caseCount >= m_request.Cases;
        return m_progress.Seconds() * 1000 >= static_cast<double>(m_request.Time.count());
    }

    QString CaseFile() const { return m_cases.filePath(QStringLiteral("case.in")); }

    // `vertices` written to `file`, solved and judged; none when stopped or the file could not
    // be written.
    std::optional<FileReport> Check(const QString& file, const std::vector<PointD>& vertices)
    {
        if (!WriteProfile(file, vertices)) {
            m_notices
                << QCoreApplication::translate("StressMode", "cannot write %1").arg(ShownName(file))
                << Qt::endl;
            return std::nullopt;
        }
        ++m_solverRuns;
        return CheckFile(m_run, file, m_request.Check, m_stop);
    }

    // Shrinks the failing case, writes and reports what is left of it.
    int Failed(const StressCase& stressCase, const FileReport& judged)
    {
        AnnounceFailure(stressCase, judged);
        ShrunkCase shrunk { stressCase, FailureKind(judged), {}, 0, std::nullopt };
        const int runsBefore = m_solverRuns;
        shrunk.Outcome = Shrink(stressCase.Vertices, [&](const std::vector<PointD>& vertices) {
            const std::optional<FileReport> trial = Check(CaseFile(), vertices);
            if (!trial)
                return Trial::Stopped;
            return FailureKind(*trial) == shrunk.Kind ? Trial::SameFailure : Trial::Other;
        });
        shrunk.Runs = m_solverRuns - runsBefore;
        const QString& out = m_request.Out;
        if (!WriteProfile(out, shrunk.Outcome.Vertices)) {
            m_notices
                << QCoreApplication::translate("StressMode", "cannot write %1").arg(ShownName(out))
                << Qt::endl;
            return ExitCannotRun;
        }
        // The shrunk profile judged under its own name, which is what the user will open.
        if (!shrunk.Outcome.Stopped)
            shrunk.Final = Check(out, shrunk.Outcome.Vertices);
        if (m_request.Check.JsonReport)
            ReportAsJson(shrunk);
        else
            ReportAsText(shrunk);
        Summary(true);
        return ExitFailureFound;
    }

    void AnnounceFailure(const StressCase& stressCase, const FileReport& judged)
    {
        const std::string_view order = OrderName(stressCase.Order);
        m_notices << QCoreApplication::translate(
            "StressMode", "case %1 (seed %2, shape %3, %4 vertices, %5) failed: %6; shrinking")
                         .arg(QString::number(m_caseCount), QString::number(stressCase.Seed),
                             ShapeText(stressCase.Shape),
                             QString::number(stressCase.Vertices.size()),
                             QString::fromLatin1(
                                 order.data(), static_cast<qsizetype>(order.size())),
                             judged.Reason)
                  << Qt::endl;
    }

    // A failing case and what shrinking left of it.
    struct ShrunkCase {
        const StressCase& Original;
        QString Kind; // the failure kept, as FailureKind names it
        ShrinkOutcome Outcome;
        int Runs; // solver runs the shrinking took
        std::optional<FileReport> Final; // the shrunk profile judged, unless stopped
    };

    void ReportAsJson(const ShrunkCase& shrunk)
    {
        const QString& out = m_request.Out;
        QJsonObject object = shrunk.Final
            ? FileJson(out, *shrunk.Final)
            : QJsonObject { { QStringLiteral("file"), ShownName(out) } };
        object.insert(QStringLiteral("case"), m_caseCount);
        object.insert(QStringLiteral("case_seed"), QString::number(shrunk.Original.Seed));
        object.insert(QStringLiteral("shape"), ShapeText(shrunk.Original.Shape));
        object.insert(QStringLiteral("failure"), shrunk.Kind);
        object.insert(QStringLiteral("vertices"), VerticesJson(shrunk.Outcome.Vertices));
        object.insert(QStringLiteral("original_vertices"), VerticesJson(shrunk.Original.Vertices));
        object.insert(QStringLiteral("shrink_runs"), shrunk.Runs);
        m_report << JsonLine(object) << Qt::endl;
    }

    void ReportAsText(const ShrunkCase& shrunk)
    {
        const QString& out = m_request.Out;
        const QString solver = m_request.Check.SolverProgram.isEmpty()
            ? QString()
            : QStringLiteral(" --solver ") + ShellWord(ShownName(m_request.Check.SolverProgram));
        m_report << QCoreApplication::translate(
            "StressMode", "shrunk from %1 to %2 vertices in %3 solver runs%4, written to %5:")
                        .arg(QString::number(shrunk.Original.Vertices.size()),
                            QString::number(shrunk.Outcome.Vertices.size()),
                            QString::number(shrunk.Runs),
                            shrunk.Outcome.Stopped
                                ? QCoreApplication::translate("StressMode", " (stopped)")
                                : QString(),
                            ShownName(out))
                 << Qt::endl
                 << QString::fromStdString(ProfileText(shrunk.Outcome.Vertices));
        if (shrunk.Final)
            m_report << shrunk.Final->Line << Qt::endl;
        m_report << QCoreApplication::translate(
            "StressMode", "replay: %1 --stress --seed %2 --cases 1%3%4")
                        .arg(QCoreApplication::applicationName(),
                            QString::number(shrunk.Original.Seed), LimitOptions(m_request.Limits),
                            solver)
                 << Qt::endl
                 << QCoreApplication::translate("StressMode", "open: %1 %2%3")
                        .arg(QCoreApplication::applicationName(), ShellWord(ShownName(out)), solver)
                 << Qt::endl;
    }

    void Summary(bool failed)
    {
        m_progress.Clear();
        const double seconds = m_progress.Seconds();
        const double rate = seconds > 0 ? m_caseCount / seconds : 0;
        if (m_request.Check.JsonReport) {
            m_report << JsonLine({ { QStringLiteral("summary"), true },
                { QStringLiteral("seed"), m_seedText }, { QStringLiteral("cases"), m_caseCount },
                { QStringLiteral("seconds"), seconds },
                { QStringLiteral("cases_per_second"), rate },
                { QStringLiteral("failures"), failed ? 1 : 0 },
                { QStringLiteral("solver_runs"), m_solverRuns },
                { QStringLiteral("skipped"), m_skipped },
                { QStringLiteral("stopped"), m_stop.Requested() } })
                     << Qt::endl;
            return;
        }
        m_report << QCoreApplication::translate(
            "StressMode", "stress: %1 cases in %2 s (%3 cases/s), %4; seed %5")
                        .arg(QString::number(m_caseCount), SecondsText(seconds),
                            QString::number(rate, 'f', 0),
                            failed ? QCoreApplication::translate("StressMode", "1 failure")
                                   : QCoreApplication::translate("StressMode", "no failure"),
                            m_seedText)
                 << Qt::endl;
    }

    const StressRequest& m_request;
    QTextStream& m_report;
    QTextStream& m_notices;
    const CheckStop& m_stop;
    const QTemporaryDir m_cases; // the case files, never in the work directory
    SolverRun m_run;
    ProgressLine m_progress;
    QString m_seedText;
    int m_caseCount = 0; // cases judged
    int m_skipped = 0; // cases beyond the doubles, on which no answer can be judged
    int m_solverRuns = 0;
};

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
    return StressRun(request, programFolder, report, notices, stop, terminal).Run();
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
