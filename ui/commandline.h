#pragma once

#include "check/checkmode.h"

#include <QString>

class frmMain;

// Hands `file` to `window` as a dropped file once the event loop runs, so the window is on
// screen before any message about the file shows. A file that is missing or cannot be read
// is reported like such a drop.
void OpenWhenShown(frmMain& window, const QString& file);

// What the command line asks of the window: its solver and tolerance, and its file (at most
// one) opened once shown.
void OpenAsAsked(frmMain& window, const CheckRequest& request);
