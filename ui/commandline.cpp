#include "ui/commandline.h"

#include "ui/frmmain.h"

#include <QTimer>

void OpenAsAsked(frmMain& window, const CheckRequest& request)
{
    if (!request.SolverProgram.isEmpty())
        window.SetSolverProgram(request.SolverProgram);
    window.SetTolerance(request.Tolerance);
    if (!request.Files.isEmpty()) {
        QTimer::singleShot(
            0, &window, [&window, file = request.Files.first()] { window.RunSolver(file); });
    }
}
