#pragma once

#include "check/checkmode.h"

#include <QString>
#include <QStringList>

// The viewer's command line:
//   morvadine [--solver PROGRAM] [--tolerance T] [FILE]      the window, on FILE if given
//   morvadine --check [options] FILE...                      the check mode, no window
//   morvadine --help | --version
// NeedsWindow tells which application to create; the command line is then parsed from
// QCoreApplication::arguments(), with Qt's own options taken out by the window's application
// and file names as the system gives them, and its texts translated.
struct CommandLine {
    enum class Action {
        OpenWindow,
        Check,
        Print, // Text on standard output, exit status 0: the help or the version
        Refuse, // Text, one line, on standard error, exit status 2
    };
    Action What = Action::OpenWindow;
    QString Text;
    // For OpenWindow, at most one file, made absolute; for Check, the files as given.
    CheckRequest Request;
};

// Whether main's command line asks for the window: none of --check, --help and --version
// stands among its options (before a "--"). Read before any application exists, so that
// everything else runs without a display.
bool NeedsWindow(int argc, char* argv[]);

// `arguments` as QCoreApplication::arguments gives them, the program first. Files that do
// not exist, a solver that does not exist, values out of their range and options that do not
// fit the mode are refused before anything runs.
CommandLine ParseCommandLine(const QStringList& arguments);

// Prints what a Print or Refuse says, or runs the check mode on the console; returns the
// exit status. `programFolder` holds calc.exe and receives the work directory.
int RunWithoutWindow(const CommandLine& commandLine, const QString& programFolder);
