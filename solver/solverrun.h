#pragma once

#include "scene/loadresults.h"
#include "solver/programplaces.h"
#include "solver/workfiles.h"

#include <QElapsedTimer>
#include <QLockFile>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QTimer>

#include <chrono>
#include <filesystem>
#include <thread>

class SolverProcess;

inline constexpr const char* SolverFileName = "calc.exe";
inline constexpr const char* WorkDirectoryName = "morvadine_temporary";
// Beside the work directory: whoever holds it uses the work directory.
inline constexpr const char* WorkDirectoryLockName = "morvadine_temporary.lock";

// One solver run at a time: stages a dropped problem input with the solver program as
// calc.exe in the work directory "morvadine_temporary" of the work folder, starts it there,
// and collects its answer into the scene. Where calc.exe lies and the work folder are the
// program folder's ProgramPlaces. Every path is explicit; the process's
// current directory is never read or changed.
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
    QString Start(const QString& droppedFile);
    // The same, and reads the staged point file into scene.Points on one thread while the
    // solver runs, so that collecting into this scene usually reads only the answer; the
    // outcome is LoadResults' either way. Until the run's report, the next Start or the run's
    // end, scene.Points are the run's: the caller keeps HaveData false and leaves them alone,
    // and finds them changed after a run that failed or was let go.
    QString Start(const QString& droppedFile, SceneState& scene);

    // Collects the pending run. Waits (asynchronously, emitting WaitingChanged(true) and
    // later (false)) while the solver still runs, up to the timeout, after which the solver
    // is stopped. Then checks how the solver ended, loads `scene` when it exited by itself
    // (with LoadResults' outcome, on two cores, or completing what Start read ahead), cleans
    // up, and emits exactly one of Collected or Failed: a problem of the solver first, then
    // of the point file, then of the answer. A solver that exited with a status other than 0
    // is collected when it left a complete answer, else fails by its status. `scene` must
    // outlive the wait. Never sets HaveData. Does nothing when no run is pending or its
    // collection is already under way: a failed Start has reported its own problem.
    void Collect(SceneState& scene);

    // The file dropped for the latest run that got past its checks, as messages show it.
    const QString& DroppedFile() const { return m_droppedFile; }

    // From a successful Start until Collected or Failed.
    bool IsPending() const { return m_state != State::Idle; }

signals:
    // solverTime: from the solver's start to its exit; exitStatus: the solver's, which is 0
    // unless it left a complete answer all the same.
    void Collected(const CoordinateCaptions& captions, std::chrono::nanoseconds solverTime,
        int exitStatus);
    void Failed(const QString& message);
    void WaitingChanged(bool waiting);

private:
    // Where the run is in its life; each handler says in which states it acts.
    //   Idle --Start--> Queued --nothing left of earlier runs--> Running
    //   Running --the solver ends--> Ended --Collect--> Idle, with a report
    //   Running --time-out--> Stopping --nothing left of it--> as the solver ending
    //   Queued --staging fails--> as the solver ending
    //   any state --Start of the next run, destruction--> Idle, without a report
    // Collect in Queued, Running or Stopping awaits the answer (m_scene): the run's end then
    // goes on to Idle at once, with the report.
    enum class State {
        Idle, // no run: nothing of ours is staged and no solver of ours runs
        Queued, // the lock is ours; processes of an earlier run are still being stopped
        Running, // the solver runs
        Stopping, // the solver ran out of time and its process group is being stopped
        Ended, // the solver has ended; its outcome waits for the collection
    };

    // The program staged as calc.exe, and why a run cannot find it, naming the path it tried.
    QString SolverProgram() const;
    QString MissingSolverProblem() const;
    QString Begin(const QString& droppedFile, SceneState* readAheadScene);
    void PrepareWorkFolder() const;
    void TakeWorkDirectory();
    QString LockProblem() const;
    QString LockHolder() const;
    bool EarlierRunsGone() const;
    void OnEarlierRunEnded();
    QString StageAndLaunch();
    void Stage(const QString& droppedFile);
    void Launch();
    void ReadAhead(SceneState& scene);
    void StopReadingAhead();
    bool AnswerAwaited() const;
    void OnStartFailed(QProcess::ProcessError error);
    void OnSolverFinished(int exitCode, QProcess::ExitStatus exitStatus);
    void OnDeadline();
    void OnGroupStopped();
    void SolverEnded();
    void Conclude();
    QString LoadAnswer(CoordinateCaptions& captions);
    bool StagedCopyUnchanged() const;
    void Abandon();
    void LetGo();
    void ReleaseProcess();
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

    // The pending run; each is reset when the run goes back to Idle.
    State m_state = State::Idle;
    QString m_droppedPath; // the run's point file, to be staged once the run may begin
    QString m_droppedFile; // the run's point file as messages name it; kept after the run
    FileStamp m_stagedStamp; // the point file as staged
    SolverProcess* m_process = nullptr; // ours from Launch until the run is let go
    QElapsedTimer m_solverClock;
    std::chrono::nanoseconds m_solverTime { 0 }; // set when the solver ends
    // Where the answer goes; set by Collect, so while the solver runs it marks the answer
    // as awaited.
    SceneState* m_scene = nullptr;
    QString m_failure; // what went wrong with the solver, composed where it became known
    int m_exitStatus = 0; // a non-zero status the solver exited with; its answer may stand

    // The point file read ahead while the solver runs: into the scene's records, by a thread
    // that ends before anything else touches them, the staged files or the reader.
    PointFileReader m_reader;
    SceneState* m_readAheadScene = nullptr; // from Start on, while the run reads ahead
    PointsReadAhead m_readAhead; // written by the thread, read once it has been joined
    std::jthread m_readingAhead;
};
