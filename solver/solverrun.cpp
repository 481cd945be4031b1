#include "solver/solverrun.h"

#include "solver/messagetext.h"
#include "solver/platformcommands.h"

#include "scene/filemessage.h"
#include "scene/stoprequest.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <charconv>
#include <utility>

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

QString SolverRun::Start(const QString& droppedFile, SceneState& scene)
{
    return Begin(droppedFile, &scene);
}

QString SolverRun::Start(const QString& droppedFile) { return Begin(droppedFile, nullptr); }

// Idle → Queued, and on to Running at once unless processes of an earlier run are still being
// stopped. Acts in every state: a pending run is let go first.
QString SolverRun::Begin(const QString& droppedFile, SceneState* readAheadScene)
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
        m_droppedPath = droppedFile;
        m_droppedFile = ShownName(droppedFile);
    });
    if (!problem.isEmpty()) {
        ReleaseWorkDirectoryWhenDone();
        return problem;
    }
    m_state = State::Queued;
    m_readAheadScene = readAheadScene;
    if (!EarlierRunsGone())
        return {};
    problem = StageAndLaunch();
    // Most start failures arrive later from the event loop; a failed fork comes at once.
    if (problem.isEmpty() && m_state == State::Ended)
        problem = m_failure;
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

// Whether every process of an earlier run has ended and been reaped, so that a run may stage.
bool SolverRun::EarlierRunsGone() const
{
    const QList<SolverProcess*> processes
        = findChildren<SolverProcess*>(Qt::FindDirectChildrenOnly);
    return std::ranges::none_of(processes, [this](const SolverProcess* process) {
        return process != m_process && process->MayStillRun();
    });
}

// Queued: the run stages and starts once the last of the earlier run's processes is gone.
// Idle: whatever those processes wrote after their run's clean-up goes too.
void SolverRun::OnEarlierRunEnded()
{
    if (!EarlierRunsGone())
        return;
    if (m_state == State::Idle && m_lock.isLocked()) {
        CleanUp();
        ReleaseWorkDirectoryWhenDone();
        return;
    }
    if (m_state != State::Queued)
        return;
    const QString problem = StageAndLaunch();
    if (problem.isEmpty())
        return;
    CleanUp();
    m_failure = problem;
    SolverEnded();
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
    const QString problem = ProblemOf([&] {
        PrepareWorkDirectory(m_workDirectory);
        Stage(m_droppedPath);
    });
    if (!problem.isEmpty())
        return problem;
    Launch();
    if (m_state == State::Running && m_readAheadScene)
        ReadAhead(*m_readAheadScene);
    return {};
}

void SolverRun::Stage(const QString& droppedFile)
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
    m_stagedStamp = m_workFiles.Open(pointFile, PointFileName)->Stamp();
}

void SolverRun::Launch()
{
    m_process = new SolverProcess(this);
    connect(m_process, &QProcess::errorOccurred, this, &SolverRun::OnStartFailed);
    connect(m_process, &QProcess::finished, this, &SolverRun::OnSolverFinished);
    connect(m_process, &SolverProcess::GroupStopped, this, &SolverRun::OnGroupStopped);
    m_state = State::Running;
    m_deadline.start(m_timeout);
    m_solverClock.start();
    Shell(*m_process, FromPath(m_workDirectory / SolverFileName), FromPath(m_workDirectory));
}

// Running: the solver reads its point file; so may we.
void SolverRun::ReadAhead(SceneState& scene)
{
    m_readAheadScene = &scene;
    m_readingAhead = std::jthread([this, folder = m_workDirectory, name = m_droppedFile.toStdString()](
                                      std::stop_token stop) {
        try {
            m_readAhead = ReadPointsAhead(
                m_readAheadScene->Points, folder, name, m_reader, stop, m_workFiles);
        } catch (const StopRequested&) {
            // Let go: nothing will look at what was read.
        }
    });
}

void SolverRun::StopReadingAhead()
{
    if (m_readingAhead.joinable()) {
        m_readingAhead.request_stop();
        m_readingAhead.join();
    }
    m_readAheadScene = nullptr;
    m_readAhead = {};
}

// Queued, Running or Stopping: the answer is awaited from now on, once. Ended → Idle.
void SolverRun::Collect(SceneState& scene)
{
    switch (m_state) {
    case State::Queued:
    case State::Running:
    case State::Stopping:
        if (AnswerAwaited())
            return;
        m_scene = &scene;
        emit WaitingChanged(true);
        return;
    case State::Ended:
        m_scene = &scene;
        Conclude();
        return;
    case State::Idle:
        return;
    }
}

// Whether the user waits for the solver: its answer has been asked for before it ended.
bool SolverRun::AnswerAwaited() const
{
    return m_scene
        && (m_state == State::Queued || m_state == State::Running || m_state == State::Stopping);
}

// Running: the solver could not be started at all.
void SolverRun::OnStartFailed(QProcess::ProcessError error)
{
    if (error != QProcess::FailedToStart || m_state != State::Running)
        return;
    m_failure = QCoreApplication::translate("SolverRun", "%1 could not be started: %2")
                    .arg(QLatin1String(SolverFileName), m_process->errorString());
    SolverEnded();
}

