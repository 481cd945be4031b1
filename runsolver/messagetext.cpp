#include "runsolver/messagetext.h"

#include "runsolver/solverrun.h"

#include <QCoreApplication>

QString MessageText(const FileMessage& message)
{
    const QString pattern = QCoreApplication::translate(FileMessage::Context, message.Template);
    return QString::fromStdString(FillPlaceholders(pattern.toStdString(), message.Arguments));
}

QString ExitStatusSentence(int exitStatus)
{
    return QCoreApplication::translate("SolverRun", "%1 exited with status %2")
        .arg(QLatin1String(SolverFileName), QString::number(exitStatus));
}
