#pragma once

#include "app/requests.h"

#include <QString>
#include <QStringList>

// The viewer's command line:
//   morvadine [--solver PROGRAM] [--tolerance T] [FILE]      the window, on FILE if given
//   morvadine --check [options] FILE...                      the check mode, no window
//   morvadine --stress [options]                             the stress mode, no window
//   morvadine --help | --version
// It is decided before any window-system application exists, so that everything but the
// window itself runs without a display: the window's application takes its own options
// (-platform, -style and the like) afterwards, and the parser passes over them.
struct CommandLine {
    enum class Action {
        OpenWindow,
        Check,
        Stress,
        Print, // Text on standard output, exit status 0: the help or the version
        Refuse, // Text, one line, on standard error, exit status 2
    };
    Action What = Action::OpenWindow;
    QString Text;
    // For OpenWindow, at most one file, made absolute; for Check, the files as given.
    CheckRequest Request;
    // For Stress: the limits, with the solver, the tolerance and the report's form in Request.
    StressRequest Stress;
};

// main's arguments, the program first, as the system gives them: bytes that are not UTF-8
// are kept (NameFromBytes), so that any file name reaches the file system as it came.
QStringList CommandLineArguments(int argc, char* argv[]);

// `arguments` as CommandLineArguments gives them, parsed with their texts translated. A
// solver that does not exist, values out of their range, options that do not fit the mode
// and, for the window, a FILE that does not exist are refused before anything runs; the
// check mode reports a missing FILE on its own line and judges the others.
CommandLine ParseCommandLine(const QStringList& arguments);
