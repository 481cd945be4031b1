#include "app/commandline.h"
#include "check/withoutwindow.h"
#include "app/translation.h"
#include "ui/commandline.h"
#include "ui/frmmain.h"

#include <QApplication>

// morvadine [options] [FILE] opens the window; morvadine --check [options] FILE... judges
// without one (see --help). Only the window needs a display: the command line is decided in
// an application without one, which the window's application replaces only once the
// command line has asked for the window and passed every check.
int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QString::fromLatin1(ApplicationTitle));
    // Where the window keeps its settings: the user's morvadine/morvadine.conf.
    QCoreApplication::setOrganizationName(QString::fromLatin1(ApplicationTitle));
    QCoreApplication::setApplicationVersion(QStringLiteral(MORVADINE_VERSION));
    CheckRequest windowRequest;
    {
        QCoreApplication application(argc, argv);
        InstallTranslations();
        const CommandLine commandLine = ParseCommandLine(CommandLineArguments(argc, argv));
        if (commandLine.What != CommandLine::Action::OpenWindow)
            return RunWithoutWindow(commandLine, QCoreApplication::applicationDirPath());
        windowRequest = commandLine.Request;
    }
    QApplication application(argc, argv);
    InstallTranslations();
    frmMain window(QApplication::applicationDirPath());
    window.show();
    OpenAsAsked(window, windowRequest);
    return QApplication::exec();
}
