// zvticket-bench: programs and reads back a full device of each class over a pseudo-terminal,
// with the simulated device served from its own thread, at 19200 and 9600 bps of emulated line
// and without emulation; these runs keep to one processor. Arguments narrow the runs: class
// numbers (1, 4, 8) and rates (19200, 9600, none); --detail adds, on standard error, where the
// overhead of each run goes. Emulated runs also print how late the emulated line sent its
// replies, runs without emulation the link's turnaround as the device sees it. Then zvticket-cli
// programs and verifies sixteen devices at once and one alone, and one behind ser2net at its
// default packing and tuned ("parallel" runs only that; any class or rate leaves it out).
// "station" runs only the production station against sixteen replugging devices, which takes
// several minutes.

#include "parallelbenchmark.h"
#include "stationbenchmark.h"
#include "transferbenchmark.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <sched.h>

namespace
{

constexpr int ParallelPorts = 16;
constexpr int ParallelLineRate = 19200;
constexpr int StationDevicesPerPort = 2;

QString cliPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../src/cli/zvticket-cli");
}

// Sixteen ports at once against one alone, through the built command-line tool.
int runParallel(bool detail)
{
    const QString cli = cliPath();
    const ParallelBenchmark::Result r =
        ParallelBenchmark(cli, ParallelPorts, ParallelLineRate).run();
    if (!r.problem.isEmpty()) {
        std::fprintf(stderr, "bench: parallel-%d FAILED: %s\n", ParallelPorts,
                     qPrintable(r.problem));
        return 1;
    }
    std::printf("bench: parallel-%d time_ratio=%.3f cpu_over_wall=%.4f cpu_per_port=%.4f\n",
                ParallelPorts, r.timeRatio, r.cpuOverWall, r.cpuOverWall / ParallelPorts);
    if (r.ser2netTunedS > 0) {
        std::printf("bench: ser2net-default wall_s=%.2f over_pty=%.3f\n", r.ser2netDefaultS,
                    r.ser2netDefaultS / r.aloneS);
        std::printf("bench: ser2net-tuned wall_s=%.2f over_pty=%.3f\n", r.ser2netTunedS,
                    r.ser2netTunedS / r.aloneS);
    }
    std::fflush(stdout);
    if (detail) {
        std::fprintf(stderr, "bench: parallel-%d alone_s=%.2f together_s=%.2f\n", ParallelPorts,
                     r.aloneS, r.togetherS);
    }
    return 0;
}

// The production station on sixteen ports, each taking replugged VELMAR devices in turn.
int runStation(bool detail)
{
    const StationBenchmark::Result r =
        StationBenchmark(cliPath(), ParallelPorts, StationDevicesPerPort, ParallelLineRate).run();
    std::printf("bench: station-%d devices_per_hour=%.0f verified=%d\n", ParallelPorts,
                r.devicesPerHour, r.verified);
    std::fflush(stdout);
    if (detail) {
        std::fprintf(stderr, "bench: station-%d devices=%d wall_s=%.1f cpu_over_wall=%.4f\n",
                     ParallelPorts, r.devices, r.wallS, r.cpuOverWall);
    }
    if (r.problem.isEmpty())
        return 0;
    std::fprintf(stderr, "bench: station-%d FAILED: %s\n", ParallelPorts, qPrintable(r.problem));
    return 1;
}

// Keeps the calling thread, and the threads it starts, on the processor it runs on; returns the
// processors it was allowed before. On a virtual machine a wake-up across processors is now and
// then held for about 3 ms (a bare two-thread pseudo-terminal test shows it too), which would be
// counted as the tool's time; on one processor the link and the simulated device hand over
// without it.
cpu_set_t keepToOneProcessor()
{
    cpu_set_t before;
    CPU_ZERO(&before);
    sched_getaffinity(0, sizeof before, &before);
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(sched_getcpu(), &one);
    sched_setaffinity(0, sizeof one, &one);
    return before;
}

} // namespace

