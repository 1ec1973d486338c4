// zvticket-devsim: serves a simulated ticket device on a pseudo-terminal. Prints the slave path as
// its first line, then serves until SIGINT or SIGTERM, whatever its standard input does (it may be
// started in the background with no input at all).

#include "ptydeviceserver.h"
#include "replugsimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <sys/signalfd.h>
#include <unistd.h>

namespace
{

// The --replug-every value; std::nullopt when it is not a number of seconds from 0 to a day.
std::optional<std::chrono::milliseconds> replugInterval(const QString &text)
{
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (!ok || seconds < 0 || seconds > 86400)
        return std::nullopt;
    return std::chrono::milliseconds(qRound64(seconds * 1000));
}

// The replug mode when it was asked for; with `trace` the swaps are printed among the commands.
std::unique_ptr<ReplugSimulator>
makeReplug(SimulatedDevice &device, std::optional<std::chrono::milliseconds> every, bool trace)
{
    if (!every)
        return nullptr;
    auto replug = std::make_unique<ReplugSimulator>(device, *every);
    if (trace) {
        QObject::connect(replug.get(), &ReplugSimulator::unplugged,
                         [] { std::fprintf(stderr, "device unplugged\n"); });
        QObject::connect(replug.get(), &ReplugSimulator::pluggedIn,
                         [] { std::fprintf(stderr, "fresh device plugged in\n"); });
    }
    return replug;
}

} // namespace

int main(int argc, char *argv[])
{
    // SIGTERM and SIGINT arrive through a descriptor the event loop watches; blocked before any
    // thread starts so that every thread inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    const int signalFd = signalfd(-1, &stopSignals, SFD_CLOEXEC | SFD_NONBLOCK);
    if (signalFd < 0) // the signals' default action still stops the program
        pthread_sigmask(SIG_UNBLOCK, &stopSignals, nullptr);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zvticket-devsim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Serves a simulated ticket device on a pseudo-terminal and prints the "
                       "path to open as its serial port. Runs until it gets SIGINT (Ctrl+C) or "
                       "SIGTERM; its standard input is not read."));
    parser.addHelpOption();
    const QCommandLineOption modelOption(
        QStringLiteral("model"),
        QStringLiteral("Device model: zorla-old, zorla or velmar (optionally :none, :industrial "
                       "or :truck)."),
        QStringLiteral("model"), QStringLiteral("velmar"));
    const QCommandLineOption appOption(QStringLiteral("app"),
                                       QStringLiteral("Application: none, industrial or truck."),
                                       QStringLiteral("application"));
    const QCommandLineOption versionOption(QStringLiteral("version"),
                                           QStringLiteral("Software version the device reports."),
                                           QStringLiteral("text"));
    const QCommandLineOption baudOption(
        QStringLiteral("baud"), QStringLiteral("Emulate the time characters take at this rate."),
        QStringLiteral("rate"));
    const QCommandLineOption traceOption(
        QStringLiteral("trace"), QStringLiteral("Print every command and its reply on stderr."));
    const QCommandLineOption replugOption(
        QStringLiteral("replug-every"),
        QStringLiteral("Replug mode: after each programming run (once no memory command has come "
                       "for 1 s), or every SECONDS (0: only after each run), the device is silent "
                       "for 2 s and comes back as a fresh, erased device."),
        QStringLiteral("SECONDS"));
    parser.addOptions(
        {modelOption, appOption, versionOption, baudOption, traceOption, replugOption});
    parser.process(app);

    const auto parsed = SimulatedDevice::parseModel(parser.value(modelOption));
    if (!parsed) {
        std::fprintf(stderr, "unknown model: %s\n", qPrintable(parser.value(modelOption)));
        return 2;
    }
    auto [model, application] = *parsed;
    if (parser.isSet(appOption)) {
        const auto chosen = SimulatedDevice::parseApplication(parser.value(appOption));
        if (!chosen) {
            std::fprintf(stderr, "unknown application: %s\n", qPrintable(parser.value(appOption)));
            return 2;
        }
        application = *chosen;
    }
    int rate = 0;
    if (parser.isSet(baudOption)) {
        bool ok = false;
        rate = parser.value(baudOption).toInt(&ok);
        if (!ok || rate < 0) {
            std::fprintf(stderr, "bad rate: %s\n", qPrintable(parser.value(baudOption)));
            return 2;
        }
    }

    std::optional<std::chrono::milliseconds> replugEvery;
    if (parser.isSet(replugOption) && !(replugEvery = replugInterval(parser.value(replugOption)))) {
        std::fprintf(stderr, "bad replug interval (0 to 86400 seconds): %s\n",
                     qPrintable(parser.value(replugOption)));
        return 2;
    }

    PtyDeviceServer server(model, application);
    if (parser.isSet(versionOption))
        server.device().setVersion(parser.value(versionOption));
    server.setLineRate(rate);
    if (parser.isSet(traceOption)) {
        QObject::connect(&server.device(), &SimulatedDevice::commandHandled,
                         [](const QByteArray &command, const QByteArray &reply) {
                             std::fprintf(stderr, "%s -> %s\n",
                                          command.toPercentEncoding(" @-?.").constData(),
                                          reply.toPercentEncoding(" @-?.").constData());
                         });
    }
    const std::unique_ptr<ReplugSimulator> replug =
        makeReplug(server.device(), replugEvery, parser.isSet(traceOption));
    QString error;
    if (!server.start(&error)) {
        std::fprintf(stderr, "cannot open a pseudo-terminal: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("%s\n", qPrintable(server.slavePath()));
    std::fflush(stdout);

    std::unique_ptr<QSocketNotifier> stopNotifier;
    if (signalFd >= 0) {
        stopNotifier = std::make_unique<QSocketNotifier>(signalFd, QSocketNotifier::Read);
        QObject::connect(stopNotifier.get(), &QSocketNotifier::activated, &app, [signalFd] {
            signalfd_siginfo info;
            while (::read(signalFd, &info, sizeof info) > 0) {
            }
            QCoreApplication::quit();
        });
    }
    const int status = QCoreApplication::exec();
    server.stop();
    if (signalFd >= 0)
        ::close(signalFd);
    return status;
}
