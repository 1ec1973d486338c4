#pragma once

#include <QString>
#include <QStringList>

// One run of the built command-line tool, waited for in a nested event loop (the simulated
// devices are served from their own threads meanwhile): its wall time, its CPU time, and why it
// does not count.
struct CliRun {
    qint64 wallNs = 0;
    qint64 cpuNs = 0; // the tool's user and system time
    QString problem;  // empty when the tool ran and exited with 0

    static CliRun run(const QString &cliPath, const QStringList &arguments, int timeoutMs);
};
