// zvticket-devsim: serves a simulated ticket device on a pseudo-terminal. Prints the slave path as
// its first line, then serves until SIGINT or SIGTERM, whatever its standard input does (it may be
// started in the background with no input at all).

#include "bytetext.h"
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

// SIGTERM and SIGINT arrive through a descriptor the event loop watches; blocked before any
// thread starts so that every thread inherits the mask. -1 when that fails: the signals' default
// action then still stops the program.
int stopSignalDescriptor()
{
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    const int signalFd = signalfd(-1, &stopSignals, SFD_CLOEXEC | SFD_NONBLOCK);
    if (signalFd < 0)
        pthread_sigmask(SIG_UNBLOCK, &stopSignals, nullptr);
    return signalFd;
}

// What the command line asks the device to be.
struct Options {
    SimulatedDevice::Model model = SimulatedDevice::Model::Velmar;
    SimulatedDevice::Application application = SimulatedDevice::Application::Industrial;
    QString version;
    int rate = 0;
    bool trace = false;
    std::optional<std::chrono::milliseconds> replugEvery;
};

void describeOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Serves a simulated ticket device on a pseudo-terminal and prints the "
                       "path to open as its serial port. Runs until it gets SIGINT (Ctrl+C) or "
                       "SIGTERM; its standard input is not read."));
    parser.addHelpOption();
    parser.addOptions(
        {{QStringLiteral("model"),
          QStringLiteral("Device model: zorla-old, zorla or velmar (optionally :none, "
                         ":industrial or :truck)."),
          QStringLiteral("model"), QStringLiteral("velmar")},
         {QStringLiteral("app"), QStringLiteral("Application: none, industrial or truck."),
          QStringLiteral("application")},
         {QStringLiteral("version"), QStringLiteral("Software version the device reports."),
          QStringLiteral("text")},
         {QStringLiteral("baud"), QStringLiteral("Emulate the time characters take at this rate."),
          QStringLiteral("rate")},
         {QStringLiteral("trace"), QStringLiteral("Print every command and its reply on stderr.")},
         {QStringLiteral("replug-every"),
          QStringLiteral("Replug mode: after each programming run (once no memory command has "
                         "come for 1 s), or every SECONDS (0: only after each run), the device is "
                         "silent for 2 s and comes back as a fresh, erased device."),
          QStringLiteral("SECONDS")}});
}

// The options, or nullopt after saying on standard error which one is wrong.
std::optional<Options> readOptions(const QCommandLineParser &parser)
{
    auto bad = [](const char *what, const QString &value) {
        std::fprintf(stderr, "%s: %s\n", what, qPrintable(value));
        return std::nullopt;
    };
    const auto parsed = SimulatedDevice::parseModel(parser.value(QStringLiteral("model")));
    if (!parsed)
        return bad("unknown model", parser.value(QStringLiteral("model")));
    Options options;
    std::tie(options.model, options.application) = *parsed;
    if (parser.isSet(QStringLiteral("app"))) {
        const auto chosen = SimulatedDevice::parseApplication(parser.value(QStringLiteral("app")));
        if (!chosen)
            return bad("unknown application", parser.value(QStringLiteral("app")));
        options.application = *chosen;
    }
    if (parser.isSet(QStringLiteral("baud"))) {
        bool ok = false;
        options.rate = parser.value(QStringLiteral("baud")).toInt(&ok);
        if (!ok || options.rate < 0)
            return bad("bad rate", parser.value(QStringLiteral("baud")));
    }
    const QString replug = parser.value(QStringLiteral("replug-every"));
    if (parser.isSet(QStringLiteral("replug-every")) &&
        !(options.replugEvery = replugInterval(replug)))
        return bad("bad replug interval (0 to 86400 seconds)", replug);
    options.version = parser.value(QStringLiteral("version"));
    options.trace = parser.isSet(QStringLiteral("trace"));
    return options;
}

// Serves the device until a stop signal comes; returns the exit status.
int serve(const Options &options, int signalFd)
{
    PtyDeviceServer server(options.model, options.application);
    if (!options.version.isEmpty())
        server.device().setVersion(options.version);
    server.setLineRate(options.rate);
    if (options.trace) {
        QObject::connect(&server.device(), &SimulatedDevice::commandHandled,
                         [](const QByteArray &command, const QByteArray &reply) {
                             std::fprintf(stderr, "%s -> %s\n", qPrintable(escapedBytes(command)),
                                          qPrintable(escapedBytes(reply)));
                         });
    }
    const std::unique_ptr<ReplugSimulator> replug =
        makeReplug(server.device(), options.replugEvery, options.trace);
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
        QObject::connect(stopNotifier.get(), &QSocketNotifier::activated, [signalFd] {
            signalfd_siginfo info;
            while (::read(signalFd, &info, sizeof info) > 0) {
            }
            QCoreApplication::quit();
        });
    }
    const int status = QCoreApplication::exec();
    server.stop();
    return status;
}

} // namespace

int main(int argc, char *argv[])
{
    const int signalFd = stopSignalDescriptor();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zvticket-devsim"));
    QCommandLineParser parser;
    describeOptions(parser);
    parser.process(app);
    const std::optional<Options> options = readOptions(parser);
    const int status = options ? serve(*options, signalFd) : 2;
    if (signalFd >= 0)
        ::close(signalFd);
    return status;
}
