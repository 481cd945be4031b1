#pragma once

#include "check/checkmode.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// The check and stress reports for programs: one JSON object a line, each file or failing case
// first, then a summary object. Numbers are JSON numbers; a height beyond every double is a
// string as the text report writes it.
//
//   {"file":"a.in","verdict":"wrong","tower":[1,2],"island":[3,4],"height":1.4,
//    "best_height":0,"reason":"tower: ...","solver_ms":1.2,"exit_status":0}
//   {"summary":true,"files":3,"ok":2,"wrong":1,"errors":0}

// The object for `file`: verdict "ok", "wrong" or "error". The tower, the island and the heights
// are there when the answer was judged; the height is null for a tower outside the profile.
QJsonObject FileJson(const QString& file, const FileReport& report);

QJsonObject CheckSummaryJson(int ok, int wrong, int errors);

// `object` on one line, without its line break.
QString JsonLine(const QJsonObject& object);
