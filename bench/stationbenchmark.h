#pragma once

#include <QString>

// Runs the command-line tool's `station FILE --verify` against simulated devices that an
// operator unplugs after each run and replaces with fresh, erased ones, each port programming a
// full image at an emulated line rate, and relates the devices done to the wall time.
class StationBenchmark
{
public:
    struct Result {
        double devicesPerHour = 0;
        int devices = 0;  // lines in the station's record
        int verified = 0; // of those, programmed and verified
        double wallS = 0;
        double cpuOverWall = 0; // the tool's CPU time over its wall time
        QString problem;        // empty when the station ran and recorded every device
    };

    // `devicesPerPort`: how many devices each port takes in turn (the station's --count is that
    // times `ports`).
    StationBenchmark(const QString &cliPath, int ports, int devicesPerPort, int lineRate);
    Result run();

private:
    bool writeProject(const QString &path) const;
    static void readLog(const QString &path, Result &result);

    QString m_cliPath;
    int m_ports;
    int m_devicesPerPort;
    int m_lineRate;
};
