#include "check/checkmode.h"

#include "check/jsonreport.h"
#include "app/verdicttext.h"
#include "runsolver/messagetext.h"
#include "runsolver/platformcommands.h"
#include "runsolver/solverrun.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <cstdio>
#include <memory>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// How a solver run ended, as SolverRun reported it.
struct Collection {
    bool Reported = false;
    QString Failure; // empty when the answer was loaded
    std::shared_ptr<const LoadedProfile> Profile;
    std::chrono::nanoseconds SolverTime { 0 };
    int ExitStatus = 0;
    bool Refused = false; // by Start, before any solver ran
};

// Starts the run and collects it at once, waiting in an event loop of its own while the
// solver still runs. Returns unreported when stopped.
Collection SolveAndCollect(SolverRun& run, const QString& file, const CheckStop& stop)
{
    Collection collection;
    QEventLoop loop;
    QObject::connect(&stop, &CheckStop::Stopping, &loop, &QEventLoop::quit);
    const auto report = [&collection, &loop] {
        collection.Reported = true;
        loop.quit();
    };
    QObject::connect(&run, &SolverRun::Collected, &loop,
        [&](const std::shared_ptr<const LoadedProfile>& profile,
            std::chrono::nanoseconds solverTime, int exitStatus) {
            collection.Profile = profile;
            collection.SolverTime = solverTime;
            collection.ExitStatus = exitStatus;
            report();
        });
    QObject::connect(&run, &SolverRun::Failed, &loop, [&](const QString& message) {
        collection.Failure = message;
        report();
    });
    collection.Failure = run.Start(file, SolverRun::PointReading::Ahead);
    collection.Refused = !collection.Failure.isEmpty();
    if (!collection.Failure.isEmpty())
        return collection;
    run.Collect();
    if (!collection.Reported)
        loop.exec();
    return collection;
}

} // namespace

void WaitForWorkDirectory(SolverRun& run, QTextStream& notices, const CheckStop& stop)
{
    const QString holder = run.ReserveWorkDirectory();
    if (holder.isEmpty())
        return;
    notices << QCoreApplication::translate(
        "CheckMode", "waiting for %1, which another run of the viewer is using (%2)")
                   .arg(run.WorkDirectory(), holder)
            << Qt::endl;
    QEventLoop loop;
    QObject::connect(&stop, &CheckStop::Stopping, &loop, &QEventLoop::quit);
    QTimer retry;
    retry.setInterval(std::chrono::milliseconds(100));
    QObject::connect(&retry, &QTimer::timeout, &loop, [&] {
        if (run.ReserveWorkDirectory().isEmpty())
            loop.quit();
    });
    retry.start();
    loop.exec();
}

namespace {

FileReport ErrorReport(const QString& file, const QString& message)
{
    // A solver's last lines of error output, among others, come on several lines.
    const QStringList lines = message.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    FileReport report;
    report.Reason = lines.join(QLatin1String(" | "));
    report.Line = QCoreApplication::translate("CheckMode", "%1: error: %2")
                      .arg(ShownName(file), report.Reason);
    return report;
}

// While it lives, standard output belongs to the report alone: what child processes write
// there goes to standard error instead.
class StandardOutputForReport {
public:
    StandardOutputForReport()
    {
        std::fflush(stdout);
#ifdef Q_OS_UNIX
        m_report = ::dup(STDOUT_FILENO);
        if (m_report >= 0 && ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
            ::close(m_report);
            m_report = -1;
        }
#endif
    }
    ~StandardOutputForReport()
    {
#ifdef Q_OS_UNIX
        if (m_report >= 0) {
            ::dup2(m_report, STDOUT_FILENO);
            ::close(m_report);
        }
#endif
    }
    StandardOutputForReport(const StandardOutputForReport&) = delete;
    StandardOutputForReport& operator=(const StandardOutputForReport&) = delete;

    int Descriptor() const { return m_report >= 0 ? m_report : 1; }

private:
    int m_report = -1;
};

#ifdef Q_OS_UNIX
// While it lives, the signals that end a program from its terminal or its session stop the
// check instead: at once through the event loop while a solver runs, else before the next
// file. RaiseAgain then ends the program by the first signal caught, once the check has
// cleaned up.
class SignalsStopTheCheck {
public:
    explicit SignalsStopTheCheck(CheckStop& stop)
    {
        if (::pipe(s_pipe) != 0)
            return;
        for (const int end : s_pipe) {
            ::fcntl(end, F_SETFD, FD_CLOEXEC);
            ::fcntl(end, F_SETFL, O_NONBLOCK);
        }
        s_caught = 0;
        stop.Watch(s_caught);
        m_notifier = std::make_unique<QSocketNotifier>(s_pipe[0], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [&stop] {
            char wakes[16];
            while (::read(s_pipe[0], wakes, sizeof wakes) > 0) { }
            stop.Request();
        });
        struct sigaction action { };
        action.sa_handler = &Caught;
        // One handler at a time, so the signal kept is the first one caught.
        sigemptyset(&action.sa_mask);
        for (const int stopper : Stoppers)
            sigaddset(&action.sa_mask, stopper);
        // The check goes on until it hears the stop: a call the signal interrupts resumes.
        action.sa_flags = SA_RESTART;
        for (std::size_t k = 0; k < std::size(Stoppers); ++k)
            ::sigaction(Stoppers[k], &action, &m_previous[k]);
    }
    ~SignalsStopTheCheck()
    {
        if (!m_notifier)
            return;
        for (std::size_t k = 0; k < std::size(Stoppers); ++k)
            ::sigaction(Stoppers[k], &m_previous[k], nullptr);
        m_notifier.reset();
        for (int& end : s_pipe)
            ::close(std::exchange(end, -1));
    }
    SignalsStopTheCheck(const SignalsStopTheCheck&) = delete;
    SignalsStopTheCheck& operator=(const SignalsStopTheCheck&) = delete;

