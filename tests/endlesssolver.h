#pragma once

#include <QFile>
#include <QList>
#include <QString>
#include <QTest>

// What the tests see of the endless and the leaving test solvers, which announce in "calc.pid"
// in their work directory their own process id and that of a child ignoring SIGTERM; the first
// never finishes, the second answers and exits.

// The two process ids, once announced; waits up to 20 s for them.
inline QList<qint64> ReadPids(const QString& workDirectory)
{
    QFile pidFile(workDirectory + QStringLiteral("/calc.pid"));
    QList<qint64> pids;
    [[maybe_unused]] const bool announced = QTest::qWaitFor(
        [&] {
            pidFile.close();
            const QByteArray text = pidFile.open(QIODevice::ReadOnly) ? pidFile.readAll() : "";
            pids.clear();
            for (const QByteArray& pid : text.trimmed().split(' '))
                pids.append(pid.toLongLong());
            return text.endsWith('\n') && pids.size() == 2;
        },
        20000);
    return pids;
}

// Whether none of `pids` runs any more. A zombie has ended: where no init process reaps
// orphans (in a container, say) it is never removed.
inline bool ProcessesGone(const QList<qint64>& pids)
{
    if (pids.size() != 2)
        return false;
    for (const qint64 pid : pids) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray fields = stat.readAll();
        const qsizetype state = fields.lastIndexOf(')') + 2;
        if (state < 2 || state >= fields.size() || fields[state] != 'Z')
            return false;
    }
    return true;
}
