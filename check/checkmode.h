#pragma once

#include "app/picture.h"
#include "app/requests.h"
#include "scene/loadresults.h"
#include "solve/verdict.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <chrono>
#include <csignal>
#include <functional>
#include <optional>

class SolverRun;

// The check mode: each input solved, collected and judged as a drop would have it, reported
// one line per file, without a window.

enum class FileOutcome { Ok, Wrong, Error };

struct FileReport {
    FileOutcome Outcome = FileOutcome::Error;
    QString Line; // the report's one line on the file
    QString Notice; // what else the user should know (a profile that cannot be drawn), or empty
    // The line's parts, for reports read by programs: the verdict when the answer was judged,
    // the solver's time and exit status when it ran to its end, and why the answer is wrong
    // or the file had an error (empty when it is ok).
    std::optional<AnswerVerdict> Verdict;
    std::chrono::nanoseconds SolverTime { 0 };
    int ExitStatus = 0;
    QString Reason;
    // The solver never ran: the run was refused (the program or the file could not be
    // staged) or the system could not start the program.
    bool SolverNotRun = false;
};

// What the check mode does once the solver has exited and `profile` has been loaded: draws and
// writes the picture when one is asked for, judges the answer and composes the line:
//   file: ok, tower (x,y), island (x,y), height h (best b), solver t ms
//   file: wrong, ... the same ...; tower: why; island: why
//   file: error: runtime error: calc.exe exited with status s; its answer was ok, ...
//   file: error: message
// The tower and the island are written as the coordinate labels write them; the height is "-"
// for a tower outside the profile. A solver that left its answer but exited with a status
// other than 0, a picture that cannot be written or an answer that cannot be judged is an
// error. The file is named as ShownName shows it.
FileReport ReportCollected(const LoadedProfile& profile, const QString& file,
    std::chrono::nanoseconds solverTime, const CheckRequest& request, int exitStatus = 0);

// "3 files: 2 ok, 1 wrong, 0 errors"
QString SummaryLine(int ok, int wrong, int errors);

// Asks a check under way to stop, from an event handler: the solver running is stopped with
// everything it started and its files are removed, and no later file is run.
class CheckStop : public QObject {
    Q_OBJECT
public:
    void Request();
    // Counts `flag` once it is set as a request too, heard before each file is started: a flag
    // that a signal handler sets, which no event handler may have passed on yet.
    void Watch(const volatile std::sig_atomic_t& flag) { m_flag = &flag; }
    bool Requested() const { return m_requested || (m_flag && *m_flag != 0); }

signals:
    void Stopping();

private:
    bool m_requested = false;
    const volatile std::sig_atomic_t* m_flag = nullptr;
};

// Holds the work directory of `run` for all its runs to come, waiting while another run of
// the viewer uses it and saying so once among `notices`; returns early when stopped.
void WaitForWorkDirectory(SolverRun& run, QTextStream& notices, const CheckStop& stop);

// One file through `run` (whose solver, time limit and work directory are set), collected
// and judged as RunCheck judges each file. Empty when stopped before the
// judgement, the solver then stopped with everything it started.
std::optional<FileReport> CheckFile(
    SolverRun& run, const QString& file, const CheckRequest& request, const CheckStop& stop);

// Runs the solver on each of the request's files in turn, with the work directory, staging,
// messages and clean-up of a drop (SolverRun over `programFolder`), collecting as soon as
// the solver exits; writes each file's line and then the summary to `report`, and notices
// to `notices`. Returns ExitSomeFailed when any file had an error, else ExitSomeWrong when
// any answer was wrong, else ExitAllOk. A check stopped before its last file was judged says
// so among the notices, gives no summary and returns ExitSomeFailed.
int RunCheck(const CheckRequest& request, const QString& programFolder, QTextStream& report,
    QTextStream& notices, const CheckStop& stop);

// RunCheck with the report on standard output and notices on standard error. On Unix the
// solvers' standard output goes to standard error too, so that the report stays as it is
// whatever a solver prints; and an interrupt, a hang-up or a termination stops the check,
// after which the program ends by that signal, as the shell that sent it expects.
int RunCheckOnConsole(const CheckRequest& request, const QString& programFolder);

// What RunCheckOnConsole does around the check, around any headless mode that runs solvers:
// `mode` gets the report's stream, the notices' stream and the stop the signals request.
int RunOnConsole(
    const std::function<int(QTextStream& report, QTextStream& notices, const CheckStop& stop)>&
        mode);
