// zvticket-devsim: serves a simulated ticket device on a pseudo-terminal, or on a TCP port of the
// loopback interface (on Windows, which has no pseudo-terminals, always). Prints the port to open
// as its first line, then serves until SIGINT or SIGTERM (Ctrl+C or Ctrl+Break on Windows),
// whatever its standard input does (it may be started in the background with no input at all).

#include "bytetext.h"
#include "replugsimulator.h"
#include "stopsignal.h"
#include "tcpdeviceserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <memory>
#include <optional>

#ifndef Q_OS_WIN
#include "ptydeviceserver.h"
#endif

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

// The --tcp value; std::nullopt when it is not a port number.
std::optional<quint16> tcpPort(const QString &text)
{
    bool ok = false;
    const uint port = text.toUInt(&ok);
    if (!ok || port > 65535)
        return std::nullopt;
    return quint16(port);
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

// What the command line asks the device to be.
struct Options {
    SimulatedDevice::Model model = SimulatedDevice::Model::Velmar;
    SimulatedDevice::Application application = SimulatedDevice::Application::Industrial;
    QString version;
    int rate = 0;
    bool trace = false;
    std::optional<std::chrono::milliseconds> replugEvery;
#ifdef Q_OS_WIN
    std::optional<quint16> tcpPort = 0;
#else
    std::optional<quint16> tcpPort; // nullopt: on a pseudo-terminal
#endif
};

#ifdef Q_OS_WIN
const char *const Description =
    "Serves a simulated ticket device on a TCP port of 127.0.0.1 and prints the port to open, "
    "socket://127.0.0.1:PORT. Runs until Ctrl+C or Ctrl+Break; its standard input is not read.";
const char *const TcpHelp = "Serve on this TCP port of 127.0.0.1 (0, the default: any free one); "
                            "one connection at a time, the newest taking over.";
#else
const char *const Description =
    "Serves a simulated ticket device on a pseudo-terminal and prints the path to open as its "
    "serial port (with --tcp, on a TCP port of 127.0.0.1, and prints socket://127.0.0.1:PORT). "
    "Runs until it gets SIGINT (Ctrl+C) or SIGTERM; its standard input is not read.";
const char *const TcpHelp =
    "Serve on this TCP port of 127.0.0.1 (0: any free one) instead of a pseudo-terminal; one "
    "connection at a time, the newest taking over.";
#endif

void describeOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QString::fromLatin1(Description));
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
         {QStringLiteral("tcp"), QString::fromLatin1(TcpHelp), QStringLiteral("PORT")},
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
    const QString tcp = parser.value(QStringLiteral("tcp"));
    if (parser.isSet(QStringLiteral("tcp")) && !(options.tcpPort = tcpPort(tcp)))
        return bad("bad TCP port (0 to 65535)", tcp);
    const QString replug = parser.value(QStringLiteral("replug-every"));
    if (parser.isSet(QStringLiteral("replug-every")) &&
        !(options.replugEvery = replugInterval(replug)))
        return bad("bad replug interval (0 to 86400 seconds)", replug);
    options.version = parser.value(QStringLiteral("version"));
    options.trace = parser.isSet(QStringLiteral("trace"));
    return options;
}

// On a pseudo-terminal unless a TCP port was asked for.
std::unique_ptr<DeviceServer> makeServer(const Options &options)
{
#ifndef Q_OS_WIN
    if (!options.tcpPort)
        return std::make_unique<PtyDeviceServer>(options.model, options.application);
#endif
    return std::make_unique<TcpDeviceServer>(options.model, options.application, *options.tcpPort);
}

void traceCommands(SimulatedDevice &device)
{
    QObject::connect(&device, &SimulatedDevice::commandHandled,
                     [](const QByteArray &command, const QByteArray &reply) {
                         std::fprintf(stderr, "%s -> %s\n", qPrintable(escapedBytes(command)),
                                      qPrintable(escapedBytes(reply)));
                     });
}

// Serves the device until a stop signal comes; returns the exit status.
int serve(const Options &options)
{
    const std::unique_ptr<DeviceServer> server = makeServer(options);
    if (!options.version.isEmpty())
        server->device().setVersion(options.version);
    server->setLineRate(options.rate);
    if (options.trace)
        traceCommands(server->device());
    const std::unique_ptr<ReplugSimulator> replug =
        makeReplug(server->device(), options.replugEvery, options.trace);
    QString error;
    if (!server->start(&error)) {
        if (options.tcpPort)
            std::fprintf(stderr, "%s\n", qPrintable(error));
        else
            std::fprintf(stderr, "cannot open a pseudo-terminal: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("%s\n", qPrintable(server->portName()));
    std::fflush(stdout);

    const StopSignal stop;
    const int status = QCoreApplication::exec();
    server->stop();
    return status;
}

} // namespace

int main(int argc, char *argv[])
{
    StopSignal::prepare();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zvticket-devsim"));
    QCommandLineParser parser;
    describeOptions(parser);
    parser.process(app);
    const std::optional<Options> options = readOptions(parser);
    return options ? serve(*options) : 2;
}
