#pragma once

#include <QStringList>

// Runs the command-line tool's `program FILE --verify` against sixteen simulated devices at once
// (half on pseudo-terminals, half behind ser2net on loopback, tuned) and against one alone, at
// an emulated line rate, and relates the two wall times and the tool's CPU time. Also runs one
// device behind ser2net with its default packing and with the tuned one.
class ParallelBenchmark
{
public:
    struct Result {
        double timeRatio = 0;   // wall time with all ports over wall time with one
        double cpuOverWall = 0; // the tool's user+system time over its wall time, all ports
        double aloneS = 0;      // wall times in seconds
        double togetherS = 0;
        double ser2netDefaultS = 0; // one device behind ser2net; 0 when it is not installed
        double ser2netTunedS = 0;
        QString problem; // empty when all runs succeeded
    };

    // `cliPath`: the built zvticket-cli; `ports`: how many devices at once.
    //
    // Both wall times include the tool's start, identification and verification. On a machine
    // with two cores the sixteen-port figure is not the tool's alone: the devices (a thread
    // each in this process), the ser2net processes and the tool share those cores, so a ratio
    // above 1 may be the simulation's and the relays' CPU rather than the tool's. The emulated
    // line keeps each device mostly idle, which leaves room; cpu_over_wall shows how much of a
    // core the tool itself needs for all ports.
    ParallelBenchmark(const QString &cliPath, int ports, int lineRate);
    Result run();

private:
    struct Run {
        qint64 wallNs = 0;
        qint64 cpuNs = 0;
        QString problem;
    };

    bool writeProject(const QString &path) const;
    Run runOnPorts(const QString &file, int ports, int relayedPorts, bool tuned) const;

    QString m_cliPath;
    int m_ports;
    int m_lineRate;
};
