#pragma once

#include "app/requests.h"

class frmMain;

// What the command line asks of the window: its solver and tolerance, and its file (at most
// one), handed over as a dropped file once the event loop runs, so that the window is on
// screen before any message about the file shows. A FILE that does not exist is refused with
// the command line, before any window; one that cannot be read, or has gone since, is
// reported like such a drop.
void OpenAsAsked(frmMain& window, const CheckRequest& request);
