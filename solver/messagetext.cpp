#include "solver/messagetext.h"

#include <QCoreApplication>

QString MessageText(const FileMessage& message)
{
    const QString pattern = QCoreApplication::translate(FileMessage::Context, message.Template);
    return QString::fromStdString(FillPlaceholders(pattern.toStdString(), message.Arguments));
}
