#include "runsolver/platformcommands.h"

#include "scene/filemessage.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string_view>
#include <system_error>
#include <vector>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

#ifdef Q_OS_LINUX
#include <dirent.h>
#include <fcntl.h>
#include <sys/prctl.h>
#endif

namespace fs = std::filesystem;

namespace {

QString ShownPath(const fs::path& path) { return ShownName(FromPath(path)); }

} // namespace

QString ReasonOf(const std::error_code& error) { return QString::fromLocal8Bit(error.message()); }

EntryKind Dir(const fs::path& path)
{
    std::error_code error;
    const fs::file_status status = fs::symlink_status(path, error);
    switch (status.type()) {
    case fs::file_type::not_found:
    case fs::file_type::none:
        return EntryKind::None;
    case fs::file_type::directory:
        return EntryKind::Directory;
    case fs::file_type::regular:
        return EntryKind::File;
    case fs::file_type::symlink:
        return EntryKind::Link;
    default:
        return EntryKind::Other;
    }
}

void MkDir(const fs::path& path)
{
    std::error_code error;
    if (!fs::create_directory(path, error)) {
        if (!error)
            error = std::make_error_code(std::errc::file_exists);
        throw FileCommandError(
            QCoreApplication::translate("FileCommand", "cannot create the folder %1: %2")
                .arg(ShownPath(path), ReasonOf(error)));
    }
}

void FileCopy(const fs::path& from, const fs::path& to)
{
    Kill(to);
    std::error_code error;
    if (!fs::copy_file(from, to, error))
        throw FileCommandError(
            QCoreApplication::translate("FileCommand", "cannot copy %1 to %2: %3")
                .arg(ShownPath(from), ShownPath(to), ReasonOf(error)));
}

void Kill(const fs::path& path)
{
    const EntryKind kind = Dir(path);
    if (kind == EntryKind::None)
        return;
    if (kind == EntryKind::Directory)
        throw FileCommandError(QCoreApplication::translate(
            "FileCommand", "cannot delete %1: it is a folder, not a file")
                                   .arg(ShownPath(path)));
    std::error_code error;
    if (!fs::remove(path, error)) {
        throw FileCommandError(QCoreApplication::translate("FileCommand", "cannot delete %1: %2")
                                   .arg(ShownPath(path), ReasonOf(error)));
    }
}

bool RmDir(const fs::path& path)
{
    std::error_code error;
    if (Dir(path) != EntryKind::Directory || !fs::is_empty(path, error) || error)
        return false;
    if (!fs::remove(path, error))
        throw FileCommandError(
            QCoreApplication::translate("FileCommand", "cannot remove the folder %1: %2")
                .arg(ShownPath(path), ReasonOf(error)));
    return true;
}

namespace {

// Every solver process object alive: the processes they started are Qt's to reap, never ours.
std::vector<const SolverProcess*>& LiveSolverProcesses()
{
    static std::vector<const SolverProcess*> processes;
    return processes;
}

#ifdef Q_OS_LINUX

// Makes the viewer the parent of every orphan among its descendants, instead of the system's
// first process, so that nothing a solver started can slip away by leaving the solver's group
// and outliving its parent. FreeBSD and DragonFly offer the same through
// procctl(PROC_REAP_ACQUIRE); macOS has nothing alike, and there a daemon that leaves the group
// escapes; on Windows the job object holding the solver's tree would stop all of it at once.
void AdoptOrphans()
{
    static const bool adopting = ::prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) == 0;
    Q_UNUSED(adopting)
}

