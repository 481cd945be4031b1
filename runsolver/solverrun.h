#pragma once

#include "scene/loadresults.h"
#include "runsolver/programplaces.h"
#include "runsolver/readingahead.h"
#include "runsolver/workfiles.h"

#include <QElapsedTimer>
#include <QLockFile>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QTimer>

#include <chrono>
#include <filesystem>
#include <memory>
#include <variant>

class SolverProcess;

inline constexpr const char* SolverFileName = "calc.exe";
inline constexpr const char* WorkDirectoryName = "morvadine_temporary";
// Beside the work directory: whoever holds it uses the work directory.
inline constexpr const char* WorkDirectoryLockName = "morvadine_temporary.lock";

// One solver run at a time: stages a dropped problem input with the solver program as
// calc.exe in the work directory "morvadine_temporary" of the work folder, starts it there,
// and collects its answer as a profile of its own, handed over whole with the report. Where
// calc.exe lies and the work folder are the program folder's ProgramPlaces. Every path is
// explicit; the process's current directory is never read or changed.
//
// Cleaning up removes only what a run stages or the solver answers with (calc.exe,
// morvadine.in, morvadine.out and the stand-in solver's morvadine.out.tmp in the work
// directory) and the work directory when that leaves it empty; other files there are never
// touched, and the dropped file is only read. A run that fails, at any point, reports a
// message that says whose fault it is (the dropped file, the solver or the viewer's folder)
// and cleans up the same way, so the next Start finds things as they were.
//
// Runs never meet. One program at a time uses a work directory: a run holds the lock file
// "morvadine_temporary.lock" beside it (a lock whose holder has died is taken over). A run
// stages nothing until every process of the run before it has ended and been reaped, and
// whatever those processes wrote meanwhile is cleaned up before the lock is given back. The
// files the solver leaves are read only as plain files (WorkDirectoryFiles), and the staged
// point file counts as changed by the solver once its inode, size or times differ from the
// copy's.
class SolverRun : public QObject {
    Q_OBJECT
public:
    // programFolder: the executable's folder, whose places say where the work directory is
    // made and where calc.exe lies unless SetSolverProgram names another program; tests pass
    // a temporary folder of their own, which holds both.
    explicit SolverRun(QString programFolder, QObject* parent = nullptr);
    // Stops a pending solver and everything it started, and whatever earlier runs left
    // running, waiting for them to end, so that none of them outlives the viewer; then cleans
    // up what they wrote and gives the lock back.
    ~SolverRun() override;

    // Holds the work directory from now on, for every run to come, until destruction; without
    // it each run takes the lock at its Start and gives it back once nothing of it is left.
    // Returns an empty string once the lock is held, or when it cannot be taken at all (each
    // Start then says why); otherwise who holds it: "morvadine, process 4242 on hostname".
    // Call it again to try again.
    QString ReserveWorkDirectory();
    QString WorkDirectory() const;

    // How long a solver may run, counted from its start; 60 s unless set. Applies from the
    // next Start.
    void SetTimeout(std::chrono::milliseconds timeout);
    // The program staged as calc.exe; calc.exe in the solver folder unless set. Applies from
    // the next Start.
    void SetSolverProgram(const QString& program);

    // Stops a pending run and removes its staged files (the latest drop wins); then checks
    // the dropped file and takes the work directory's lock; then, once nothing of an earlier
    // run is left (at once, or later from the event loop), prepares the work directory,
    // stages the solver and `droppedFile` (as "morvadine.in") and starts the solver. Returns an
    // empty string when the run goes ahead, otherwise a message naming the file and the
    // problem, with nothing staged left behind; a problem found later comes as Failed. A
    // dropped file inside the work directory is refused, since a run clears the names it
    // might bear, and so is any drop while another program holds the work directory.
    //
    // With PointReading::Ahead the staged point file is read on a thread of its own while the
    // solver runs, so that the collection usually reads only the answer; the outcome is
    // LoadResults' either way. The thread writes only into a profile the run owns.
    enum class PointReading { AtCollection, Ahead };
    QString Start(const QString& droppedFile, PointReading reading = PointReading::AtCollection);

    // Collects the pending run. Waits (asynchronously, emitting WaitingChanged(true) and
    // later (false)) while the solver still runs, up to the timeout, after which the solver
    // is stopped. Then checks how the solver ended, loads the answer when it exited by itself
    // (with LoadResults' outcome, on two cores, or completing what Start read ahead), cleans
    // up, and emits exactly one of Collected or Failed: a problem of the solver first, then
    // of the point file, then of the answer. A solver that exited with a status other than 0
    // is collected when it left a complete answer, else fails by its status. Does nothing
    // when no run is pending or its collection is already under way: a failed Start has
    // reported its own problem.
    void Collect();

