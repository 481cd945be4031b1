#include "check/jsonreport.h"

#include "app/verdicttext.h"
#include "runsolver/platformcommands.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cmath>

namespace {

QJsonValue NumberJson(long double value)
{
    const double rounded = static_cast<double>(value);
    if (std::isfinite(rounded))
        return rounded;
    return ShownNumber(value);
}

QJsonArray PointJson(const PointD& point) { return { NumberJson(point.X), NumberJson(point.Y) }; }

const char* VerdictWord(FileOutcome outcome)
{
    switch (outcome) {
    case FileOutcome::Ok:
        return "ok";
    case FileOutcome::Wrong:
        return "wrong";
    case FileOutcome::Error:
        break;
    }
    return "error";
}

} // namespace

QJsonObject FileJson(const QString& file, const FileReport& report)
{
    QJsonObject object { { QStringLiteral("file"), ShownName(file) },
        { QStringLiteral("verdict"), QLatin1String(VerdictWord(report.Outcome)) },
        { QStringLiteral("reason"), report.Reason } };
    if (report.Verdict) {
        const PlacementVerdict& tower = report.Verdict->Tower;
        object.insert(QStringLiteral("tower"), PointJson(tower.Given));
        object.insert(QStringLiteral("island"), PointJson(report.Verdict->Island.Given));
        object.insert(
            QStringLiteral("height"), tower.HasHeight() ? NumberJson(tower.Height) : QJsonValue());
        object.insert(QStringLiteral("best_height"), NumberJson(tower.BestHeight));
        object.insert(QStringLiteral("solver_ms"),
            std::chrono::duration<double, std::milli>(report.SolverTime).count());
        object.insert(QStringLiteral("exit_status"), report.ExitStatus);
    }
    return object;
}

QJsonObject CheckSummaryJson(int ok, int wrong, int errors)
{
    return { { QStringLiteral("summary"), true }, { QStringLiteral("files"), ok + wrong + errors },
        { QStringLiteral("ok"), ok }, { QStringLiteral("wrong"), wrong },
        { QStringLiteral("errors"), errors } };
}

QString JsonLine(const QJsonObject& object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}
