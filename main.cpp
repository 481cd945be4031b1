#include "check/commandline.h"
#include "check/translation.h"
#include "ui/commandline.h"
#include "ui/frmmain.h"

#include <QApplication>

// morvadine [options] [FILE] opens the window; morvadine --check [options] FILE... judges
// without one (see --help). The command line is read before any application exists, so that
// the check mode, the help and a refused command line need no display.
int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QString::fromLatin1(ApplicationTitle));
    QCoreApplication::setApplicationVersion(QStringLiteral(MORVADINE_VERSION));
    const QStringList arguments = ArgumentsOf(argc, argv);
    const CommandLine commandLine = ParseCommandLine(arguments);
    if (commandLine.What != CommandLine::Action::OpenWindow) {
        QCoreApplication application(argc, argv);
        InstallTranslations();
        // Read again now that an application exists, so that its texts can be translated.
        return RunWithoutWindow(ParseCommandLine(arguments), QCoreApplication::applicationDirPath());
    }
    QApplication application(argc, argv);
    InstallTranslations();
    frmMain window(QApplication::applicationDirPath());
    window.show();
    OpenAsAsked(window, commandLine.Request);
    return QApplication::exec();
}
