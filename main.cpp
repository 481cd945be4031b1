#include "check/commandline.h"
#include "check/translation.h"
#include "ui/commandline.h"
#include "ui/frmmain.h"

#include <QApplication>

// morvadine [options] [FILE] opens the window; morvadine --check [options] FILE... judges
// without one (see --help). Only the window needs a display, so its application is created
// only when the command line asks for it.
int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QString::fromLatin1(ApplicationTitle));
    QCoreApplication::setApplicationVersion(QStringLiteral(MORVADINE_VERSION));
    if (!NeedsWindow(argc, argv)) {
        QCoreApplication application(argc, argv);
        InstallTranslations();
        return RunWithoutWindow(
            ParseCommandLine(QCoreApplication::arguments()), QCoreApplication::applicationDirPath());
    }
    QApplication application(argc, argv);
    InstallTranslations();
    const CommandLine commandLine = ParseCommandLine(QCoreApplication::arguments());
    if (commandLine.What != CommandLine::Action::OpenWindow)
        return RunWithoutWindow(commandLine, QCoreApplication::applicationDirPath());
    frmMain window(QApplication::applicationDirPath());
    window.show();
    OpenAsAsked(window, commandLine.Request);
    return QApplication::exec();
}
