#include "clirunner.h"

#include "consoledialogservice.h"
#include "consoleoutput.h"
#include "devicejob.h"
#include "exitcode.h"
#include "interruptnotifier.h"
#include "portbinding.h"
#include "programmingfile.h"
#include "projectcommands.h"
#include "ptydeviceserver.h"
#include "settingsstore.h"
#include "simulateddevice.h"
#include "ticketproject.h"

#include <QCommandLineParser>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>
#include <QThread>
#include <memory>

namespace
{

const QStringList rates = {QStringLiteral("1200"), QStringLiteral("2400"), QStringLiteral("4800"),
                           QStringLiteral("9600"), QStringLiteral("19200")};

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
        "\n"
        "Options:\n"
        "  --port PORT        COM1..COM4 as the settings bind them, or a device path\n"
        "                     (/dev/ttyUSB0, a pseudo-terminal). Repeat it to program several\n"
        "                     devices at once.\n"
        "  --simulate MODEL[:APP]  Use the built-in simulated device: MODEL zorla-old, zorla or\n"
        "                     velmar; APP none, industrial (default) or truck.\n"
        "  --emulate-line     With --simulate: the simulated line takes as long as a real one.\n"
        "  --baud RATE        1200, 2400, 4800, 9600 (default) or 19200; 8 data bits, no parity,\n"
        "                     1 stop bit.\n"
        "  --verify           After program: read the device back and compare.\n"
        "  --trace            Writes every command and reply to standard error.\n"
        "  --T/--H/--B/--F/--P1/--P2 FILE   With pack: the print file of that ticket slot.\n"
        "\n"
        "Exit status: 0 success, 1 device or communication failure, 2 usage, 3 file error,\n"
        "4 project does not fit, 130 interrupted.\n");
}

