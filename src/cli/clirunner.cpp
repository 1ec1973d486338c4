#include "clirunner.h"

#include "consoledialogservice.h"
#include "consoleoutput.h"
#include "devicejob.h"
#include "deviceserver.h"
#include "errors.h"
#include "exitcode.h"
#include "interruptnotifier.h"
#include "linesettings.h"
#include "portbinding.h"
#include "portlist.h"
#include "programmingfile.h"
#include "projectcommands.h"
#include "rendercommand.h"
#include "settingsstore.h"
#include "simulatedsession.h"
#include "stationjob.h"
#include "stationlog.h"
#include "systemfile.h"
#include "ticketproject.h"

#include <QBuffer>
#include <QCommandLineParser>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>
#include <QThread>
#include <memory>

namespace
{

// "COM1".."COM4" as the settings bind them; anything else is a device path or system name.
QString systemPortFor(const QString &port)
{
    static const QRegularExpression com(QStringLiteral("^COM\\s?([1-4])$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = com.match(port);
    if (!match.hasMatch())
        return port;
    SettingsStore store;
    return PortBinding(store).systemName(match.captured(1).toInt());
}

} // namespace

CliRunner::CliRunner(ConsoleOutput &output) : m_output(output) {}

CliRunner::~CliRunner() = default;

QString CliRunner::usage()
{
    return QStringLiteral(
        "Usage:\n"
        "  zvticket-cli identify  (--port PORT | --simulate MODEL[:APP]) [--baud RATE]\n"
        "  zvticket-cli program FILE.dat (--port PORT ... | --simulate MODEL[:APP]) [--baud RATE] "
        "[--verify]\n"
        "  zvticket-cli read    FILE.dat (--port PORT | --simulate MODEL[:APP]) [--baud RATE]\n"
        "  zvticket-cli verify  FILE.dat (--port PORT | --simulate MODEL[:APP]) [--baud RATE]\n"
        "  zvticket-cli pack    FILE.dat [--T FILE] [--H FILE] [--B FILE] [--F FILE] [--P1 FILE] "
        "[--P2 FILE]\n"
        "  zvticket-cli info    FILE.dat\n"
        "  zvticket-cli station FILE.dat --port PORT ... [--baud RATE] [--verify] [--log "
        "FILE.csv]\n"
        "                       [--count N]\n"
        "  zvticket-cli ports   [--json]\n"
        "  zvticket-cli render  FILE.dat|FILE.prn [--slot T|H|B|F|P1|P2|ticket]\n"
        "                       [--family auto|escpos|escp24|escp9]\n"
        "                       [--paper 80mm|80mm42|58mm|80col|136col] -o OUT.png|OUT.pdf\n"
        "\n"
        "Commands:\n"
        "  identify  Prints the device's model, software version, application and space.\n"
        "  program   Programs the tickets of FILE.dat into the device, as the Program command\n"
        "            does; with several --port, into every device at the same time.\n"
        "  read      Reads the device's tickets and writes them to FILE.dat.\n"
        "  verify    Reads the device back and compares it with what programming FILE.dat\n"
        "            leaves in it; names the first differing slot and byte offset.\n"
        "  pack      Builds FILE.dat from print files, byte for byte.\n"
        "  info      Prints the byte counts of FILE.dat and the space it requires.\n"
        "  station   Production station: on every port at once, waits for a device to answer,\n"
        "            programs (and verifies) it, logs it and waits until it is unplugged, then\n"
        "            takes the next; ends after N devices in all, or on Ctrl-C.\n"
        "  ports     Lists the serial ports: name, COM option bound to it, adapter, maker,\n"
        "            serial number, USB vendor:product and latency timer where shown.\n"
        "  render    Draws the paper a print file, a slot of FILE.dat or the tickets the\n"
        "            device prints from it (--slot ticket, the default) would give.\n"
        "\n"
        "Options:\n"
        "  --port PORT        COM1..COM4 as the settings bind them, a device path (/dev/ttyUSB0,\n"
        "                     a pseudo-terminal), or a serial server on the network:\n"
        "                     socket://HOST:PORT or rfc2217://HOST:PORT. Repeat it to program\n"
        "                     several devices at once.\n"
        "  --simulate MODEL[:APP]  Use the built-in simulated device: MODEL zorla-old, zorla or\n"
        "                     velmar; APP none, industrial (default) or truck.\n"
        "  --emulate-line     With --simulate: the simulated line takes as long as a real one.\n"
        "  --baud RATE        1200, 2400, 4800, 9600 (default) or 19200; 8 data bits, no parity,\n"
        "                     1 stop bit.\n"
        "  --verify           After program: read the device back and compare.\n"
        "  --trace            Writes every command and reply to standard error.\n"
        "  --log FILE.csv     With station: appends one line per device (a header row first).\n"
        "  --count N          With station: ends after N devices on all ports together.\n"
        "  --json             With ports: the list as JSON, for scripts.\n"
        "  --T/--H/--B/--F/--P1/--P2 FILE   With pack: the print file of that ticket slot.\n"
        "  --slot SLOT        With render: T, H, B, F, P1, P2, or ticket: T, then H + B + F\n"
        "                     (or P1 + P2 when only they hold tickets) as programming leaves "
        "them.\n"
        "  --family FAMILY    With render: the printer commands, auto (detected; default), "
        "escpos,\n"
        "                     escp24 or escp9.\n"
        "  --paper PAPER      With render: 80mm (48 columns), 80mm42, 58mm (32 columns), 80col or\n"
        "                     136col (10 cpi); by default the family's usual paper.\n"
        "  -o, --output FILE  With render: the picture to write, .png or .pdf.\n"
        "\n"
        "Exit status: 0 success, 1 device or communication failure, 2 usage, 3 file error,\n"
        "4 project does not fit, 130 interrupted.\n");
}

int CliRunner::usageError(const QString &text)
{
    m_output.line(QStringLiteral("zvticket-cli: ") + text);
    m_output.line(QStringLiteral("Try 'zvticket-cli --help'."));
    return ExitUsage;
}

int CliRunner::run(const QStringList &arguments)
{
    if (subcommandNamed(arguments.value(1)) == Subcommand::Render)
        return RenderCommand(m_output).run(arguments);
    int exitCode = ExitSuccess;
    std::optional<Request> request = parse(arguments, &exitCode);
    if (!request)
        return exitCode;
    switch (request->command) {
    case Subcommand::Info:
        return info(request->file);
    case Subcommand::Pack:
        return pack(request->file, request->slotFiles);
    case Subcommand::Ports:
        return listPorts(request->json);
    default:
        return runDeviceCommand(*request);
    }
}

std::optional<CliRunner::Request> CliRunner::parse(const QStringList &arguments, int *exitCode)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOptions(
        {{QStringLiteral("port"), QString(), QStringLiteral("PORT")},
         {QStringLiteral("simulate"), QString(), QStringLiteral("MODEL")},
         {QStringLiteral("baud"), QString(), QStringLiteral("RATE"), QStringLiteral("9600")},
         QCommandLineOption(QStringLiteral("verify")),
         QCommandLineOption(QStringLiteral("trace")),
         QCommandLineOption(QStringLiteral("emulate-line")),
         {QStringLiteral("log"), QString(), QStringLiteral("FILE")},
         {QStringLiteral("count"), QString(), QStringLiteral("N")},
         QCommandLineOption(QStringLiteral("json")),
         helpOption});
    for (int n = 1; n <= TicketProject::slotCount; ++n)
        parser.addOption({TicketProject::slotName(n), QString(), QStringLiteral("FILE")});

    *exitCode = ExitUsage;
    if (!parser.parse(arguments))
        return usageError(parser.errorText()), std::nullopt;
    if (parser.isSet(helpOption)) {
        QTextStream(stdout) << usage();
        *exitCode = ExitSuccess;
        return std::nullopt;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return usageError(QStringLiteral("no command given.")), std::nullopt;
    const QString name = positional.first();
    // Render runs only as the first argument, before these options are parsed: here it is as
    // unknown as any other word.
    const Subcommand command = subcommandNamed(name).value_or(Subcommand::Render);
    const bool known = command != Subcommand::Render;
    const bool needsFile = takesFile(command);
    const bool listing = command == Subcommand::Ports;
    if (parser.isSet(QStringLiteral("json")) && !listing)
        return usageError(QStringLiteral("--json goes with ports.")), std::nullopt;
    Request request;
    if (listing) {
        request.command = Subcommand::Ports;
        request.json = parser.isSet(QStringLiteral("json"));
        if (positional.size() != 1)
            return usageError(QStringLiteral("ports takes no file.")), std::nullopt;
        return request;
    }
    if (!known)
        return usageError(QStringLiteral("unknown command '%1'.").arg(name)), std::nullopt;
    request.command = command;
    if (positional.size() != (needsFile ? 2 : 1))
        return usageError(needsFile ? QStringLiteral("%1 takes one FILE.dat.").arg(name)
                                    : QStringLiteral("identify takes no file.")),
               std::nullopt;
    request.file = needsFile ? positional.at(1) : QString();
    for (int n = 1; n <= TicketProject::slotCount; ++n)
        request.slotFiles.append(parser.value(TicketProject::slotName(n)));
    if (request.command == Subcommand::Info || request.command == Subcommand::Pack)
        return request;
    if (const std::optional<int> failed = checkDeviceOptions(parser, request)) {
        *exitCode = *failed;
        return std::nullopt;
    }
    return request;
}

std::optional<int> CliRunner::checkDeviceOptions(const QCommandLineParser &parser, Request &request)
{
    request.ports = parser.values(QStringLiteral("port"));
    request.simulate = parser.value(QStringLiteral("simulate"));
    request.emulateLine = parser.isSet(QStringLiteral("emulate-line"));
    const bool simulate = parser.isSet(QStringLiteral("simulate"));
    if (request.ports.isEmpty() == !simulate)
        return usageError(QStringLiteral("give either --port PORT or --simulate MODEL[:APP]."));
    for (const QString &port : std::as_const(request.ports)) {
        if (port.trimmed().isEmpty())
            return usageError(QStringLiteral("--port needs the name of a port."));
    }
    const bool station = request.command == Subcommand::Station;
    if (request.ports.size() > 1 && request.command != Subcommand::Program && !station)
        return usageError(QStringLiteral("only program and station take several --port."));
    if (station && request.ports.isEmpty())
        return usageError(QStringLiteral("station programs devices on --port PORT."));
    request.log = parser.value(QStringLiteral("log"));
    bool countValid = true;
    request.count = parser.isSet(QStringLiteral("count"))
                        ? parser.value(QStringLiteral("count")).toInt(&countValid)
                        : 0;
    if (!countValid || request.count < 0 || (parser.isSet(QStringLiteral("count")) && !station))
        return usageError(QStringLiteral("--count N goes with station, N a number of devices."));
    const QString baud = parser.value(QStringLiteral("baud"));
    QStringList rates;
    for (int rate : LineSettings::rates)
        rates.append(QString::number(rate));
    if (!rates.contains(baud))
        return usageError(
            QStringLiteral("the rate must be one of %1.").arg(rates.join(QStringLiteral(", "))));
    const bool verify = parser.isSet(QStringLiteral("verify"));
    if (verify && request.command != Subcommand::Program && !station)
        return usageError(QStringLiteral("--verify goes with program and station."));

    DeviceJob::Task &base = request.base;
    base.baud = baud.toInt();
    base.trace = parser.isSet(QStringLiteral("trace"));
    base.verifyAfter = verify;
    setJobCommand(request);
    return std::nullopt;
}

void CliRunner::setJobCommand(Request &request)
{
    DeviceJob::Task &base = request.base;
    switch (request.command) {
    case Subcommand::Station:
        base.command = DeviceJob::Command::Program;
        base.prefixOutput = true;
        break;
    case Subcommand::Identify:
        base.command = DeviceJob::Command::Identify;
        base.printIdentity = true;
        break;
    case Subcommand::Read:
        base.command = DeviceJob::Command::Read;
        base.outputPath = request.file;
        break;
    case Subcommand::Program:
        base.command = DeviceJob::Command::Program;
        break;
    default:
        base.command = DeviceJob::Command::Verify;
        break;
    }
}

bool CliRunner::canWrite(const QString &path)
{
    // Checked before the device is read, so that a long Read is not lost on a bad target.
    QString problem = SystemFile::notARegularFile(path);
    if (problem.isEmpty() && !SystemFile::canWriteIn(QFileInfo(path).absolutePath()))
        problem = QStringLiteral("its folder cannot be written");
    if (problem.isEmpty())
        return true;
    ConsoleDialogService dialogs(m_output);
    showError(dialogs, ErrorCode::FileSaving,
              QStringLiteral("%1: %2.").arg(QDir::toNativeSeparators(path), problem));
    return false;
}

int CliRunner::runDeviceCommand(Request &request)
{
    if (request.base.command == DeviceJob::Command::Read && !canWrite(request.file))
        return ExitFileError;
    if (request.base.command == DeviceJob::Command::Program ||
        request.base.command == DeviceJob::Command::Verify) {
        // Checked as the Open command would, with its messages.
        TicketProject check;
        ConsoleDialogService dialogs(m_output);
        if (!ProjectCommands(check, dialogs)
                 .openProjectFile(request.file, QFileInfo(request.file).fileName()))
            return ExitFileError;
        QBuffer bytes(&request.base.project);
        bytes.open(QIODevice::WriteOnly);
        ProgrammingFile().write(bytes, check);
    }
    int exitCode = ExitSuccess;
    const std::optional<QList<DeviceJob::Task>> tasks = buildTasks(request, &exitCode);
    if (!tasks)
        return exitCode;
    if (request.command == Subcommand::Station)
        return runStation(request, *tasks);
    const auto jobs = runJobs(*tasks);
    return report(request, *tasks, jobs);
}

std::optional<QList<DeviceJob::Task>> CliRunner::buildTasks(const Request &request, int *exitCode)
{
    QList<DeviceJob::Task> tasks;
    if (!request.simulate.isEmpty()) {
        m_simulation = std::make_unique<SimulatedSession>();
        QString error;
        if (!m_simulation->start(request.simulate, &error)) {
            *exitCode = usageError(QStringLiteral("--simulate: ") + error);
            return std::nullopt;
        }
        if (request.emulateLine)
            m_simulation->server().setLineRate(request.base.baud);
        DeviceJob::Task task = request.base;
        task.label = QStringLiteral("simulated");
        task.systemPort = m_simulation->server().portName();
        tasks.append(task);
        return tasks;
    }
    for (const QString &port : request.ports) {
        DeviceJob::Task task = request.base;
        task.label = port;
        task.systemPort = systemPortFor(port);
        task.prefixOutput = request.ports.size() > 1;
        if (task.systemPort.isEmpty()) {
            m_output.line(
                QStringLiteral("Communication Error!: %1 is bound to no serial device.").arg(port));
            *exitCode = ExitDeviceFailure;
            return std::nullopt;
        }
        tasks.append(task);
    }
    return tasks;
}

namespace
{

// Runs every job in a thread of its own until all have finished; Ctrl-C reaches each through
// its `stop` slot, queued so that the job takes it between two events of its own thread.
template <typename Job>
void runInThreads(const std::vector<std::unique_ptr<Job>> &jobs, void (Job::*stop)(),
                  bool *interrupted = nullptr)
{
    QEventLoop loop;
    InterruptNotifier interrupts;
    if (interrupted)
        QObject::connect(&interrupts, &InterruptNotifier::interrupted, &loop,
                         [interrupted] { *interrupted = true; });
    std::vector<std::unique_ptr<QThread>> threads;
    int running = 0;
    for (const auto &job : jobs) {
        auto thread = std::make_unique<QThread>();
        job->moveToThread(thread.get());
        QObject::connect(thread.get(), &QThread::started, job.get(), &Job::run);
        QObject::connect(job.get(), &Job::finished, thread.get(), &QThread::quit);
        QObject::connect(thread.get(), &QThread::finished, &loop, [&running, &loop] {
            if (--running == 0)
                loop.quit();
        });
        QObject::connect(&interrupts, &InterruptNotifier::interrupted, job.get(), stop,
                         Qt::QueuedConnection);
        threads.push_back(std::move(thread));
        ++running;
    }
    for (auto &thread : threads)
        thread->start();
    loop.exec();
    for (auto &thread : threads)
        thread->wait();
}

} // namespace

std::vector<std::unique_ptr<DeviceJob>> CliRunner::runJobs(const QList<DeviceJob::Task> &tasks)
{
    std::vector<std::unique_ptr<DeviceJob>> jobs;
    for (const DeviceJob::Task &task : tasks)
        jobs.push_back(std::make_unique<DeviceJob>(task, m_output));
    runInThreads(jobs, &DeviceJob::requestCancel);
    m_output.endProgress();
    return jobs;
}

int CliRunner::report(const Request &request, const QList<DeviceJob::Task> &tasks,
                      const std::vector<std::unique_ptr<DeviceJob>> &jobs)
{
    int exitCode = ExitSuccess;
    for (const auto &job : jobs) {
        if (job->exitCode() == ExitInterrupted || exitCode == ExitSuccess)
            exitCode = job->exitCode() == ExitSuccess ? exitCode : job->exitCode();
    }
    QTextStream out(stdout);
    if (jobs.size() > 1) {
        for (std::size_t i = 0; i < jobs.size(); ++i)
            out << tasks.at(int(i)).label << ": " << (jobs[i]->exitCode() == 0 ? "ok" : "FAILED")
                << " (" << jobs[i]->summary() << ")\n";
    } else if (request.command != Subcommand::Identify && !jobs.empty()) {
        out << jobs.front()->summary() << '\n';
    }
    return exitCode;
}

int CliRunner::runStation(const Request &request, const QList<DeviceJob::Task> &tasks)
{
    // The log is opened before the first device, so that a target it cannot be written to stops
    // the station before anything is programmed.
    StationLog log(request.log);
    QString problem;
    if (!log.open(&problem)) {
        ConsoleDialogService dialogs(m_output);
        showError(dialogs, ErrorCode::FileSaving,
                  QStringLiteral("%1: %2.").arg(QDir::toNativeSeparators(request.log), problem));
        return ExitFileError;
    }
    std::atomic<int> claimed{0};
    std::vector<std::unique_ptr<StationJob>> jobs;
    for (const DeviceJob::Task &task : tasks)
        jobs.push_back(std::make_unique<StationJob>(task, log, claimed, request.count, m_output));
    bool interrupted = false;
    runInThreads(jobs, &StationJob::requestStop, &interrupted);
    m_output.endProgress();

    bool anyFailed = false;
    for (const auto &job : jobs) {
        m_output.result(QStringLiteral("%1: %2 programmed, %3 failed")
                            .arg(job->label())
                            .arg(job->programmed())
                            .arg(job->failed()));
        anyFailed |= job->failed() > 0;
    }
    if (log.failed()) {
        m_output.line(QStringLiteral("zvticket-cli: the station stopped: the log %1 could not be "
                                     "written: %2")
                          .arg(QDir::toNativeSeparators(request.log), log.failure()));
        return ExitFileError;
    }
    return interrupted ? ExitInterrupted : anyFailed ? ExitDeviceFailure : ExitSuccess;
}

int CliRunner::listPorts(bool json)
{
    SettingsStore store;
    const PortBinding binding(store);
    const QList<PortList::Port> ports = PortList::collect(binding);
    QTextStream out(stdout);
    if (json)
        out << QString::fromUtf8(PortList::toJson(ports));
    else
        out << PortList::toText(ports);
    return ExitSuccess;
}

int CliRunner::info(const QString &path)
{
    TicketProject project;
    ConsoleDialogService dialogs(m_output);
    if (!ProjectCommands(project, dialogs).openProjectFile(path, QFileInfo(path).fileName()))
        return ExitFileError;
    QTextStream out(stdout);
    for (int n = 1; n <= TicketProject::slotCount; ++n)
        out << TicketProject::slotName(n) << ": " << project.byteCount(n) << '\n';
    out << "space required: " << project.spaceRequired() << '\n';
    return ExitSuccess;
}

int CliRunner::pack(const QString &path, const QStringList &slotFiles)
{
    TicketProject project;
    ConsoleDialogService dialogs(m_output);
    ProjectCommands commands(project, dialogs);
    for (int n = 1; n <= TicketProject::slotCount; ++n) {
        const QString slotFile = slotFiles.at(n - 1);
        if (!slotFile.isEmpty() && !commands.addTicketFile(n, slotFile))
            return ExitFileError;
    }
    return commands.writeProgrammingFile(path) ? ExitSuccess : ExitFileError;
}