int main(int argc, char *argv[])
{
    // Qt's event loop on GLib wakes itself up (an eventfd write and one more turn of the loop)
    // each time a socket notifier is switched on or off, as the serial port does for every
    // command it writes; Qt's own loop for Unix does not. Chosen before the first loop exists.
    if (qEnvironmentVariableIsEmpty("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    const bool detail = arguments.contains(QStringLiteral("--detail"));

    const QList<QPair<int, SimulatedDevice::Model>> classes{{1, SimulatedDevice::Model::ZorlaOld},
                                                            {4, SimulatedDevice::Model::Zorla},
                                                            {8, SimulatedDevice::Model::Velmar}};
    const QList<QPair<QString, int>> rates{{QStringLiteral("19200"), 19200},
                                           {QStringLiteral("9600"), 9600},
                                           {QStringLiteral("none"), 0}};
    auto chosen = [&](const QString &name, const QStringList &all) {
        const bool narrowed = std::any_of(arguments.begin(), arguments.end(),
                                          [&](const QString &a) { return all.contains(a); });
        return !narrowed || arguments.contains(name);
    };
    const QStringList classNames{QStringLiteral("1"), QStringLiteral("4"), QStringLiteral("8")};
    const QStringList rateNames{QStringLiteral("19200"), QStringLiteral("9600"),
                                QStringLiteral("none")};

    if (arguments.contains(QStringLiteral("station")))
        return runStation(detail);
    const bool onlyParallel = arguments.contains(QStringLiteral("parallel"));
    const bool narrowed = std::any_of(arguments.begin(), arguments.end(), [&](const QString &a) {
        return classNames.contains(a) || rateNames.contains(a);
    });

    int failures = 0;
    const cpu_set_t allowed = keepToOneProcessor();
    for (const auto &[deviceClass, model] : classes) {
        if (onlyParallel || !chosen(QString::number(deviceClass), classNames))
            continue;
        for (const auto &[rateName, rate] : rates) {
            if (!chosen(rateName, rateNames))
                continue;
            const TransferBenchmark::Result r = TransferBenchmark(model, rate).run();
            const QString ratio = r.wallOverWire > 0 ? QString::number(r.wallOverWire, 'f', 4)
                                                     : QStringLiteral("n/a");
            std::printf("bench: %s wall_over_wire=%s cpu_over_wall=%.4f "
                        "overhead_us_per_command=%.1f\n",
                        qPrintable(r.name), qPrintable(ratio), r.cpuOverWall, r.overheadUs);
            if (rate > 0) {
                std::printf("bench: emulator-%s late_p50_us=%.1f late_p99_us=%.1f\n",
                            qPrintable(r.name), r.emulatorLateP50Us, r.emulatorLateP99Us);
            } else {
                std::printf("bench: turnaround-%d p50_us=%.1f p99_us=%.1f\n", deviceClass,
                            r.deviceTurnaroundP50Us, r.deviceTurnaroundP99Us);
            }
            std::fflush(stdout);
            if (detail) {
                std::fprintf(stderr,
                             "bench: %s commands=%lld to_device_us=%.1f from_device_us=%.1f "
                             "turnaround_us=%.1f\n",
                             qPrintable(r.name), qlonglong(r.commands), r.toDeviceUs,
                             r.fromDeviceUs, r.turnaroundUs);
            }
            if (!r.problem.isEmpty()) {
                std::fprintf(stderr, "bench: %s FAILED: %s\n", qPrintable(r.name),
                             qPrintable(r.problem));
                ++failures;
            }
        }
    }
    // Sixteen ports are sixteen processes: they get every processor.
    sched_setaffinity(0, sizeof allowed, &allowed);
    if (onlyParallel || !narrowed)
        failures += runParallel(detail);
    return failures == 0 ? 0 : 1;
}
