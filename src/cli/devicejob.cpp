#include "devicejob.h"

#include "bytetext.h"
#include "consoledialogservice.h"
#include "consoleoutput.h"
#include "deviceconnection.h"
#include "deviceprogrammer.h"
#include "devicereader.h"
#include "devicestatus.h"
#include "errors.h"
#include "exitcode.h"
#include "programmedimage.h"
#include "programmingfile.h"
#include "projectcommands.h"
#include "seriallink.h"
#include "ticketproject.h"

#include <QTextStream>

DeviceJob::DeviceJob(Task task, ConsoleOutput &output) : m_task(std::move(task)), m_output(output)
{
}

void DeviceJob::line(const QString &text)
{
    m_output.line(m_task.prefixOutput ? m_task.label + QStringLiteral(": ") + text : text);
}

bool DeviceJob::isProgressText(const QString &text)
{
    return text.startsWith(DeviceProgrammer::progressWord()) ||
           text.startsWith(DeviceReader::progressWord());
}

void DeviceJob::requestCancel()
{
    m_interrupted = true;
    if (m_link)
        m_link->setCancelRequested(true);
}

void DeviceJob::run()
{
    ConsoleDialogService dialogs(m_output, m_task.prefixOutput ? m_task.label + QStringLiteral(": ")
                                                               : QString());
    SerialLink link(dialogs);
    DeviceStatus status;
    m_link = &link;
    m_exitCode = execute(dialogs, link, status);
    link.close();
    m_link = nullptr;
    emit finished();
}

int DeviceJob::execute(DialogService &dialogs, SerialLink &link, DeviceStatus &status)
{
    if (m_task.trace) {
        connect(&link, &SerialLink::commandSent, this, [this](const QByteArray &bytes) {
            line(QStringLiteral("> ") + escapedBytes(bytes));
        });
        connect(&link, &SerialLink::replyCompleted, this, [this](const QByteArray &bytes) {
            line(QStringLiteral("< ") + escapedBytes(bytes));
        });
    }
    // Only the working texts: the closing one ("Tickets Programmed") is the summary on stdout.
    connect(&status, &DeviceStatus::changed, this, [this, &status] {
        if (status.busy() && isProgressText(status.statusText(4)))
            m_output.progress(m_task.prefixOutput ? m_task.label : QString(), status.statusText(4),
                              status.progressValue(), status.progressMaximum());
    });

    link.setPortName(m_task.systemPort);
    if (!link.setSettings(QString::number(m_task.baud) + QStringLiteral(",n,8,1"))) {
        ShowError(dialogs, 3, QStringLiteral("The rate %1 bps is not supported.").arg(m_task.baud));
        m_summary = QStringLiteral("bad line settings");
        return ExitUsage;
    }

    DeviceConnection connection(link, status, dialogs);
    connection.toggle();
    if (!connection.Connected()) {
        m_summary = status.statusText(1) == QStringLiteral("UNKNOWN")
                        ? QStringLiteral("unknown device")
                        : QStringLiteral("not identified");
        if (m_task.printIdentity && status.statusText(1) == QStringLiteral("UNKNOWN"))
            QTextStream(stdout) << "model: UNKNOWN\n";
        return m_interrupted ? ExitInterrupted : ExitDeviceFailure;
    }
    const DeviceIdentity identity = connection.identity();
    if (m_task.printIdentity) {
        QTextStream out(stdout);
        out << "model: " << identity.model << '\n'
            << "version: " << identity.version << '\n'
            << "application: " << status.statusText(3) << '\n'
            << "space: " << identity.space << '\n';
    }
    if (m_interrupted)
        return ExitInterrupted;

    TicketProject project;
    ProjectCommands commands(project, dialogs);
    int result = ExitSuccess;
    switch (m_task.command) {
    case Command::Identify:
        m_summary = identity.model + QLatin1Char(' ') + identity.version;
        break;
    case Command::Program: {
        QString damage;
        ProgrammingFile::deserialize(m_task.project, project, &damage);
        const DeviceProgrammer::Outcome outcome =
            DeviceProgrammer(project, link, status, connection, dialogs).run();
        m_output.endProgress();
        m_summary =
            status.statusText(4).isEmpty() ? QStringLiteral("failed") : status.statusText(4);
        if (outcome == DeviceProgrammer::Outcome::Refused) {
            m_summary = QStringLiteral("does not fit");
            return ExitDoesNotFit;
        }
        if (outcome == DeviceProgrammer::Outcome::Cancelled)
            return ExitInterrupted;
        if (outcome != DeviceProgrammer::Outcome::Programmed)
            return ExitDeviceFailure;
        if (m_task.verifyAfter)
            result = verify(dialogs, project, link, status, connection);
        break;
    }
    case Command::Verify: {
        QString damage;
        ProgrammingFile::deserialize(m_task.project, project, &damage);
        result = verify(dialogs, project, link, status, connection);
        break;
    }
    case Command::Read: {
        const DeviceReader::Outcome outcome =
            DeviceReader(project, link, status, connection, dialogs, commands).run();
        m_output.endProgress();
        if (outcome == DeviceReader::Outcome::Cancelled) {
            m_summary = status.statusText(4);
            return ExitInterrupted;
        }
        if (outcome != DeviceReader::Outcome::Readed) {
            m_summary = QStringLiteral("failed");
            return ExitDeviceFailure;
        }
        if (!commands.WriteProgrammingFile(m_task.outputPath)) {
            m_summary = QStringLiteral("could not write %1").arg(m_task.outputPath);
            return ExitFileError;
        }
        m_summary = status.statusText(4);
        break;
    }
    }
    if (result == ExitSuccess && m_interrupted)
        return ExitInterrupted;
    return result;
}

int DeviceJob::verify(DialogService &dialogs, TicketProject &programmed, SerialLink &link,
                      DeviceStatus &status, DeviceConnection &connection)
{
    const ProgrammedImage::Slots expected =
        ProgrammedImage::expected(programmed, link.DeviceClass(), status.truckVisible());
    TicketProject readBack;
    ProjectCommands commands(readBack, dialogs);
    const DeviceReader::Outcome outcome =
        DeviceReader(readBack, link, status, connection, dialogs, commands).run();
    m_output.endProgress();
    if (outcome == DeviceReader::Outcome::Cancelled) {
        m_summary = QStringLiteral("verify interrupted");
        return ExitInterrupted;
    }
    if (outcome != DeviceReader::Outcome::Readed) {
        m_summary = QStringLiteral("verify failed: the device could not be read");
        return ExitDeviceFailure;
    }
    const ProgrammedImage::Difference difference = ProgrammedImage::compare(expected, readBack);
    if (difference.slot != 0) {
        m_summary = QStringLiteral("verify failed: slot %1 differs at byte offset %2")
                        .arg(TicketProject::slotName(difference.slot))
                        .arg(difference.offset);
        line(QStringLiteral("Verify error!: ") + m_summary);
        return ExitDeviceFailure;
    }
    m_summary = m_task.command == Command::Verify ? QStringLiteral("Tickets Verified")
                                                  : QStringLiteral("Tickets Programmed, verified");
    return ExitSuccess;
}
