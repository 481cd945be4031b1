#pragma once

#include "scene/filemessage.h"

#include <QString>

// `message` in the language of the translation installed, English when there is none.
QString MessageText(const FileMessage& message);

// How a solver ended that exited with a status other than 0: "calc.exe exited with status 3".
QString ExitStatusSentence(int exitStatus);
