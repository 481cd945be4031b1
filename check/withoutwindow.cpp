#include "check/withoutwindow.h"

#include "check/checkmode.h"
#include "check/stressmode.h"

#include <QTextStream>

int RunWithoutWindow(const CommandLine& commandLine, const QString& programFolder)
{
    switch (commandLine.What) {
    case CommandLine::Action::Print:
        QTextStream(stdout) << commandLine.Text;
        return ExitAllOk;
    case CommandLine::Action::Refuse:
        QTextStream(stderr) << commandLine.Text << Qt::endl;
        return ExitSomeFailed;
    case CommandLine::Action::Check:
        return RunCheckOnConsole(commandLine.Request, programFolder);
    case CommandLine::Action::Stress:
        return RunStressOnConsole(commandLine.Stress, programFolder);
    case CommandLine::Action::OpenWindow:
        break;
    }
    return ExitSomeFailed; // the window is not this function's to open
}
