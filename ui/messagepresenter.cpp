#include "ui/messagepresenter.h"

void ModalMessagePresenter::Show(QWidget* parent, const MessageBoxContent& message)
{
    // A lone carriage return shows as a stray glyph in a Qt label; the text keeps its CR LF.
    QString shown = message.Text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(message.Icon, message.Title, shown, message.Buttons, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
