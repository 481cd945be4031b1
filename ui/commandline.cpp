#include "ui/commandline.h"

#include "ui/frmmain.h"

#include <QTimer>

void OpenWhenShown(frmMain& window, const QString& file)
{
    QTimer::singleShot(0, &window, [&window, file] { window.RunSolver(file); });
}

void OpenAsAsked(frmMain& window, const CheckRequest& request)
{
    if (!request.SolverProgram.isEmpty())
        window.SetSolverProgram(request.SolverProgram);
    window.SetTolerance(request.Tolerance);
    if (!request.Files.isEmpty())
        OpenWhenShown(window, request.Files.first());
}
