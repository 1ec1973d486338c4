#include "parallelbenchmark.h"

#include "deviceserverthread.h"
#include "programmingfile.h"
#include "ser2netserver.h"
#include "ticketproject.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <vector>

namespace
{

// A kilobyte: at 19200 bps programming and verifying it take about eight seconds.
constexpr qsizetype ProjectBytes = 1024;
constexpr int CliTimeoutMs = 5 * 60 * 1000;

qint64 childrenCpuNs()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    auto ns = [](const timeval &t) { return qint64(t.tv_sec) * 1000000000 + t.tv_usec * 1000; };
    return ns(usage.ru_utime) + ns(usage.ru_stime);
}

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
    const Run alone = runOnPorts(file, 1);
    const Run together = runOnPorts(file, m_ports);
    result.problem = !alone.problem.isEmpty() ? alone.problem : together.problem;
    if (!result.problem.isEmpty() || alone.wallNs <= 0 || together.wallNs <= 0)
        return result;
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

// Every second device is reached through ser2net as a raw stream, the rest on their
// pseudo-terminals. Not with serial port control: through ser2net on loopback one device alone
// then takes about three times as long as on its pseudo-terminal, and the ratio would show that
// port's own pace rather than what running many ports at once costs.
ParallelBenchmark::Run ParallelBenchmark::runOnPorts(const QString &file, int ports) const
{
    Run run;
    std::vector<std::unique_ptr<DeviceServerThread>> servers;
    std::vector<std::unique_ptr<Ser2NetServer>> relays;
    const bool relayed = ports > 1 && !Ser2NetServer::program().isEmpty();
    if (ports > 1 && !relayed)
        std::fprintf(stderr,
                     "bench: ser2net is not installed; all %d devices on "
                     "pseudo-terminals\n",
                     ports);
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
        if (relayed && n % 2 == 1) {
            relays.push_back(std::make_unique<Ser2NetServer>(port, Ser2NetServer::Mode::Raw));
            if (!relays.back()->start()) {
                run.problem = relays.back()->errorString();
                return run;
            }
            port = relays.back()->url();
        }
        arguments << QStringLiteral("--port") << port;
    }
    return runCli(arguments);
}

// Waits in a nested event loop; the devices are served from their own threads meanwhile.
ParallelBenchmark::Run ParallelBenchmark::runCli(const QStringList &arguments) const
{
    Run run;
    QProcess cli;
    cli.setProcessChannelMode(QProcess::MergedChannels);
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    timeout.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&cli, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&cli, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    const qint64 cpuBefore = childrenCpuNs();
    QElapsedTimer clock;
    clock.start();
    cli.start(m_cliPath, arguments);
    timeout.start(CliTimeoutMs);
    loop.exec();
    run.wallNs = clock.nsecsElapsed();
    if (cli.state() != QProcess::NotRunning) {
        cli.kill();
        cli.waitForFinished();
        run.problem = QStringLiteral("%1 did not finish in time").arg(m_cliPath);
        return run;
    }
    // The tool has been waited for, so its time is now among the children's.
    run.cpuNs = childrenCpuNs() - cpuBefore;
    if (cli.exitStatus() != QProcess::NormalExit || cli.exitCode() != 0)
        run.problem =
            QStringLiteral("%1 failed (%2): %3")
                .arg(m_cliPath, cli.errorString(), QString::fromLocal8Bit(cli.readAll()).trimmed());
    return run;
}
