#include "ui/commandline.h"

#include "ui/frmmain.h"

#include <QFileInfo>
#include <QTimer>

std::optional<QString> FileToOpen(const QStringList& arguments)
{
    if (arguments.size() > 2)
        return std::nullopt;
    if (arguments.size() < 2)
        return QString();
    return QFileInfo(arguments.at(1)).absoluteFilePath();
}

void OpenWhenShown(frmMain& window, const QString& file)
{
    QTimer::singleShot(0, &window, [&window, file] { window.RunSolver(file); });
}
