#pragma once

#include "app/commandline.h"

#include <QString>

// Prints what a Print or Refuse says, or runs the check mode on the console; returns the
// exit status. `programFolder`: the executable's folder, whose ProgramPlaces say where
// calc.exe lies and the work directory goes.
int RunWithoutWindow(const CommandLine& commandLine, const QString& programFolder);