// Running: the solver ended by itself. While Stopping its end is part of the stop.
void SolverRun::OnSolverFinished(int exitCode, QProcess::ExitStatus exitStatus)
{
    if (m_state != State::Running)
        return;
    const QString solver = QLatin1String(SolverFileName);
    QString ending;
    if (exitStatus == QProcess::CrashExit)
        ending = QCoreApplication::translate("SolverRun", "%1 crashed").arg(solver);
    else if (exitCode != 0) {
        ending = ExitStatusSentence(exitCode);
        m_exitStatus = exitCode;
    }
    if (!ending.isEmpty()) {
        const QString lastLines = NameDroppedFile(LastLines(m_process->ErrorTail()), m_droppedFile);
        m_failure = lastLines.isEmpty()
            ? QCoreApplication::translate("SolverRun", "%1 and wrote nothing to its error output")
                  .arg(ending)
            : QCoreApplication::translate("SolverRun", "%1: %2").arg(ending, lastLines);
    }
    SolverEnded();
}

// Running → Stopping.
void SolverRun::OnDeadline()
{
    if (m_state != State::Running)
        return;
    m_failure = QCoreApplication::translate("SolverRun", "%1 did not finish within %2")
                    .arg(QLatin1String(SolverFileName), DurationText(m_timeout));
    m_state = State::Stopping;
    m_process->StopGroup();
}

// Stopping: nothing the solver started is left.
void SolverRun::OnGroupStopped()
{
    if (m_state == State::Stopping)
        SolverEnded();
}

// Queued, Running or Stopping → Ended, or on to Idle when the answer is awaited.
void SolverRun::SolverEnded()
{
    if (m_solverClock.isValid())
        m_solverTime = std::chrono::nanoseconds(m_solverClock.nsecsElapsed());
    m_deadline.stop();
    if (AnswerAwaited())
        Conclude();
    else
        m_state = State::Ended;
}

// → Idle, with the run's one report.
void SolverRun::Conclude()
{
    CoordinateCaptions captions;
    // A solver that exited with a status other than 0 may still have left a complete answer,
    // which is collected with that status; without one, its exit is what went wrong.
    const bool answerMayStand = m_failure.isEmpty() || m_exitStatus != 0;
    if (!answerMayStand)
        StopReadingAhead();
    QString failure = answerMayStand ? LoadAnswer(captions) : m_failure;
    if (!failure.isEmpty() && !m_failure.isEmpty())
        failure = m_failure;
    const QString cleanUpProblem = CleanUp();
    if (failure.isEmpty())
        failure = cleanUpProblem;
    const bool answerWasAwaited = AnswerAwaited();
    const std::chrono::nanoseconds solverTime = m_solverTime;
    const int exitStatus = m_exitStatus;
    LetGo();
    ReleaseWorkDirectoryWhenDone();
    // Last, so that a receiver may start the next run at once.
    if (answerWasAwaited)
        emit WaitingChanged(false);
    if (failure.isEmpty())
        emit Collected(captions, solverTime, exitStatus);
    else
        emit Failed(failure);
}

QString SolverRun::LoadAnswer(CoordinateCaptions& captions)
{
    // Normally done long ago: the solver read the same file and more.
    const bool readAhead = m_readingAhead.joinable() && m_readAheadScene == m_scene;
    if (readAhead)
        m_readingAhead.join();
    else
        StopReadingAhead();
    const QString solver = QLatin1String(SolverFileName);
    bool changed = false;
    try {
        changed = !StagedCopyUnchanged();
        // What the solver changed is no longer the dropped file: messages name it as it is.
        const std::string pointFileName = changed ? PointFileName : m_droppedFile.toStdString();
        if (readAhead && !changed && m_readAhead.Stamp == m_stagedStamp)
            captions = CompleteLoad(
                *m_scene, m_readAhead, m_workDirectory, pointFileName, m_reader, m_workFiles);
        else
            captions = LoadResultsOnTwoCores(
                *m_scene, m_workDirectory, pointFileName, m_reader, m_workFiles);
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
bool SolverRun::StagedCopyUnchanged() const
{
    try {
        return m_workFiles.Open(m_workDirectory / PointFileName, PointFileName)->Stamp()
            == m_stagedStamp;
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
    StopReadingAhead();
    m_deadline.stop();
    if (m_process)
        ReleaseProcess();
    m_state = State::Idle;
    m_scene = nullptr;
    m_failure.clear();
    m_solverClock.invalidate();
    m_exitStatus = 0;
    m_solverTime = {};
}

// A solver that still runs, or whose group is being stopped, is stopped and its process
// object deleted once nothing of its group is left; the run no longer hears of it.
void SolverRun::ReleaseProcess()
{
    SolverProcess* process = std::exchange(m_process, nullptr);
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
    if (!m_lockReserved && m_state == State::Idle && EarlierRunsGone() && m_lock.isLocked())
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
