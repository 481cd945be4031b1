#include "runsolver/solverrun.h"

#include "runsolver/messagetext.h"
#include "runsolver/platformcommands.h"

#include "scene/filemessage.h"
#include "scene/stoprequest.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <charconv>
#include <optional>
#include <utility>
#include <variant>

namespace fs = std::filesystem;

namespace {

// A reason to refuse a run before the solver starts, as the user reads it.
struct RunProblem {
    QString message;
};

// Every name a run stages or a solver may answer with: what a run clears before it starts
// and removes when it ends.
constexpr const char* RunFileNames[]
    = { PointFileName, ResultFileName, ResultTemporaryFileName, SolverFileName };

// The solver's last words in a message: its last few lines, each cut to its end.
constexpr qsizetype ErrorTailLines = 5;
constexpr std::size_t ErrorLineLength = 200;

// The handlers of a std::visit, one per state.
template <class... Handlers>
struct Overloaded : Handlers... {
    using Handlers::operator()...;
};

// The message of a failed file command or a refusal; empty when `step` succeeds.
template <class Step>
QString ProblemOf(Step&& step)
{
    try {
        step();
    } catch (const RunProblem& problem) {
        return problem.message;
    } catch (const DataFileError& error) {
        return MessageText(error.Message());
    } catch (const std::runtime_error& error) {
        // FileCommandError and NotAFileError: whole sentences in the installed language.
        return QString::fromStdString(error.what());
    }
    return {};
}

QString DurationText(std::chrono::milliseconds duration)
{
    char digits[32];
    const double seconds = static_cast<double>(duration.count()) / 1000.0;
    const auto end = std::to_chars(digits, digits + sizeof digits, seconds).ptr;
    const QString number = QString::fromLatin1(digits, end - digits);
    return duration == std::chrono::seconds(1)
        ? QCoreApplication::translate("SolverRun", "%1 second").arg(number)
        : QCoreApplication::translate("SolverRun", "%1 seconds").arg(number);
}

// Escaped as a file's contents are in messages, so that no control character or escape
// sequence of the solver's reaches the message or the report.
QString LastLines(const QByteArray& output)
{
    QList<QByteArray> lines = output.split('\n');
    lines.removeIf([](const QByteArray& line) { return line.trimmed().isEmpty(); });
    QStringList shown;
    for (const QByteArray& line : lines.mid(qMax<qsizetype>(0, lines.size() - ErrorTailLines))) {
        shown << QString::fromStdString(
            ShownText(line.toStdString(), ErrorLineLength, TextEnd::End));
    }
    return shown.join(QLatin1Char('\n'));
}

// The solver knows the user's file only as its staged copy, which is gone by the time the
// message is read; the line and column it gives hold for the dropped file. The bare name is
// replaced where it stands alone, not inside a path or a longer name.
QString NameDroppedFile(const QString& solverOutput, const QString& droppedFile)
{
    static const QRegularExpression stagedName(
        QStringLiteral("(?<![\\w./\\\\-])%1(?![\\w-]|\\.\\w)")
            .arg(QRegularExpression::escape(QLatin1String(PointFileName))));
    QString named;
    qsizetype copied = 0;
    for (auto matches = stagedName.globalMatch(solverOutput); matches.hasNext();) {
        const QRegularExpressionMatch match = matches.next();
        named.append(QStringView(solverOutput).mid(copied, match.capturedStart() - copied));
        named.append(droppedFile);
        copied = match.capturedEnd();
    }
    return named.append(QStringView(solverOutput).mid(copied));
}

void CheckDroppedFile(const QString& droppedFile, const fs::path& workDirectory)
{
    const fs::path dropped = ToPath(droppedFile);
    const QString name = ShownName(droppedFile);
    std::error_code error;
    const fs::file_status status = fs::status(dropped, error);
    if (status.type() == fs::file_type::not_found || status.type() == fs::file_type::none)
        throw RunProblem {
            QCoreApplication::translate("SolverRun", "%1: the file does not exist").arg(name)
        };
    if (status.type() == fs::file_type::directory) {
        throw RunProblem { QCoreApplication::translate(
            "SolverRun", "%1: is a folder, not a file; drop a problem input file")
                               .arg(name) };
    }
    if (status.type() != fs::file_type::regular) {
        throw RunProblem {
            QCoreApplication::translate("SolverRun", "%1: is not a plain file").arg(name)
        };
    }
    const fs::path place = fs::canonical(dropped, error).parent_path();
    std::error_code workError;
    const fs::path work = fs::canonical(workDirectory, workError);
    if (!error && !workError && place == work) {
        throw RunProblem { QCoreApplication::translate("SolverRun",
            "%1: lies in the viewer's work directory, whose files each run replaces; copy it "
            "elsewhere and drop the copy")
                               .arg(name) };
    }
}

// A folder of ours where the work directory goes: made when absent, reused when left over.
void PrepareWorkDirectory(const fs::path& workDirectory)
{
    const char* const occupied = [&]() -> const char* {
        switch (Dir(workDirectory)) {
        case EntryKind::None:
            MkDir(workDirectory);
            return nullptr;
        case EntryKind::Directory:
            return nullptr;
        case EntryKind::File:
            return QT_TRANSLATE_NOOP("SolverRun",
                "%1: the viewer needs this name for its work "
                "directory, but a file has it; rename or remove it");
        case EntryKind::Link:
            return QT_TRANSLATE_NOOP("SolverRun",
                "%1: the viewer needs this name for its work "
                "directory, but a link has it; rename or remove it");
        case EntryKind::Other:
            break;
        }
        return QT_TRANSLATE_NOOP("SolverRun",
            "%1: the viewer needs this name for its work "
            "directory, but something other than a folder has "
            "it; rename or remove it");
    }();
    if (occupied) {
        throw RunProblem {
            QCoreApplication::translate("SolverRun", occupied).arg(FromPath(workDirectory))
        };
    }
}

} // namespace

