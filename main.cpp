#include "ui/commandline.h"
#include "ui/frmmain.h"

#include <QApplication>

#include <cstdio>

// morvadine [FILE]: opens the window; a FILE given is handled as if it had been dropped on
// the window once it shows.
int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    application.setApplicationName(QString::fromLatin1(ApplicationTitle));
    const std::optional<QString> file = FileToOpen(QApplication::arguments());
    if (!file) {
        std::fprintf(stderr, "usage: morvadine [FILE]\n");
        return 2;
    }
    frmMain window(QApplication::applicationDirPath());
    window.show();
    if (!file->isEmpty())
        OpenWhenShown(window, *file);
    return QApplication::exec();
}
