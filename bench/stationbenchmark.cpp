#include "stationbenchmark.h"

#include "clirun.h"
#include "deviceserverthread.h"
#include "memorylayout.h"
#include "programmingfile.h"
#include "ticketproject.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <vector>

namespace
{

constexpr int CliTimeoutMs = 30 * 60 * 1000;

} // namespace

StationBenchmark::StationBenchmark(const QString &cliPath, int ports, int devicesPerPort,
                                   int lineRate)
    : m_cliPath(cliPath), m_ports(ports), m_devicesPerPort(devicesPerPort), m_lineRate(lineRate)
{
}

StationBenchmark::Result StationBenchmark::run()
{
    Result result;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("station.dat"));
    const QString log = dir.filePath(QStringLiteral("station.csv"));
    if (!dir.isValid() || !writeProject(file)) {
        result.problem = QStringLiteral("cannot write the project to %1").arg(dir.path());
        return result;
    }
    const int count = m_ports * m_devicesPerPort;
    QStringList arguments{QStringLiteral("station"),
                          file,
                          QStringLiteral("--verify"),
                          QStringLiteral("--baud"),
                          QString::number(m_lineRate),
                          QStringLiteral("--count"),
                          QString::number(count),
                          QStringLiteral("--log"),
                          log};
    std::vector<std::unique_ptr<DeviceServerThread>> servers;
    for (int n = 0; n < m_ports; ++n) {
        servers.push_back(std::make_unique<DeviceServerThread>(
            SimulatedDevice::Model::Velmar, SimulatedDevice::Application::Industrial, m_lineRate));
        servers.back()->setReplugging(true);
        if (!servers.back()->startServer(&result.problem))
            return result;
        arguments << QStringLiteral("--port") << servers.back()->slavePath();
    }
    const CliRun cli = CliRun::run(m_cliPath, arguments, CliTimeoutMs);
    readLog(log, result);
    result.wallS = double(cli.wallNs) / 1e9;
    result.cpuOverWall = cli.wallNs > 0 ? double(cli.cpuNs) / double(cli.wallNs) : 0;
    result.devicesPerHour = cli.wallNs > 0 ? result.devices * 3600.0 / result.wallS : 0;
    if (!cli.problem.isEmpty())
        result.problem = cli.problem;
    else if (result.devices != count)
        result.problem = QStringLiteral("%1 devices recorded of %2").arg(result.devices).arg(count);
    return result;
}

// A full VELMAR image, spread over T, H, B and F.
bool StationBenchmark::writeProject(const QString &path) const
{
    TicketProject project;
    QRandomGenerator random(0x5A56);
    const qint64 space = MemoryLayout::of(DeviceClass::Velmar).freeSpace();
    qint64 offset = 0;
    for (int n = 1; n <= 4; ++n) {
        const qint64 length = space * n / 4 - offset;
        QByteArray bytes(length, Qt::Uninitialized);
        for (char &byte : bytes)
            byte = char(random.bounded(256));
        project.setSlot(n, {bytes, QStringLiteral("bench"), {}, length});
        offset += length;
    }
    QFile out(path);
    return out.open(QIODevice::WriteOnly) && ProgrammingFile().write(out, project);
}

// The station's record: a header, then one line per device with its result in the sixth field.
void StationBenchmark::readLog(const QString &path, Result &result)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return;
    in.readLine();
    while (!in.atEnd()) {
        const QList<QByteArray> fields = in.readLine().split(',');
        if (fields.size() < 6)
            continue;
        ++result.devices;
        if (fields.at(5) == "ok")
            ++result.verified;
    }
}
