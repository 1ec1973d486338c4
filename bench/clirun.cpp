#include "clirun.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <sys/resource.h>

namespace
{

qint64 childrenCpuNs()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    auto ns = [](const timeval &t) { return qint64(t.tv_sec) * 1000000000 + t.tv_usec * 1000; };
    return ns(usage.ru_utime) + ns(usage.ru_stime);
}

} // namespace

CliRun CliRun::run(const QString &cliPath, const QStringList &arguments, int timeoutMs)
{
    CliRun run;
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
    cli.start(cliPath, arguments);
    timeout.start(timeoutMs);
    loop.exec();
    run.wallNs = clock.nsecsElapsed();
    if (cli.state() != QProcess::NotRunning) {
        cli.kill();
        cli.waitForFinished();
        run.problem = QStringLiteral("%1 did not finish in time").arg(cliPath);
        return run;
    }
    // The tool has been waited for, so its time is now among the children's.
    run.cpuNs = childrenCpuNs() - cpuBefore;
    if (cli.exitStatus() != QProcess::NormalExit || cli.exitCode() != 0)
        run.problem =
            QStringLiteral("%1 failed (%2): %3")
                .arg(cliPath, cli.errorString(), QString::fromLocal8Bit(cli.readAll()).trimmed());
    return run;
}
