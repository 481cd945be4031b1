#pragma once

#include <QDeadlineTimer>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTimer>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

// The file and process commands the solver run is built from. Every path is explicit: none
// of them reads or changes the process's current directory.

// A file command that failed. what() is a whole sentence naming the path and the reason,
// in UTF-8 and in the language of the translation installed: "cannot create the folder
// /opt/viewer/morvadine_temporary: Permission denied".
class FileCommandError : public std::runtime_error {
public:
    explicit FileCommandError(const QString& message)
        : std::runtime_error(message.toStdString())
    {
    }
};

// The system's reason for a failed file operation, in its own words.
QString ReasonOf(const std::error_code& error);

enum class EntryKind {
    None,
    Directory,
    File,
    Link, // never followed: a link where we expect our own folder is not ours to use
    Other, // a device, a socket, a pipe
};

// What the name `path` stands for, without following a link.
EntryKind Dir(const std::filesystem::path& path);

// Creates the folder `path`, whose parent must exist. Throws FileCommandError.
void MkDir(const std::filesystem::path& path);

// Copies the file `from` to `to`, replacing a file already there. The old file is unlinked
// rather than overwritten, so a program still running from it keeps its own copy and never
// sees the new contents. Throws FileCommandError, and when `to` is a folder leaves it alone.
void FileCopy(const std::filesystem::path& from, const std::filesystem::path& to);

// Deletes the file (or link) `path`; a missing file is no error, so a clean-up can name
// every file it might have made. Throws FileCommandError for a folder or a failed removal.
void Kill(const std::filesystem::path& path);

// Removes the folder `path` when it is empty and reports whether it did. A folder that still
// holds something is left as it is. Throws FileCommandError when removing fails otherwise.
bool RmDir(const std::filesystem::path& path);

// How long a stopped solver and the processes it started are given to end by themselves
// before whatever is left of them is killed.
inline constexpr std::chrono::milliseconds StopGrace { 1000 };

// The solver's process. Its input is empty; its standard output goes straight to ours, and
// its error output is passed on to ours while its last part is kept for messages.
//
// On Unix the solver leads a session and process group of its own, which every process it
// starts joins unless that process leaves on purpose; a stop reaches the whole group. On Linux
// the viewer also adopts every orphan among its descendants (it is their child subreaper), so
// that a process which left the group (a daemon calling setsid, say) comes back to it as soon
// as its parent ends: a stop then stops the adopted processes too and reaps them. A solver that
// ends by itself leaving anything of its group or any adopted process behind has them stopped
// the same way at once, so nothing of a run outlives it. Elsewhere only the solver itself is
// stopped, killed at once: on Windows the counterpart of the group is a job object holding the
// solver's process tree, which is not built yet.
class SolverProcess : public QProcess {
    Q_OBJECT
public:
    // Enough of the error output for its last lines, however much the solver writes.
    static constexpr qsizetype ErrorTailBytes = 8192;

    explicit SolverProcess(QObject* parent = nullptr);
    // Finishes a stop under way, or stops a solver still running, before returning: blocks
    // for at most twice StopGrace and the time the kill takes.
    ~SolverProcess() override;

    // The end of the error output read so far; complete once finished() has been emitted.
    const QByteArray& ErrorTail() const { return m_errorTail; }

    // Until it has been reaped, or while its stop is under way.
    bool MayStillRun() const { return state() != QProcess::NotRunning || m_stopPoll.isActive(); }

    // Asks the solver, every process of its group and every adopted process to end (SIGTERM),
    // and kills what is left after StopGrace (SIGKILL). Returns at once; GroupStopped follows
    // from the event loop once the solver has been reaped and nothing else is left, or at most
    // StopGrace after the kill, should anything outlast it. Also begun by the solver's own end
    // while anything of its group or an adopted process runs on. Calls after the first are
    // ignored.
    void StopGroup();

signals:
    void GroupStopped();

private:
    enum class Signal { Terminate, Kill };
    void PassOnErrorOutput();
    void BeginStop();
    // One step of a stop under way; returns whether there is still something to wait for.
    bool StopProgresses();
    void Send(Signal signal);
    bool GroupRuns();
    // Signals the adopted processes (each once while the grace lasts, again and again once it is
    // over) and reaps those that have ended; returns whether any is left.
    bool StopAdopted();

    QByteArray m_errorTail;
    QTimer m_stopPoll;
    QDeadlineTimer m_graceEnds;
    QDeadlineTimer m_waitEnds; // how long a stop waits on after the kill
    qint64 m_group = 0; // the process group while we may still signal it, else 0
    QList<qint64> m_warned; // adopted processes sent SIGTERM already
    bool m_stopping = false;
    bool m_killed = false;
};

// Starts `program`, an absolute path that is never looked up in PATH, without arguments in
// `workingDirectory`, and returns at once. A failure to start shows as `process`'s
// errorOccurred(FailedToStart), during this call or later from the event loop.
void Shell(SolverProcess& process, const QString& program, const QString& workingDirectory);

// A file name as the system gives it, bytes, and as the program holds it, a QString. Bytes
// that are not UTF-8 stand in the QString each as a lone surrogate of its own, so that any
// name survives the trip there and back, which Qt's own conversions, replacing such bytes,
// would not let it; such a name must then reach the system through ToPath, never through
// Qt's file classes.
std::string NameBytes(const QString& name);
QString NameFromBytes(std::string_view bytes);

// A file name as messages and reports show it: escaped as ShownText escapes what a file
// holds, bytes that are not UTF-8 included, nothing cut.
QString ShownName(const QString& name);

// The native path of a file name, and back, through NameBytes on Unix.
std::filesystem::path ToPath(const QString& name);
QString FromPath(const std::filesystem::path& path);