    void RaiseAgain() const
    {
        const int caught = s_caught;
        if (caught == 0)
            return;
        std::signal(caught, SIG_DFL);
        std::raise(caught);
    }

private:
    static constexpr int Stoppers[] = { SIGINT, SIGTERM, SIGHUP };

    // Only what is safe in a signal handler: a flag set and one write to the pipe, to wake the
    // event loop. The errno of the code it interrupted, which may be about to read it, is kept.
    static void Caught(int signalNumber)
    {
        const int interruptedErrno = errno;
        if (s_caught == 0)
            s_caught = signalNumber;
        const char wake = 0;
        [[maybe_unused]] const ssize_t written = ::write(s_pipe[1], &wake, 1);
        errno = interruptedErrno;
    }

    static inline int s_pipe[2] = { -1, -1 };
    static inline volatile std::sig_atomic_t s_caught = 0;
    std::unique_ptr<QSocketNotifier> m_notifier;
    struct sigaction m_previous[std::size(Stoppers)] {};
};
#endif

} // namespace

void CheckStop::Request()
{
    m_requested = true;
    emit Stopping();
}

FileReport ReportCollected(const LoadedProfile& profile, const QString& file,
    std::chrono::nanoseconds solverTime, const CheckRequest& request, int exitStatus)
{
    FileReport report;
    const std::optional<AnswerVerdict> verdict = JudgeScene(profile, request.Tolerance);
    if (!request.Picture.Pattern.isEmpty()) {
        const FailureMarks marks = verdict ? MarksOf(*verdict) : FailureMarks {};
        DrawOutcome outcome = DrawOutcome::NotLoaded;
        const QImage picture = DrawPicture(
            profile, request.Picture, request.Picture.Marks ? &marks : nullptr, outcome);
        report.Notice = DrawProblem(outcome, ShownName(file), profile.Extents.MaxX);
        const QString pictureFile = PictureFile(request.Picture.Pattern, file);
        const QString problem = WritePicture(picture, pictureFile);
        if (!problem.isEmpty()) {
            return ErrorReport(file,
                QCoreApplication::translate("CheckMode", "cannot write the picture %1: %2")
                    .arg(ShownName(pictureFile), problem));
        }
    }
    if (!verdict)
        return ErrorReport(file, UnjudgedSentence());
    report.Verdict = verdict;
    report.SolverTime = solverTime;
    report.ExitStatus = exitStatus;

    const CoordinateCaptions captions = CaptionsOf(profile);
    //: The verdict words are what scripts look for in the report.
    const QString word = verdict->Ok() ? QCoreApplication::translate("CheckMode", "ok")
                                       : QCoreApplication::translate("CheckMode", "wrong");
    const PlacementVerdict& tower = verdict->Tower;
    QString judged = QCoreApplication::translate(
        "CheckMode", "%1, tower %2, island %3, height %4 (best %5), solver %6 ms")
                         .arg(word, QString::fromStdString(captions.Tower),
                             QString::fromStdString(captions.Island),
                             tower.HasHeight() ? ShownNumber(tower.Height) : QStringLiteral("-"),
                             ShownNumber(tower.BestHeight), MillisecondsText(solverTime));
    QString reasons;
    if (tower.Kind != PlacementKind::Ok) {
        reasons += QCoreApplication::translate("CheckMode", "; tower: %1")
                       .arg(PlacementSentence(Placement::Tower, tower));
    }
    if (verdict->Island.Kind != PlacementKind::Ok) {
        reasons += QCoreApplication::translate("CheckMode", "; island: %1")
                       .arg(PlacementSentence(Placement::Island, verdict->Island));
    }
    judged += reasons;
    // Without the separator that joins the reasons to the verdict.
    report.Reason = reasons.mid(1).trimmed();
    if (exitStatus != 0) {
        // As a judge has it: a solver that fails has a runtime error, whatever it answered.
        report.Outcome = FileOutcome::Error;
        report.Reason = ExitStatusSentence(exitStatus) + reasons;
        report.Line = QCoreApplication::translate(
            "CheckMode", "%1: error: runtime error: %2; its answer was %3")
                          .arg(ShownName(file), ExitStatusSentence(exitStatus), judged);
        return report;
    }
    report.Outcome = verdict->Ok() ? FileOutcome::Ok : FileOutcome::Wrong;
    report.Line = QCoreApplication::translate("CheckMode", "%1: %2").arg(ShownName(file), judged);
    return report;
}

