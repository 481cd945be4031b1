#include "solver/solverrun.h"

#include "solver/messagetext.h"
#include "solver/platformcommands.h"

#include "scene/filemessage.h"
#include "scene/stoprequest.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>

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
    } catch (const FileCommandError& error) {
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
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &SolverRun::OnDeadline);
}

SolverRun::~SolverRun()
{
    const bool pending = IsPending();
    LetGo();
    // No event loop will finish the stops under way: each process object finishes its own
    // as it is destroyed. The clean-up comes after, so nothing a solver writes meanwhile stays.
    qDeleteAll(findChildren<SolverProcess*>(Qt::FindDirectChildrenOnly));
    if (pending)
        CleanUp();
}

void SolverRun::SetTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }

void SolverRun::SetSolverProgram(const QString& program)
{
    m_solverProgram = QDir(m_places.SolverFolder).absoluteFilePath(program);
}

QString SolverRun::Start(const QString& droppedFile, SceneState& scene)
{
    const QString problem = Start(droppedFile);
    if (problem.isEmpty())
        ReadAhead(scene);
    return problem;
}

// Idle → Running. Acts in every state: a pending run is let go first.
QString SolverRun::Start(const QString& droppedFile)
{
    const bool answerWasAwaited = AnswerAwaited();
    if (IsPending())
        Abandon();
    if (answerWasAwaited)
        emit WaitingChanged(false);
    QString problem = ProblemOf([&] {
        CheckDroppedFile(droppedFile, m_workDirectory);
        m_droppedFile = ShownName(droppedFile);
        if (m_places.Installed)
            PreparePrivateFolder(ToPath(m_places.WorkFolder));
        PrepareWorkDirectory(m_workDirectory);
    });
    if (!problem.isEmpty())
        return problem;
    // From here on the work directory is ours to clean.
    problem = ProblemOf([&] { Stage(droppedFile); });
    if (problem.isEmpty()) {
        Launch();
        // Most start failures arrive later from the event loop; a failed fork comes at once.
        if (m_state == State::Ended)
            problem = m_failure;
    }
    if (!problem.isEmpty())
        Abandon();
    return problem;
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
    FileCopy(ToPath(droppedFile), m_workDirectory / PointFileName);
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
            m_readAhead = ReadPointsAhead(m_readAheadScene->Points, folder, name, m_reader, stop);
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

// Running or Stopping: the answer is awaited from now on, once. Ended → Idle.
void SolverRun::Collect(SceneState& scene)
{
    switch (m_state) {
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
    return m_scene && (m_state == State::Running || m_state == State::Stopping);
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

// Running or Stopping → Ended, or on to Idle when the answer is awaited.
void SolverRun::SolverEnded()
{
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
    const std::string pointFileName = m_droppedFile.toStdString();
    try {
        if (m_readingAhead.joinable() && m_readAheadScene == m_scene) {
            // Normally done long ago: the solver read the same file and more.
            m_readingAhead.join();
            captions = CompleteLoad(*m_scene, m_readAhead, m_workDirectory, pointFileName, m_reader);
        } else {
            StopReadingAhead();
            captions = LoadResultsOnTwoCores(*m_scene, m_workDirectory, pointFileName, m_reader);
        }
    } catch (const ResultFileError& error) {
        return QCoreApplication::translate("SolverRun", "%1 finished without a usable answer: %2")
            .arg(QLatin1String(SolverFileName), MessageText(error.Message()));
    } catch (const DataFileError& error) {
        return MessageText(error.Message());
    } catch (const std::exception& error) {
        return QString::fromStdString(error.what());
    }
    return {};
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
    process->StopGroup();
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