// The parent and the session of `pid`, from "/proc/PID/stat": "PID (NAME) STATE PARENT GROUP
// SESSION ...", where NAME may hold anything, ')' and blanks included.
bool ParentAndSession(pid_t pid, pid_t& parent, pid_t& session)
{
    char path[32] = "/proc/";
    char* const end = std::to_chars(path + 6, path + sizeof path - 6, pid).ptr;
    std::copy_n("/stat", 6, end);
    const int descriptor = ::open(path, O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    // The name is at most 15 bytes: the fields wanted come well within this.
    char text[256];
    const ssize_t length = ::read(descriptor, text, sizeof text);
    ::close(descriptor);
    const std::string_view status(text, length > 0 ? static_cast<std::size_t>(length) : 0);
    const std::size_t nameEnd = status.rfind(')');
    if (nameEnd == std::string_view::npos || nameEnd + 4 >= status.size())
        return false;
    const char* field = status.data() + nameEnd + 4; // past ") S "
    const char* const last = status.data() + status.size();
    pid_t group = 0;
    for (pid_t* target : { &parent, &group, &session }) {
        const auto [next, error] = std::from_chars(field, last, *target);
        if (error != std::errc() || next == last)
            return false;
        field = next + 1;
    }
    return true;
}

// The children of this process that it did not start itself. The viewer starts no processes
// but its solvers, so these are orphans of a solver's tree that it adopted. A child in the
// viewer's own session is left alone all the same: whatever started it, a solver's tree lives
// in sessions of its own.
std::vector<pid_t> AdoptedChildren()
{
    std::vector<pid_t> adopted;
    DIR* const processes = ::opendir("/proc");
    if (!processes)
        return adopted;
    const pid_t self = ::getpid();
    const pid_t ownSession = ::getsid(0);
    std::vector<qint64> started;
    for (const SolverProcess* process : LiveSolverProcesses())
        started.push_back(process->processId());
    while (const dirent* entry = ::readdir(processes)) {
        const std::string_view name(entry->d_name);
        pid_t pid = 0;
        pid_t parent = 0;
        pid_t session = 0;
        if (std::from_chars(name.data(), name.data() + name.size(), pid).ptr
                != name.data() + name.size()
            || !ParentAndSession(pid, parent, session))
            continue;
        if (parent == self && session != ownSession && std::ranges::count(started, pid) == 0)
            adopted.push_back(pid);
    }
    ::closedir(processes);
    return adopted;
}

#else

void AdoptOrphans() { }

std::vector<int> AdoptedChildren() { return {}; }

#endif

} // namespace

SolverProcess::SolverProcess(QObject* parent)
    : QProcess(parent)
{
    AdoptOrphans();
    LiveSolverProcesses().push_back(this);
    // A solver that reads its input from the console must not wait for a keyboard that
    // never comes; what it prints belongs to whoever started the viewer.
    setStandardInputFile(QProcess::nullDevice());
    setProcessChannelMode(QProcess::ForwardedOutputChannel);
#ifdef Q_OS_UNIX
    // A session of its own also takes the solver off our terminal, so it cannot be stopped
    // for writing to it from the background, nor get the terminal's signals meant for us.
    setChildProcessModifier([] { ::setsid(); });
#endif
    connect(this, &QProcess::readyReadStandardError, this, &SolverProcess::PassOnErrorOutput);
    connect(this, &QProcess::started, this, [this] { m_group = processId(); });
    // Connected before any user of the process, so a run that hears of the end finds the stop
    // of the solver's leftovers (a wrapper's background job, a forked helper, a daemon) under way.
    connect(this, &QProcess::finished, this, [this] {
        if (!m_stopping && (GroupRuns() || !AdoptedChildren().empty()))
            StopGroup();
    });
    m_stopPoll.setInterval(std::chrono::milliseconds(25));
    connect(&m_stopPoll, &QTimer::timeout, this, [this] {
        if (StopProgresses())
            return;
        m_stopPoll.stop();
        emit GroupStopped();
    });
}

SolverProcess::~SolverProcess()
{
    if (!m_stopping && state() != QProcess::NotRunning)
        BeginStop();
    // No event loop will run for us any more: reap and poll here.
    while (m_stopping && StopProgresses()) {
        if (state() != QProcess::NotRunning)
            waitForFinished(static_cast<int>(m_stopPoll.interval()));
        else
            QThread::msleep(static_cast<unsigned long>(m_stopPoll.interval()));
    }
    std::erase(LiveSolverProcesses(), this);
}

void SolverProcess::PassOnErrorOutput()
{
    const QByteArray chunk = readAllStandardError();
    std::fwrite(chunk.constData(), 1, static_cast<std::size_t>(chunk.size()), stderr);
    m_errorTail += chunk;
    if (m_errorTail.size() > ErrorTailBytes)
        m_errorTail.remove(0, m_errorTail.size() - ErrorTailBytes);
}

void SolverProcess::StopGroup()
{
    if (m_stopping)
        return;
    BeginStop();
    m_stopPoll.start();
}

void SolverProcess::BeginStop()
{
    m_stopping = true;
    // Until the solver has started, its group may not exist yet; started() names it.
    if (state() == QProcess::Starting)
        waitForStarted();
    m_graceEnds.setRemainingTime(StopGrace);
    Send(Signal::Terminate);
}

