#pragma once

#include "scene/filemessage.h"

#include <QString>

// `message` in the language of the translation installed, English when there is none.
QString MessageText(const FileMessage& message);
