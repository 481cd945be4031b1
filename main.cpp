#include "ui/frmmain.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>

// morvadine [FILE]: opens the window; a FILE given is handled as if it had been dropped on
// the window once it shows.
int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    application.setApplicationName(QString::fromLatin1(ApplicationTitle));
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 2) {
        std::fprintf(stderr, "usage: morvadine [FILE]\n");
        return 2;
    }
    frmMain window(QApplication::applicationDirPath());
    window.show();
    if (arguments.size() == 2) {
        const QString file = QFileInfo(arguments.at(1)).absoluteFilePath();
        QTimer::singleShot(0, &window, [&window, file] { window.RunSolver(file); });
    }
    return QApplication::exec();
}
