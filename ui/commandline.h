#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class frmMain;

// The FILE of `morvadine [FILE]` (arguments as QCoreApplication::arguments gives them, the
// program first), made absolute against the current directory, so that it still names the
// same file once the solver run has changed directories; an empty string when no FILE is
// named, and nothing when more than one argument follows the program.
std::optional<QString> FileToOpen(const QStringList& arguments);

// Hands `file` to `window` as a dropped file once the event loop runs, so the window is on
// screen before any message about the file shows. A file that is missing or cannot be read
// is reported like such a drop.
void OpenWhenShown(frmMain& window, const QString& file);