SolverRun::SolverRun(QString programFolder, QObject* parent)
    : QObject(parent)
    , m_places(LocateProgramPlaces(programFolder))
    , m_workDirectory(ToPath(m_places.WorkFolder) / WorkDirectoryName)
    , m_workFiles(m_workDirectory)
    , m_lock(QDir(m_places.WorkFolder).filePath(QLatin1String(WorkDirectoryLockName)))
{
    // A run may take far longer than any age QLockFile would guess at; only a holder that is
    // gone makes the lock stale.
    m_lock.setStaleLockTime(0);
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &SolverRun::OnDeadline);
}

SolverRun::~SolverRun()
{
    LetGo();
    // No event loop will finish the stops under way: each process object finishes its own
    // as it is destroyed. The clean-up comes after, so nothing they write meanwhile stays.
    qDeleteAll(findChildren<SolverProcess*>(Qt::FindDirectChildrenOnly));
    if (m_lock.isLocked())
        CleanUp();
}

QString SolverRun::ReserveWorkDirectory()
{
    m_lockReserved = true;
    // A private folder that cannot be made leaves the lock untaken: each Start says why.
    if (!ProblemOf([&] { PrepareWorkFolder(); }).isEmpty())
        return {};
    if (m_lock.isLocked() || m_lock.tryLock(0) || m_lock.error() != QLockFile::LockFailedError)
        return {};
    return LockHolder();
}

QString SolverRun::WorkDirectory() const { return FromPath(m_workDirectory); }

void SolverRun::SetTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }

void SolverRun::SetSolverProgram(const QString& program)
{
    m_solverProgram = QDir(m_places.SolverFolder).absoluteFilePath(program);
}

// Idle → Queued, and on to Running at once unless processes of an earlier run are still being
// stopped. Acts in every state: a pending run is let go first.
QString SolverRun::Start(const QString& droppedFile, PointReading reading)
{
    const bool answerWasAwaited = AnswerAwaited();
    if (IsPending())
        Abandon();
    if (answerWasAwaited)
        emit WaitingChanged(false);
    QString problem = ProblemOf([&] {
        CheckDroppedFile(droppedFile, m_workDirectory);
        PrepareWorkFolder();
        TakeWorkDirectory();
        m_droppedFile = ShownName(droppedFile);
    });
    if (!problem.isEmpty()) {
        ReleaseWorkDirectoryWhenDone();
        return problem;
    }
    m_state = Queued { reading, droppedFile };
    if (!EarlierRunsGone())
        return {};
    problem = StageAndLaunch();
    // Most start failures arrive later from the event loop; a failed fork comes at once.
    if (const Ended* ended = std::get_if<Ended>(&m_state); problem.isEmpty() && ended)
        problem = ended->failure;
    if (!problem.isEmpty()) {
        Abandon();
        ReleaseWorkDirectoryWhenDone();
    }
    return problem;
}