int CliRunner::run(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption portOption(QStringLiteral("port"), QString(), QStringLiteral("PORT"));
    const QCommandLineOption simulateOption(QStringLiteral("simulate"), QString(),
                                            QStringLiteral("MODEL"));
    const QCommandLineOption baudOption(QStringLiteral("baud"), QString(), QStringLiteral("RATE"),
                                        QStringLiteral("9600"));
    const QCommandLineOption verifyOption(QStringLiteral("verify"));
    const QCommandLineOption traceOption(QStringLiteral("trace"));
    const QCommandLineOption emulateOption(QStringLiteral("emulate-line"));
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOptions({portOption, simulateOption, baudOption, verifyOption, traceOption,
                       emulateOption, helpOption});
    QList<QCommandLineOption> slotOptions;
    for (int n = 1; n <= TicketProject::SlotCount; ++n) {
        slotOptions.append(
            QCommandLineOption(TicketProject::slotName(n), QString(), QStringLiteral("FILE")));
        parser.addOption(slotOptions.last());
    }

    auto usageError = [this](const QString &text) {
        m_output.line(QStringLiteral("zvticket-cli: ") + text);
        m_output.line(QStringLiteral("Try 'zvticket-cli --help'."));
        return ExitUsage;
    };

    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(helpOption)) {
        QTextStream(stdout) << usage();
        return ExitSuccess;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return usageError(QStringLiteral("no command given."));
    const QString command = positional.first();
    const QStringList commandsWithFile = {QStringLiteral("program"), QStringLiteral("read"),
                                          QStringLiteral("verify"), QStringLiteral("pack"),
                                          QStringLiteral("info")};
    const bool needsFile = commandsWithFile.contains(command);
    if (command != QStringLiteral("identify") && !needsFile)
        return usageError(QStringLiteral("unknown command '%1'.").arg(command));
    if (positional.size() != (needsFile ? 2 : 1))
        return usageError(needsFile ? QStringLiteral("%1 takes one FILE.dat.").arg(command)
                                    : QStringLiteral("identify takes no file."));
    const QString file = needsFile ? positional.at(1) : QString();

    if (command == QStringLiteral("info"))
        return info(file);
    if (command == QStringLiteral("pack")) {
        QStringList slotFiles;
        for (const QCommandLineOption &option : slotOptions)
            slotFiles.append(parser.value(option));
        return pack(file, slotFiles);
    }

    // The device commands.
    const QStringList ports = parser.values(portOption);
    const bool simulate = parser.isSet(simulateOption);
    if (ports.isEmpty() == !simulate)
        return usageError(QStringLiteral("give either --port PORT or --simulate MODEL[:APP]."));
    if (ports.size() > 1 && command != QStringLiteral("program"))
        return usageError(QStringLiteral("only program takes several --port."));
    const QString baud = parser.value(baudOption);
    if (!rates.contains(baud))
        return usageError(
            QStringLiteral("the rate must be one of %1.").arg(rates.join(QStringLiteral(", "))));
    if (parser.isSet(verifyOption) && command != QStringLiteral("program"))
        return usageError(QStringLiteral("--verify goes with program."));

    DeviceJob::Task base;
    base.baud = baud.toInt();
    base.trace = parser.isSet(traceOption);
    base.verifyAfter = parser.isSet(verifyOption);
    if (command == QStringLiteral("identify")) {
        base.command = DeviceJob::Command::Identify;
        base.printIdentity = true;
    } else if (command == QStringLiteral("read")) {
        base.command = DeviceJob::Command::Read;
        base.outputPath = file;
    } else {
        base.command = command == QStringLiteral("program") ? DeviceJob::Command::Program
                                                            : DeviceJob::Command::Verify;
        // Checked as the Open command would, with its messages.
        TicketProject check;
        ConsoleDialogService dialogs(m_output);
        if (!ProjectCommands(check, dialogs).openProjectFile(file, QFileInfo(file).fileName()))
            return ExitFileError;
        base.project = ProgrammingFile::serialize(check);
    }

    std::unique_ptr<PtyDeviceServer> simulator;
    QList<DeviceJob::Task> tasks;
    if (simulate) {
        const auto model = SimulatedDevice::parseModel(parser.value(simulateOption));
        if (!model)
            return usageError(QStringLiteral("unknown simulated device '%1'; use zorla-old, zorla "
                                             "or velmar, with :none, :industrial or :truck.")
                                  .arg(parser.value(simulateOption)));
        simulator = std::make_unique<PtyDeviceServer>(model->first, model->second);
        QString error;
        if (!simulator->start(&error)) {
            m_output.line(QStringLiteral("Communication Error!: ") + error);
            return ExitDeviceFailure;
        }
        if (parser.isSet(emulateOption))
            simulator->setLineRate(base.baud);
        DeviceJob::Task task = base;
        task.label = QStringLiteral("simulated");
        task.systemPort = simulator->slavePath();
        tasks.append(task);
    } else {
        for (const QString &port : ports) {
            DeviceJob::Task task = base;
            task.label = port;
            task.systemPort = systemPortFor(port);
            task.prefixOutput = ports.size() > 1;
            if (task.systemPort.isEmpty()) {
                m_output.line(QStringLiteral("Communication Error!: %1 is bound to no serial "
                                             "device.")
                                  .arg(port));
                return ExitDeviceFailure;
            }
            tasks.append(task);
        }
    }

    // Every device gets a link of its own in a thread of its own.
    QEventLoop loop;
    InterruptNotifier interrupts;
    std::vector<std::unique_ptr<DeviceJob>> jobs;
    std::vector<std::unique_ptr<QThread>> threads;
    int running = 0;
    for (const DeviceJob::Task &task : tasks) {
        auto job = std::make_unique<DeviceJob>(task, m_output);
        auto thread = std::make_unique<QThread>();
        job->moveToThread(thread.get());
        QObject::connect(thread.get(), &QThread::started, job.get(), &DeviceJob::run);
        QObject::connect(job.get(), &DeviceJob::finished, thread.get(), &QThread::quit);
        QObject::connect(thread.get(), &QThread::finished, &loop, [&running, &loop] {
            if (--running == 0)
                loop.quit();
        });
        // Queued: the job takes the request between two events of its own thread.
        QObject::connect(&interrupts, &InterruptNotifier::interrupted, job.get(),
                         &DeviceJob::requestCancel, Qt::QueuedConnection);
        jobs.push_back(std::move(job));
        threads.push_back(std::move(thread));
        ++running;
    }
    for (auto &thread : threads)
        thread->start();
    loop.exec();
    for (auto &thread : threads)
        thread->wait();
    m_output.endProgress();

    int exitCode = ExitSuccess;
    for (const auto &job : jobs) {
        if (job->exitCode() == ExitInterrupted || exitCode == ExitSuccess)
            exitCode = job->exitCode() == ExitSuccess ? exitCode : job->exitCode();
    }
    if (jobs.size() > 1) {
        QTextStream out(stdout);
        for (std::size_t i = 0; i < jobs.size(); ++i)
            out << tasks.at(int(i)).label << ": " << (jobs[i]->exitCode() == 0 ? "ok" : "FAILED")
                << " (" << jobs[i]->summary() << ")\n";
    } else if (command != QStringLiteral("identify") && !jobs.empty()) {
        QTextStream(stdout) << jobs.front()->summary() << '\n';
    }
    return exitCode;
}

int CliRunner::info(const QString &path)
{
    TicketProject project;
    ConsoleDialogService dialogs(m_output);
    if (!ProjectCommands(project, dialogs).openProjectFile(path, QFileInfo(path).fileName()))
        return ExitFileError;
    QTextStream out(stdout);
    for (int n = 1; n <= TicketProject::SlotCount; ++n)
        out << TicketProject::slotName(n) << ": " << project.slot(n).byteCount << '\n';
    out << "space required: " << project.spaceRequired() << '\n';
    return ExitSuccess;
}

int CliRunner::pack(const QString &path, const QStringList &slotFiles)
{
    TicketProject project;
    ConsoleDialogService dialogs(m_output);
    ProjectCommands commands(project, dialogs);
    for (int n = 1; n <= TicketProject::SlotCount; ++n) {
        const QString slotFile = slotFiles.at(n - 1);
        if (!slotFile.isEmpty() && !commands.addTicketFile(n, slotFile))
            return ExitFileError;
    }
    return commands.WriteProgrammingFile(path) ? ExitSuccess : ExitFileError;
}
