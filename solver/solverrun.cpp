#include "solver/solverrun.h"

#include "solver/platformcommands.h"

#include <QDir>
#include <QProcess>

#include <charconv>
#include <utility>

namespace fs = std::filesystem;

namespace {

// A reason to refuse a run before the solver starts, as the user reads it.
struct RunProblem {
    QString message;
};

// Enough of the solver's error output for its last lines, however much it writes.
constexpr qsizetype ErrorTailBytes = 8192;
constexpr qsizetype ErrorTailLines = 5;

QString DurationText(std::chrono::milliseconds duration)
{
    char digits[32];
    const double seconds = static_cast<double>(duration.count()) / 1000.0;
    const auto end = std::to_chars(digits, digits + sizeof digits, seconds).ptr;
    return QString::fromLatin1(digits, end - digits)
        + (duration == std::chrono::seconds(1) ? QStringLiteral(" second")
                                               : QStringLiteral(" seconds"));
}

QString LastLines(const QByteArray& output)
{
    QStringList lines = QString::fromLocal8Bit(output).split(QLatin1Char('\n'));
    lines.removeIf([](const QString& line) { return line.trimmed().isEmpty(); });
    return lines.mid(qMax<qsizetype>(0, lines.size() - ErrorTailLines)).join(QLatin1Char('\n'));
}

void CheckDroppedFile(const QString& droppedFile, const fs::path& workDirectory)
{
    const fs::path dropped = ToPath(droppedFile);
    std::error_code error;
    const fs::file_status status = fs::status(dropped, error);
    if (status.type() == fs::file_type::not_found || status.type() == fs::file_type::none)
        throw RunProblem { droppedFile + QStringLiteral(": the file does not exist") };
    if (status.type() == fs::file_type::directory) {
        throw RunProblem { droppedFile
            + QStringLiteral(": is a folder, not a file; drop a problem input file") };
    }
    if (status.type() != fs::file_type::regular)
        throw RunProblem { droppedFile + QStringLiteral(": is not a plain file") };
    const fs::path place = fs::canonical(dropped, error).parent_path();
    std::error_code workError;
    const fs::path work = fs::canonical(workDirectory, workError);
    if (!error && !workError && place == work) {
        throw RunProblem { droppedFile
            + QStringLiteral(": lies in the viewer's work directory, whose files "
                             "each run replaces; copy it elsewhere and drop the copy") };
    }
}

// A folder of ours where the work directory goes: made when absent, reused when left over.
void PrepareWorkDirectory(const fs::path& workDirectory)
{
    const QString occupant = [&] {
        switch (Dir(workDirectory)) {
        case EntryKind::None:
            MkDir(workDirectory);
            return QString();
        case EntryKind::Directory:
            return QString();
        case EntryKind::File:
            return QStringLiteral("a file");
        case EntryKind::Link:
            return QStringLiteral("a link");
        case EntryKind::Other:
            break;
        }
        return QStringLiteral("something other than a folder");
    }();
    if (!occupant.isEmpty()) {
        throw RunProblem { FromPath(workDirectory)
            + QStringLiteral(": the viewer needs this name for its work directory, "
                             "but %1 has it; rename or remove it")
                  .arg(occupant) };
    }
}

} // namespace

SolverRun::SolverRun(QString programFolder, QObject* parent)
    : QObject(parent)
    , m_programFolder(QDir(programFolder).absolutePath())
    , m_workDirectory(ToPath(m_programFolder) / WorkDirectoryName)
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &SolverRun::OnDeadline);
}

SolverRun::~SolverRun()
{
    Abandon();
    // No event loop will deliver their end any more. A killed solver ends at once, and
    // reaping it here is what QProcess's destructor would do, with a warning.
    for (QProcess* process : findChildren<QProcess*>()) {
        if (process->state() != QProcess::NotRunning)
            process->waitForFinished();
    }
}

void SolverRun::SetTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }

QString SolverRun::Start(const QString& droppedFile)
{
    const bool wasWaiting = m_waiting;
    Abandon();
    if (wasWaiting)
        emit WaitingChanged(false);
    try {
        CheckDroppedFile(droppedFile, m_workDirectory);
        m_droppedFile = droppedFile;
        PrepareWorkDirectory(m_workDirectory);
    } catch (const RunProblem& problem) {
        return problem.message;
    } catch (const FileCommandError& error) {
        return QString::fromStdString(error.what());
    }
    // From here on the work directory is ours to clean.
    QString message;
    try {
        Stage(droppedFile);
        Launch();
        // Most start failures arrive later from the event loop; a failed fork comes at once.
        if (!m_startError.isEmpty())
            message = SolverProblem();
    } catch (const RunProblem& problem) {
        message = problem.message;
    } catch (const FileCommandError& error) {
        message = QString::fromStdString(error.what());
    }
    if (!message.isEmpty()) {
        if (m_process)
            ReleaseProcess();
        CleanUp();
        return message;
    }
    m_deadline.start(m_timeout);
    return {};
}

