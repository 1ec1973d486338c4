// zvticket-bench: programs and reads back a full device of each class over a pseudo-terminal,
// with the simulated device served from its own thread, at 19200 and 9600 bps of emulated line
// and without emulation. Arguments narrow the runs: class numbers (1, 4, 8) and rates (19200,
// 9600, none); --detail adds, on standard error, where the overhead of each run goes.

#include "transferbenchmark.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

int main(int argc, char *argv[])
{
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

    int failures = 0;
    for (const auto &[deviceClass, model] : classes) {
        if (!chosen(QString::number(deviceClass), classNames))
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
    return failures == 0 ? 0 : 1;
}