    // The file dropped for the latest run that got past its checks, as messages show it.
    const QString& DroppedFile() const { return m_droppedFile; }

    // From a successful Start until Collected or Failed.
    bool IsPending() const { return !std::holds_alternative<Idle>(m_state); }

signals:
    // profile: the data set loaded, the receiver's to keep; solverTime: from the solver's
    // start to its exit; exitStatus: the solver's, which is 0 unless it left a complete
    // answer all the same.
    void Collected(const std::shared_ptr<const LoadedProfile>& profile,
        std::chrono::nanoseconds solverTime, int exitStatus);
    void Failed(const QString& message);
    void WaitingChanged(bool waiting);

private:
    // Where the run is in its life, each state with what it alone needs; each handler says
    // in which states it acts.
    //   Idle --Start--> Queued --nothing left of earlier runs--> Running
    //   Running --the solver ends--> Ended --Collect--> Idle, with a report
    //   Running --time-out--> Stopping --nothing left of it--> as the solver ending
    //   Queued --staging fails--> as the solver ending
    //   any state --Start of the next run, destruction--> Idle, without a report
    // Collect in Queued, Running or Stopping marks the answer as awaited: the run's end then
    // goes on to Idle at once, with the report.

    // No run: nothing of ours is staged and no solver of ours runs.
    struct Idle {};
    // The lock is ours; processes of an earlier run are still being stopped.
    struct Queued {
        PointReading reading = PointReading::AtCollection;
        QString droppedPath; // the file to stage once the run may begin
        bool answerAwaited = false;
    };
    // What a run has from the solver's launch on.
    struct Launched {
        SolverProcess* process = nullptr; // ours until the run is let go
        FileStamp stagedStamp; // the point file as staged
        QElapsedTimer clock; // from the solver's start
        std::unique_ptr<ReadingAhead> readingAhead; // none unless the run reads ahead
    };
    // The solver runs.
    struct Running {
        Launched launched;
        bool answerAwaited = false;
    };
    // The solver ran out of time and its process group is being stopped.
    struct Stopping {
        Running running;
        QString failure;
    };
    // The solver has ended (or never started); its outcome waits for the collection.
    struct Ended {
        Launched launched; // no process when staging failed
        QString failure; // what went wrong with the solver, composed where it became known
        std::chrono::nanoseconds solverTime { 0 };
        int exitStatus = 0; // a status other than 0 the solver exited with; its answer may stand
    };
    using State = std::variant<Idle, Queued, Running, Stopping, Ended>;

    // The program staged as calc.exe, and why a run cannot find it, naming the path it tried.
    QString SolverProgram() const;
    QString MissingSolverProblem() const;
    void PrepareWorkFolder() const;
    void TakeWorkDirectory();
    QString LockProblem() const;
    QString LockHolder() const;
    Launched* CurrentLaunch();
    bool* AnswerAwaitedMark();
    bool AnswerAwaited();
    bool EarlierRunsGone();
    void OnEarlierRunEnded();
    QString StageAndLaunch();
    FileStamp Stage(const QString& droppedFile);
    void Launch(const FileStamp& stagedStamp, const Queued& queued);
    void OnStartFailed(QProcess::ProcessError error);
    void OnSolverFinished(int exitCode, QProcess::ExitStatus exitStatus);
    void OnDeadline();
    void OnGroupStopped();
    void SolverEnded(QString failure, int exitStatus = 0);
    void Conclude(bool answerWasAwaited);
    QString LoadAnswer(Launched& launched, std::shared_ptr<const LoadedProfile>& profile);
    bool StagedCopyUnchanged(const FileStamp& stagedStamp) const;
    void Abandon();
    void LetGo();
    void ReleaseProcess(SolverProcess* process);
    void ReleaseWorkDirectoryWhenDone();
    QString CleanUp() const;

    ProgramPlaces m_places;
    QString m_solverProgram; // empty for calc.exe in the solver folder
    std::filesystem::path m_workDirectory;
    WorkDirectoryFiles m_workFiles;
    QLockFile m_lock;
    bool m_lockReserved = false; // held from ReserveWorkDirectory on, for every run
    std::chrono::milliseconds m_timeout = std::chrono::seconds(60);
    QTimer m_deadline;
    QString m_droppedFile; // the latest run's point file as messages name it

    State m_state;
};