bool SolverProcess::StopProgresses()
{
    if (!m_killed && m_graceEnds.hasExpired()) {
        Send(Signal::Kill);
        m_killed = true;
        m_waitEnds.setRemainingTime(StopGrace);
    }
    const bool adoptedLeft = StopAdopted();
    // The solver is reaped only here, through QProcess, which needs to see its end.
    if (state() != QProcess::NotRunning)
        return true;
    if (!adoptedLeft && !GroupRuns())
        return false;
    // Killed processes end at once, and those whose parents ended are ours to reap. Only one
    // stuck in the system, or a child that a parent outside our reach never reaps, can outlast
    // the kill for long: waiting for it could last forever.
    return !m_killed || !m_waitEnds.hasExpired();
}

#ifdef Q_OS_UNIX

void SolverProcess::Send(Signal signal)
{
    if (m_group != 0
        && ::kill(-static_cast<pid_t>(m_group), signal == Signal::Kill ? SIGKILL : SIGTERM) != 0
        && errno == ESRCH)
        m_group = 0;
}

bool SolverProcess::GroupRuns()
{
    // Once the group is empty its number may be reused: never signal it again.
    if (m_group != 0 && ::kill(-static_cast<pid_t>(m_group), 0) != 0 && errno == ESRCH)
        m_group = 0;
    return m_group != 0;
}

bool SolverProcess::StopAdopted()
{
    bool left = false;
    // Each is our child until we reap it, so its number cannot pass to another process meanwhile.
    for (const pid_t pid : AdoptedChildren()) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid)
            continue;
        left = true;
        if (m_killed) {
            ::kill(pid, SIGKILL);
        } else if (!m_warned.contains(pid)) {
            ::kill(pid, SIGTERM);
            m_warned.append(pid);
        }
    }
    return left;
}

#else

// A console program may ignore the request to close that terminate() sends, so the solver is
// killed at once. Its children survive it: only a job object holding its tree would stop them.
void SolverProcess::Send(Signal)
{
    kill();
}

bool SolverProcess::GroupRuns() { return false; }

bool SolverProcess::StopAdopted() { return false; }

#endif

void Shell(SolverProcess& process, const QString& program, const QString& workingDirectory)
{
    process.setProgram(program);
    process.setArguments({});
    process.setWorkingDirectory(workingDirectory);
    process.start(QIODevice::ReadOnly);
}

namespace {

// The stand-ins of the bytes that are not UTF-8: lone low surrogates, which no UTF-8 decodes to.
constexpr char16_t ByteStandIns = 0xDC00;
constexpr char16_t FirstByteStandIn = ByteStandIns + 0x80;
constexpr char16_t LastByteStandIn = ByteStandIns + 0xFF;

} // namespace

std::string NameBytes(const QString& name)
{
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(name.size()));
    for (qsizetype k = 0; k < name.size(); ++k) {
        const char16_t unit = name[k].unicode();
        const bool pair = QChar::isHighSurrogate(unit) && k + 1 < name.size()
            && name[k + 1].isLowSurrogate();
        if (!pair && unit >= FirstByteStandIn && unit <= LastByteStandIn) {
            bytes += static_cast<char>(unit - ByteStandIns);
            continue;
        }
        bytes += QStringView(name).mid(k, pair ? 2 : 1).toUtf8().toStdString();
        k += pair ? 1 : 0;
    }
    return bytes;
}

QString NameFromBytes(std::string_view bytes)
{
    QString name;
    name.reserve(static_cast<qsizetype>(bytes.size()));
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = Utf8CharacterLength(bytes.substr(at));
        const auto byte = static_cast<unsigned char>(bytes[at]);
        if (length == 0)
            name += QChar(static_cast<char16_t>(ByteStandIns + byte));
        else
            name += QString::fromUtf8(bytes.data() + at, static_cast<qsizetype>(length));
        at += length == 0 ? 1 : length;
    }
    return name;
}

QString ShownName(const QString& name)
{
    return QString::fromStdString(ShownText(NameBytes(name)));
}

#ifdef Q_OS_WIN
fs::path ToPath(const QString& name) { return fs::path(name.toStdWString()); }

QString FromPath(const fs::path& path) { return QString::fromStdWString(path.wstring()); }
#else
fs::path ToPath(const QString& name) { return fs::path(NameBytes(name)); }

QString FromPath(const fs::path& path) { return NameFromBytes(path.native()); }
#endif
