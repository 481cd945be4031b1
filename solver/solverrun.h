#pragma once

#include "scene/loadresults.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <filesystem>

class QProcess;

inline constexpr const char* SolverFileName = "calc.exe";
inline constexpr const char* WorkDirectoryName = "morvadine_temporary";

// One solver run at a time: stages a dropped problem input with calc.exe in the work
// directory "morvadine_temporary" of the program folder, starts calc.exe there, and collects
// its answer into the scene. Every path is explicit; the process's current directory is
// never read or changed.
//
// Cleaning up removes only what a run stages or the solver answers with (calc.exe,
// morvadine.in, morvadine.out in the work directory) and the work directory when that leaves
// it empty; other files there are never touched, and the dropped file is only read.
// A run that fails, at any point, reports a message that names the file and the problem
// and cleans up the same way, so the next Start finds things as they were.
class SolverRun : public QObject {
    Q_OBJECT
public:
    // programFolder: where calc.exe lies and where the work directory is made; the window
    // passes the executable's folder, tests a temporary folder of their own.
    explicit SolverRun(QString programFolder, QObject* parent = nullptr);
    // Stops a pending solver and waits for it to end, so that it never outlives the viewer.
    ~SolverRun() override;

    // How long a solver may run, counted from its start; 60 s unless set. Applies from the
    // next Start.
    void SetTimeout(std::chrono::milliseconds timeout);

    // Stops a pending run and removes its staged files (the latest drop wins); then checks
    // the dropped file and the folder, prepares the work directory, stages calc.exe and
    // `droppedFile` (as "morvadine.in") and starts the solver. Returns an empty string on
    // success, otherwise a message naming the file and the problem, with nothing staged
    // left behind. A dropped file inside the work directory is refused, since a run clears
    // the names it might bear.
    QString Start(const QString& droppedFile);

    // Collects the pending run. Waits (asynchronously, emitting WaitingChanged(true) and
    // later (false)) while the solver still runs, up to the timeout, after which the solver
    // is stopped. Then checks how the solver ended, loads `scene` with LoadResults only when
    // it exited with status 0, cleans up, and emits exactly one of Collected or Failed.
    // `scene` must outlive the wait. Never sets HaveData. Does nothing when no run is pending
    // or its collection is already under way: a failed Start has reported its own problem.
    void Collect(SceneState& scene);

    // The file dropped for the latest run that got past its checks.
    const QString& DroppedFile() const { return m_droppedFile; }

    // From a successful Start until Collected or Failed.
    bool IsPending() const { return m_process != nullptr; }

signals:
    void Collected(const CoordinateCaptions& captions);
    void Failed(const QString& message);
    void WaitingChanged(bool waiting);

private:
    void Stage(const QString& droppedFile);
    void Launch();
    void ReadErrorOutput();
    void OnFinished();
    void OnDeadline();
    void Finish();
    QString SolverProblem() const;
    QString CleanUp() const;
    void ReleaseProcess();
    // Forgets the pending run without a word: stops its solver and removes its files.
    void Abandon();

    QString m_programFolder;
    QString m_droppedFile; // of the pending run: what messages about its point file name
    std::filesystem::path m_workDirectory;
    std::chrono::milliseconds m_timeout = std::chrono::seconds(60);
    QTimer m_deadline;
    QProcess* m_process = nullptr; // the pending run's solver; ours while it is pending
    SceneState* m_scene = nullptr; // set once the collection has been asked for
    bool m_waiting = false;
    // Set when we stopped the solver for its time: Qt reports a killed process as a crash.
    bool m_timedOut = false;
    QString m_startError;
    QByteArray m_errorTail; // the end of the solver's error output
};