QString SummaryLine(int ok, int wrong, int errors)
{
    const int files = ok + wrong + errors;
    // Two forms each rather than "%n file(s)", so that English reads right without a
    // translation installed.
    const QString filesText = files == 1
        ? QCoreApplication::translate("CheckMode", "1 file")
        : QCoreApplication::translate("CheckMode", "%1 files").arg(files);
    const QString errorsText = errors == 1
        ? QCoreApplication::translate("CheckMode", "1 error")
        : QCoreApplication::translate("CheckMode", "%1 errors").arg(errors);
    return QCoreApplication::translate("CheckMode", "%1: %2 ok, %3 wrong, %4")
        .arg(filesText, QString::number(ok), QString::number(wrong), errorsText);
}

int RunCheck(const CheckRequest& request, const QString& programFolder, QTextStream& report,
    QTextStream& notices, const CheckStop& stop)
{
    // Destroyed on the way out, stopped or not, which stops a solver still running.
    SolverRun run(programFolder);
    if (!request.SolverProgram.isEmpty())
        run.SetSolverProgram(request.SolverProgram);
    if (!stop.Requested())
        WaitForWorkDirectory(run, notices, stop);
    int counts[3] = {};
    for (const QString& file : request.Files) {
        const std::optional<FileReport> fileReport = CheckFile(run, file, request, stop);
        if (!fileReport) {
            notices << QCoreApplication::translate("CheckMode", "stopped before %1 was judged")
                           .arg(ShownName(file))
                    << Qt::endl;
            return ExitSomeFailed;
        }
        if (!fileReport->Notice.isEmpty())
            notices << fileReport->Notice << Qt::endl;
        report << (request.JsonReport ? JsonLine(FileJson(file, *fileReport)) : fileReport->Line)
               << Qt::endl;
        ++counts[static_cast<int>(fileReport->Outcome)];
    }
    const int ok = counts[static_cast<int>(FileOutcome::Ok)];
    const int wrong = counts[static_cast<int>(FileOutcome::Wrong)];
    const int errors = counts[static_cast<int>(FileOutcome::Error)];
    report << (request.JsonReport ? JsonLine(CheckSummaryJson(ok, wrong, errors))
                                  : SummaryLine(ok, wrong, errors))
           << Qt::endl;
    return errors > 0 ? ExitSomeFailed : wrong > 0 ? ExitSomeWrong : ExitAllOk;
}

std::optional<FileReport> CheckFile(
    SolverRun& run, const QString& file, const CheckRequest& request, const CheckStop& stop)
{
    // A stop that came while no event loop ran is heard here, before a solver starts.
    if (stop.Requested())
        return std::nullopt;
    const Collection collection = SolveAndCollect(run, file, stop);
    if (stop.Requested())
        return std::nullopt;
    if (collection.Failure.isEmpty()) {
        return ReportCollected(
            *collection.Profile, file, collection.SolverTime, request, collection.ExitStatus);
    }
    FileReport report = ErrorReport(file, collection.Failure);
    // The sentence the run fails with when the system cannot start the program, up to the
    // system's own words.
    const QString cannotStart
        = QCoreApplication::translate("SolverRun", "%1 could not be started: %2")
              .arg(QLatin1String(SolverFileName), QString());
    report.SolverNotRun = collection.Refused || collection.Failure.startsWith(cannotStart);
    return report;
}

int RunCheckOnConsole(const CheckRequest& request, const QString& programFolder)
{
    return RunOnConsole([&](QTextStream& report, QTextStream& notices, const CheckStop& stop) {
        return RunCheck(request, programFolder, report, notices, stop);
    });
}

int RunOnConsole(
    const std::function<int(QTextStream& report, QTextStream& notices, const CheckStop& stop)>&
        mode)
{
    const StandardOutputForReport standardOutput;
    QFile reportFile;
    QFile noticeFile;
    if (!reportFile.open(standardOutput.Descriptor(), QIODevice::WriteOnly | QIODevice::Unbuffered)
        || !noticeFile.open(2, QIODevice::WriteOnly | QIODevice::Unbuffered))
        return ExitSomeFailed;
    QTextStream report(&reportFile);
    QTextStream notices(&noticeFile);
    CheckStop stop;
#ifdef Q_OS_UNIX
    const SignalsStopTheCheck signalsStop(stop);
    const int status = mode(report, notices, stop);
    signalsStop.RaiseAgain();
    return status;
#else
    return mode(report, notices, stop);
#endif
}
