#pragma once

#include "check/checkmode.h"
#include "check/profilegenerators.h"

#include <QString>
#include <QTextStream>

#include <chrono>
#include <cstdint>
#include <optional>

// The stress mode: profiles made up from a seed, each solved and judged as the check mode
// judges a file, until one fails; that one is shrunk to a small profile failing the same way
// and written out.

inline constexpr int ExitNoFailure = 0;
inline constexpr int ExitFailureFound = 1;
inline constexpr int ExitCannotRun = 2;

// What a failure is, for "fails the same way": for a wrong answer the first placement that is
// wrong and how ("tower: MissesSlope"); for an answer beside a failing exit "exit status"; for
// any other error its reason with its numbers left out. Empty for an answer that is right.
QString FailureKind(const FileReport& report);

// Runs the stress mode with the solver of `request` over `programFolder` as RunCheck runs it:
// the cases of the seed in turn, each written to a file of a temporary folder, until the
// budget is spent, a case fails or `stop` is requested. A failing case is shrunk (Shrink) and
// written to request.Out, which is then checked once more for its report line. The report
// goes to `report`; the seed, the progress and what goes wrong around the run to `notices`,
// the progress as one line rewritten in place when `terminal`, else as a plain line now and
// then. Returns ExitNoFailure, ExitFailureFound (also when stopped after the failure was
// found), or ExitCannotRun when the solver could not be run at all, the case files or the
// failure cannot be written, or the run was stopped before any failure.
int RunStress(const StressRequest& request, const QString& programFolder, QTextStream& report,
    QTextStream& notices, const CheckStop& stop, bool terminal);

// RunStress as RunCheckOnConsole runs the check: the report on standard output, the rest on
// standard error, whose being a terminal decides the progress line; ended by a signal as
// the check is.
int RunStressOnConsole(const StressRequest& request, const QString& programFolder);
