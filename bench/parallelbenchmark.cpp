#include "parallelbenchmark.h"

#include "clirun.h"
#include "deviceserverthread.h"
#include "programmingfile.h"
#include "ser2netserver.h"
#include "ticketproject.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>
#include <vector>

namespace
{

// A kilobyte: at 19200 bps programming and verifying it take about eight seconds.
constexpr qsizetype ProjectBytes = 1024;
constexpr int CliTimeoutMs = 5 * 60 * 1000;

} // namespace

ParallelBenchmark::ParallelBenchmark(const QString &cliPath, int ports, int lineRate)
    : m_cliPath(cliPath), m_ports(ports), m_lineRate(lineRate)
{
}

ParallelBenchmark::Result ParallelBenchmark::run()
{
    Result result;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bench.dat"));
    if (!dir.isValid() || !writeProject(file)) {
        result.problem = QStringLiteral("cannot write the project to %1").arg(dir.path());
        return result;
    }
    const Run alone = runOnPorts(file, 1, 0, true);
    const bool relayed = !Ser2NetServer::program().isEmpty();
    if (!relayed)
        std::fprintf(stderr,
                     "bench: ser2net is not installed; all %d devices on "
                     "pseudo-terminals\n",
                     m_ports);
    const Run together = runOnPorts(file, m_ports, relayed ? m_ports / 2 : 0, true);
    Run behindDefault, behindTuned;
    if (relayed) {
        behindDefault = runOnPorts(file, 1, 1, false);
        behindTuned = runOnPorts(file, 1, 1, true);
    }
    for (const Run *r :
         std::initializer_list<const Run *>{&alone, &together, &behindDefault, &behindTuned}) {
        if (result.problem.isEmpty())
            result.problem = r->problem;
    }
    if (!result.problem.isEmpty() || alone.wallNs <= 0 || together.wallNs <= 0)
        return result;
    result.ser2netDefaultS = double(behindDefault.wallNs) / 1e9;
    result.ser2netTunedS = double(behindTuned.wallNs) / 1e9;
    result.aloneS = double(alone.wallNs) / 1e9;
    result.togetherS = double(together.wallNs) / 1e9;
    result.timeRatio = double(together.wallNs) / double(alone.wallNs);
    result.cpuOverWall = double(together.cpuNs) / double(together.wallNs);
    return result;
}

bool ParallelBenchmark::writeProject(const QString &path) const
{
    TicketProject project;
    QRandomGenerator random(0x5A56);
    QByteArray bytes(ProjectBytes, Qt::Uninitialized);
    for (char &byte : bytes)
        byte = char(random.bounded(256));
    project.setSlot(1, {bytes, QStringLiteral("bench"), {}, ProjectBytes});
    QFile out(path);
    return out.open(QIODevice::WriteOnly) && ProgrammingFile().write(out, project);
}

// The last `relayedPorts` devices are reached through ser2net as raw streams, tuned or with its
// default packing, the rest on their pseudo-terminals. Not with serial port control: through
// ser2net on loopback that adds the server's acknowledgements to each port's own pace, and the
// ratio would show that rather than what running many ports at once costs.
ParallelBenchmark::Run ParallelBenchmark::runOnPorts(const QString &file, int ports,
                                                     int relayedPorts, bool tuned) const
{
    Run run;
    std::vector<std::unique_ptr<DeviceServerThread>> servers;
    std::vector<std::unique_ptr<Ser2NetServer>> relays;
    QStringList arguments{QStringLiteral("program"), file, QStringLiteral("--verify"),
                          QStringLiteral("--baud"), QString::number(m_lineRate)};
    for (int n = 0; n < ports; ++n) {
        servers.push_back(std::make_unique<DeviceServerThread>(
            SimulatedDevice::Model::Velmar, SimulatedDevice::Application::Industrial, m_lineRate));
        QString error;
        if (!servers.back()->startServer(&error)) {
            run.problem = error;
            return run;
        }
        QString port = servers.back()->slavePath();
        if (n >= ports - relayedPorts) {
            relays.push_back(std::make_unique<Ser2NetServer>(
                port, Ser2NetServer::Mode::Raw,
                tuned ? Ser2NetServer::Packing::Tuned : Ser2NetServer::Packing::Default));
            if (!relays.back()->start()) {
                run.problem = relays.back()->errorString();
                return run;
            }
            port = relays.back()->url();
        }
        arguments << QStringLiteral("--port") << port;
    }
    const CliRun cli = CliRun::run(m_cliPath, arguments, CliTimeoutMs);
    return {cli.wallNs, cli.cpuNs, cli.problem};
}