// An installed viewer's work folder is the user's private folder, made or checked before the
// lock goes into it; any other work folder is the program folder, there already.
void SolverRun::PrepareWorkFolder() const
{
    if (m_places.Installed)
        PreparePrivateFolder(ToPath(m_places.WorkFolder));
}

void SolverRun::TakeWorkDirectory()
{
    if (!m_lock.isLocked() && !m_lock.tryLock(0))
        throw RunProblem { LockProblem() };
}

QString SolverRun::LockProblem() const
{
    if (m_lock.error() == QLockFile::LockFailedError) {
        return QCoreApplication::translate("SolverRun",
            "%1 is in use by another run of the viewer (%2); try again once it has finished")
            .arg(WorkDirectory(), LockHolder());
    }
    // QLockFile does not say why it could not make its file: trying to make it says.
    const QString lockFile
        = QDir(m_places.WorkFolder).filePath(QLatin1String(WorkDirectoryLockName));
    QFile probe(lockFile);
    QString reason = QCoreApplication::translate("SolverRun", "the lock cannot be taken");
    if (!probe.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        reason = probe.errorString();
    else
        probe.remove();
    return QCoreApplication::translate("SolverRun", "cannot create the lock file %1: %2")
        .arg(lockFile, reason);
}

QString SolverRun::LockHolder() const
{
    qint64 process = 0;
    QString host;
    QString program;
    if (!m_lock.getLockInfo(&process, &host, &program))
        return QCoreApplication::translate("SolverRun", "a program that has just let it go");
    if (host.isEmpty()) {
        return QCoreApplication::translate("SolverRun", "%1, process %2")
            .arg(program, QString::number(process));
    }
    return QCoreApplication::translate("SolverRun", "%1, process %2 on %3")
        .arg(program, QString::number(process), host);
}

// The solver of the pending run with what came with it, from its launch until the run is let go.
SolverRun::Launched* SolverRun::CurrentLaunch()
{
    return std::visit(Overloaded {
                          [](Running& running) { return &running.launched; },
                          [](Stopping& stopping) { return &stopping.running.launched; },
                          [](Ended& ended) { return &ended.launched; },
                          [](auto&) -> Launched* { return nullptr; },
                      },
        m_state);
}

// Where a run that has not ended yet marks its answer as awaited; none in Idle and Ended.
bool* SolverRun::AnswerAwaitedMark()
{
    return std::visit(Overloaded {
                          [](Queued& queued) { return &queued.answerAwaited; },
                          [](Running& running) { return &running.answerAwaited; },
                          [](Stopping& stopping) { return &stopping.running.answerAwaited; },
                          [](auto&) -> bool* { return nullptr; },
                      },
        m_state);
}

// Whether the user waits for the solver: its answer has been asked for before it ended.
bool SolverRun::AnswerAwaited()
{
    const bool* const mark = AnswerAwaitedMark();
    return mark && *mark;
}

// Whether every process of an earlier run has ended and been reaped, so that a run may stage.
bool SolverRun::EarlierRunsGone()
{
    const Launched* const launched = CurrentLaunch();
    const SolverProcess* const current = launched ? launched->process : nullptr;
    const QList<SolverProcess*> processes
        = findChildren<SolverProcess*>(Qt::FindDirectChildrenOnly);
    return std::ranges::none_of(processes, [current](const SolverProcess* process) {
        return process != current && process->MayStillRun();
    });
}

// Queued: the run stages and starts once the last of the earlier run's processes is gone.
// Idle: whatever those processes wrote after their run's clean-up goes too.
void SolverRun::OnEarlierRunEnded()
{
    if (!EarlierRunsGone())
        return;
    if (std::holds_alternative<Idle>(m_state) && m_lock.isLocked()) {
        CleanUp();
        ReleaseWorkDirectoryWhenDone();
        return;
    }
    if (!std::holds_alternative<Queued>(m_state))
        return;
    const QString problem = StageAndLaunch();
    if (problem.isEmpty())
        return;
    CleanUp();
    SolverEnded(problem);
}

QString SolverRun::SolverProgram() const
{
    return m_solverProgram.isEmpty()
        ? QDir(m_places.SolverFolder).filePath(QLatin1String(SolverFileName))
        : m_solverProgram;
}

QString SolverRun::MissingSolverProblem() const
{
    if (m_solverProgram.isEmpty() && m_places.Installed) {
        return QCoreApplication::translate("SolverRun",
            "%1 is missing from %2, where the installation put it; install the viewer again or "
            "name a solver with --solver")
            .arg(QLatin1String(SolverFileName), m_places.SolverFolder);
    }
    if (m_solverProgram.isEmpty()) {
        return QCoreApplication::translate(
            "SolverRun", "%1 is missing: it must lie beside the program, in %2")
            .arg(QLatin1String(SolverFileName), m_places.SolverFolder);
    }
    return QCoreApplication::translate("SolverRun", "%1: the solver program does not exist")
        .arg(m_solverProgram);
}

// Queued → Running, or on as the solver's start failing would have it. Returns the problem
// that kept it from staging, leaving the run Queued.
QString SolverRun::StageAndLaunch()
{
    const Queued queued = std::get<Queued>(m_state);
    FileStamp stagedStamp;
    const QString problem = ProblemOf([&] {
        PrepareWorkDirectory(m_workDirectory);
        stagedStamp = Stage(queued.droppedPath);
    });
    if (!problem.isEmpty())
        return problem;
    Launch(stagedStamp, queued);
    // Running: the solver reads its point file; so may we.
    Running* const running = std::get_if<Running>(&m_state);
    if (running && queued.reading == PointReading::Ahead) {
        running->launched.readingAhead = std::make_unique<ReadingAhead>(
            m_workDirectory, m_droppedFile.toStdString(), m_workFiles);
    }
    return {};
}

// Returns the stamp of the point file staged.
FileStamp SolverRun::Stage(const QString& droppedFile)
{
    const QString program = SolverProgram();
    const fs::path solver = ToPath(program);
    if (Dir(solver) == EntryKind::None)
        throw RunProblem { MissingSolverProblem() };
    std::error_code error;
    if (!fs::is_regular_file(solver, error))
        throw RunProblem { QCoreApplication::translate("SolverRun", "%1 is not a program file")
                               .arg(program) };
    // A leftover answer must never pass for this run's.
    for (const char* name : RunFileNames)
        Kill(m_workDirectory / name);
    const fs::path staged = m_workDirectory / SolverFileName;
    FileCopy(solver, staged);
    fs::permissions(staged,
        fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_exec
            | fs::perms::others_exec,
        fs::perm_options::add, error);
    if (error) {
        throw FileCommandError(
            QCoreApplication::translate("FileCommand", "cannot make %1 executable: %2")
                .arg(FromPath(staged), ReasonOf(error)));
    }
    const fs::path pointFile = m_workDirectory / PointFileName;
    FileCopy(ToPath(droppedFile), pointFile);
    return m_workFiles.Open(pointFile, PointFileName)->Stamp();
}

void SolverRun::Launch(const FileStamp& stagedStamp, const Queued& queued)
{
    auto* const process = new SolverProcess(this);
    connect(process, &QProcess::errorOccurred, this, &SolverRun::OnStartFailed);
    connect(process, &QProcess::finished, this, &SolverRun::OnSolverFinished);
    connect(process, &SolverProcess::GroupStopped, this, &SolverRun::OnGroupStopped);
    Running& running = m_state.emplace<Running>();
    running.launched.process = process;
    running.launched.stagedStamp = stagedStamp;
    running.answerAwaited = queued.answerAwaited;
    m_deadline.start(m_timeout);
    running.launched.clock.start();
    Shell(*process, FromPath(m_workDirectory / SolverFileName), FromPath(m_workDirectory));
}

// Queued, Running or Stopping: the answer is awaited from now on, once. Ended → Idle.
void SolverRun::Collect()
{
    if (std::holds_alternative<Ended>(m_state)) {
        Conclude(false);
        return;
    }
    bool* const awaited = AnswerAwaitedMark();
    if (!awaited || *awaited)
        return;
    *awaited = true;
    emit WaitingChanged(true);
}

// Running: the solver could not be started at all.
void SolverRun::OnStartFailed(QProcess::ProcessError error)
{
    const Running* const running = std::get_if<Running>(&m_state);
    if (error != QProcess::FailedToStart || !running)
        return;
    SolverEnded(QCoreApplication::translate("SolverRun", "%1 could not be started: %2")
                    .arg(QLatin1String(SolverFileName), running->launched.process->errorString()));
}

// Running: the solver ended by itself. While Stopping its end is part of the stop.
void SolverRun::OnSolverFinished(int exitCode, QProcess::ExitStatus exitStatus)
{
    const Running* const running = std::get_if<Running>(&m_state);
    if (!running)
        return;
    const QString solver = QLatin1String(SolverFileName);
    QString failure;
    QString ending;
    if (exitStatus == QProcess::CrashExit)
        ending = QCoreApplication::translate("SolverRun", "%1 crashed").arg(solver);
    else if (exitCode != 0)
        ending = ExitStatusSentence(exitCode);
    if (!ending.isEmpty()) {
        const QString lastLines
            = NameDroppedFile(LastLines(running->launched.process->ErrorTail()), m_droppedFile);
        failure = lastLines.isEmpty()
            ? QCoreApplication::translate("SolverRun", "%1 and wrote nothing to its error output")
                  .arg(ending)
            : QCoreApplication::translate("SolverRun", "%1: %2").arg(ending, lastLines);
    }
    SolverEnded(failure, exitStatus == QProcess::NormalExit ? exitCode : 0);
}

// Running → Stopping.
void SolverRun::OnDeadline()
{
    Running* const running = std::get_if<Running>(&m_state);
    if (!running)
        return;
    Stopping stopping { std::move(*running),
        QCoreApplication::translate("SolverRun", "%1 did not finish within %2")
            .arg(QLatin1String(SolverFileName), DurationText(m_timeout)) };
    SolverProcess* const process = stopping.running.launched.process;
    m_state = std::move(stopping);
    process->StopGroup();
}

// Stopping: nothing the solver started is left.
void SolverRun::OnGroupStopped()
{
    if (const Stopping* const stopping = std::get_if<Stopping>(&m_state))
        SolverEnded(stopping->failure);
}

// Queued, Running or Stopping → Ended, or on to Idle when the answer is awaited. `failure`:
// what went wrong with the solver, or empty; `exitStatus`: the status it exited with.
void SolverRun::SolverEnded(QString failure, int exitStatus)
{
    const bool answerWasAwaited = AnswerAwaited();
    Ended ended { {}, std::move(failure), {}, exitStatus };
    if (Launched* const launched = CurrentLaunch())
        ended.launched = std::move(*launched);
    if (ended.launched.clock.isValid())
        ended.solverTime = std::chrono::nanoseconds(ended.launched.clock.nsecsElapsed());
    m_deadline.stop();
    m_state = std::move(ended);
    if (answerWasAwaited)
        Conclude(true);
}

// Ended → Idle, with the run's one report.
void SolverRun::Conclude(bool answerWasAwaited)
{
    Ended& ended = std::get<Ended>(m_state);
    std::shared_ptr<const LoadedProfile> profile;
    // A solver that exited with a status other than 0 may still have left a complete answer,
    // which is collected with that status; without one, its exit is what went wrong.
    const bool answerMayStand = ended.failure.isEmpty() || ended.exitStatus != 0;
    if (!answerMayStand)
        ended.launched.readingAhead.reset();
    QString failure = answerMayStand ? LoadAnswer(ended.launched, profile) : ended.failure;
    if (!failure.isEmpty() && !ended.failure.isEmpty())
        failure = ended.failure;
    const QString cleanUpProblem = CleanUp();
    if (failure.isEmpty())
        failure = cleanUpProblem;
    const std::chrono::nanoseconds solverTime = ended.solverTime;
    const int exitStatus = ended.exitStatus;
    LetGo();
    ReleaseWorkDirectoryWhenDone();
    // Last, so that a receiver may start the next run at once.
    if (answerWasAwaited)
        emit WaitingChanged(false);
    if (failure.isEmpty())
        emit Collected(profile, solverTime, exitStatus);
    else
        emit Failed(failure);
}

// Loads the answer into `profile`, completing the reading ahead when the staged copy is still
// the file it read; returns what went wrong, or an empty string.
QString SolverRun::LoadAnswer(Launched& launched, std::shared_ptr<const LoadedProfile>& profile)
{
    std::optional<PointsReadAhead> ahead;
    if (launched.readingAhead) // normally done long ago: the solver read the same file and more
        ahead = launched.readingAhead->Finish();
    launched.readingAhead.reset();
    const QString solver = QLatin1String(SolverFileName);
    bool changed = false;
    try {
        changed = !StagedCopyUnchanged(launched.stagedStamp);
        // What the solver changed is no longer the dropped file: messages name it as it is.
        const std::string pointFileName = changed ? PointFileName : m_droppedFile.toStdString();
        PointFileReader reader; // its room goes back as soon as the load is done
        if (ahead && !changed && ahead->Stamp == launched.stagedStamp) {
            profile = CompleteLoad(
                std::move(*ahead), m_workDirectory, pointFileName, reader, m_workFiles);
        } else {
            ahead.reset();
            profile = LoadResultsOnTwoCores(m_workDirectory, pointFileName, reader, m_workFiles);
        }
    } catch (const ResultFileError& error) {
        return QCoreApplication::translate("SolverRun", "%1 finished without a usable answer: %2")
            .arg(solver, MessageText(error.Message()));
    } catch (const DataFileError& error) {
        if (!changed)
            return MessageText(error.Message());
        return QCoreApplication::translate(
            "SolverRun", "%1 changed %2, its copy of %3, and it can no longer be read: %4")
            .arg(solver, QLatin1String(PointFileName), m_droppedFile, MessageText(error.Message()));
    } catch (const std::exception& error) {
        return QString::fromStdString(error.what());
    }
    return {};
}

// Whether morvadine.in is still the file staged. Throws NotAFileError for what the solver left
// in its place that is not a file.
bool SolverRun::StagedCopyUnchanged(const FileStamp& stagedStamp) const
{
    try {
        return m_workFiles.Open(m_workDirectory / PointFileName, PointFileName)->Stamp()
            == stagedStamp;
    } catch (const DataFileError&) {
        return false; // gone, or no longer readable: the load says which
    }
}

// Any state → Idle, without a word, removing what the run staged.
void SolverRun::Abandon()
{
    LetGo();
    CleanUp();
}

// Any state → Idle, without a word. The work directory is left to the caller.
void SolverRun::LetGo()
{
    const Launched* const launched = CurrentLaunch();
    SolverProcess* const process = launched ? launched->process : nullptr;
    m_deadline.stop();
    m_state = Idle {}; // a reading ahead still under way stops first
    if (process)
        ReleaseProcess(process);
}

// A solver that still runs, or whose group is being stopped, is stopped and its process
// object deleted once nothing of its group is left; the run no longer hears of it.
void SolverRun::ReleaseProcess(SolverProcess* process)
{
    process->disconnect(this);
    if (!process->MayStillRun()) {
        process->deleteLater();
        return;
    }
    connect(process, &SolverProcess::GroupStopped, process, &QObject::deleteLater);
    connect(process, &SolverProcess::GroupStopped, this, &SolverRun::OnEarlierRunEnded);
    process->StopGroup();
}

// Idle: the lock goes back once nothing of a run is left, unless it is reserved.
void SolverRun::ReleaseWorkDirectoryWhenDone()
{
    if (!m_lockReserved && std::holds_alternative<Idle>(m_state) && EarlierRunsGone()
        && m_lock.isLocked())
        m_lock.unlock();
}

QString SolverRun::CleanUp() const
{
    if (Dir(m_workDirectory) != EntryKind::Directory)
        return {};
    // Each removal is tried, so one stubborn entry does not leave the others behind.
    QString problem;
    const auto attempt = [&problem](auto&& command) {
        const QString commandProblem = ProblemOf(command);
        if (problem.isEmpty())
            problem = commandProblem;
    };
    for (const char* name : RunFileNames)
        attempt([&] { Kill(m_workDirectory / name); });
    attempt([&] { RmDir(m_workDirectory); });
    return problem;
}