void SolverRun::Stage(const QString& droppedFile)
{
    const fs::path solver = ToPath(m_programFolder) / SolverFileName;
    if (Dir(solver) == EntryKind::None) {
        throw RunProblem { QStringLiteral("%1 is missing: it must lie beside the program, in %2")
                               .arg(QLatin1String(SolverFileName), m_programFolder) };
    }
    std::error_code error;
    if (!fs::is_regular_file(solver, error)) {
        throw RunProblem { QStringLiteral("%1 in %2 is not a program file")
                               .arg(QLatin1String(SolverFileName), m_programFolder) };
    }
    // A leftover answer must never pass for this run's.
    for (const char* name : { PointFileName, ResultFileName, SolverFileName })
        Kill(m_workDirectory / name);
    const fs::path staged = m_workDirectory / SolverFileName;
    FileCopy(solver, staged);
    fs::permissions(staged,
        fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_exec
            | fs::perms::others_exec,
        fs::perm_options::add, error);
    if (error) {
        throw FileCommandError(
            "cannot make " + staged.string() + " executable: " + error.message());
    }
    FileCopy(ToPath(droppedFile), m_workDirectory / PointFileName);
}

void SolverRun::Launch()
{
    m_process = new QProcess(this);
    connect(m_process, &QProcess::readyReadStandardError, this, &SolverRun::ReadErrorOutput);
    connect(m_process, &QProcess::finished, this, &SolverRun::OnFinished);
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        m_startError = m_process->errorString();
        if (m_scene)
            Finish();
    });
    Shell(*m_process, FromPath(m_workDirectory / SolverFileName), FromPath(m_workDirectory));
}

void SolverRun::Collect(SceneState& scene)
{
    if (!m_process || m_scene)
        return;
    m_scene = &scene;
    if (m_process->state() == QProcess::NotRunning) {
        Finish();
        return;
    }
    m_waiting = true;
    emit WaitingChanged(true);
}

void SolverRun::OnFinished()
{
    if (m_scene)
        Finish();
}

void SolverRun::OnDeadline()
{
    if (m_process->state() == QProcess::NotRunning)
        return;
    m_timedOut = true;
    m_process->kill();
}

void SolverRun::ReadErrorOutput()
{
    m_errorTail += m_process->readAllStandardError();
    m_errorTail = m_errorTail.right(ErrorTailBytes);
}

void SolverRun::Finish()
{
    ReadErrorOutput();
    QString message = SolverProblem();
    CoordinateCaptions captions;
    if (message.isEmpty()) {
        try {
            captions = LoadResults(*m_scene, m_workDirectory);
        } catch (const std::exception& error) {
            message = QString::fromStdString(error.what());
            // The staged copy is gone by the time the user reads this; the line and column
            // hold for the file they dropped, so name that one.
            const QString staged = QLatin1String(PointFileName) + QLatin1Char(':');
            if (message.startsWith(staged))
                message.replace(0, staged.size() - 1, m_droppedFile);
        }
    }
    const QString cleanUpProblem = CleanUp();
    if (message.isEmpty())
        message = cleanUpProblem;
    const bool wasWaiting = m_waiting;
    ReleaseProcess();
    // Last, so that a receiver may start the next run at once.
    if (wasWaiting)
        emit WaitingChanged(false);
    if (message.isEmpty())
        emit Collected(captions);
    else
        emit Failed(message);
}

QString SolverRun::SolverProblem() const
{
    const QString solver = QLatin1String(SolverFileName);
    if (!m_startError.isEmpty())
        return QStringLiteral("%1 could not be started: %2").arg(solver, m_startError);
    if (m_timedOut)
        return QStringLiteral("%1 did not finish within %2").arg(solver, DurationText(m_timeout));
    QString ending;
    if (m_process->exitStatus() == QProcess::CrashExit)
        ending = QStringLiteral("%1 crashed").arg(solver);
    else if (m_process->exitCode() != 0)
        ending = QStringLiteral("%1 exited with status %2").arg(solver).arg(m_process->exitCode());
    else
        return {};
    const QString lastLines = LastLines(m_errorTail);
    if (lastLines.isEmpty())
        return ending + QStringLiteral(" and wrote nothing to its error output");
    return ending + QStringLiteral(": ") + lastLines;
}

QString SolverRun::CleanUp() const
{
    if (Dir(m_workDirectory) != EntryKind::Directory)
        return {};
    // Each removal is tried, so one stubborn entry does not leave the others behind.
    QString problem;
    const auto attempt = [&problem](auto&& command) {
        try {
            command();
        } catch (const FileCommandError& error) {
            if (problem.isEmpty())
                problem = QString::fromStdString(error.what());
        }
    };
    for (const char* name : { PointFileName, ResultFileName, SolverFileName })
        attempt([&] { Kill(m_workDirectory / name); });
    attempt([&] { RmDir(m_workDirectory); });
    return problem;
}

// Stops the pending run's solver, if it still runs, and leaves it to end on its own.
void SolverRun::ReleaseProcess()
{
    m_deadline.stop();
    m_scene = nullptr;
    m_waiting = false;
    m_timedOut = false;
    m_startError.clear();
    m_errorTail.clear();
    QProcess* process = std::exchange(m_process, nullptr);
    process->disconnect(this);
    if (process->state() == QProcess::NotRunning) {
        process->deleteLater();
        return;
    }
    connect(process, &QProcess::stateChanged, process, [process](QProcess::ProcessState state) {
        if (state == QProcess::NotRunning)
            process->deleteLater();
    });
    process->kill();
}

void SolverRun::Abandon()
{
    if (!m_process)
        return;
    ReleaseProcess();
    CleanUp();
}
