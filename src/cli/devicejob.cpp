#include "devicejob.h"

#include "bytetext.h"
#include "consoledialogservice.h"
#include "consoleoutput.h"
#include "deviceconnection.h"
#include "devicelink.h"
#include "deviceprogrammer.h"
#include "devicereader.h"
#include "devicesession.h"
#include "exitcode.h"
#include "operatortexts.h"
#include "programmedimage.h"
#include "programmingfile.h"
#include "projectcommands.h"
#include "ticketproject.h"

#include <QBuffer>
#include <QTextStream>

DeviceJob::DeviceJob(Task task, ConsoleOutput &output) : m_task(std::move(task)), m_output(output)
{
}

void DeviceJob::line(const QString &text)
{
    m_output.line(m_task.prefixOutput ? m_task.label + QStringLiteral(": ") + text : text);
}

void DeviceJob::requestCancel()
{
    m_interrupted = true;
    if (m_session)
        m_session->abort();
}

void DeviceJob::run()
{
    ConsoleDialogService dialogs(m_output, m_task.prefixOutput ? m_task.label + QStringLiteral(": ")
                                                               : QString());
    DeviceLink link;
    DeviceSession session(link, dialogs);
    m_session = &session;
    m_exitCode = execute(session);
    link.close();
    m_session = nullptr;
    emit finished();
}

void DeviceJob::watch(DeviceSession &session)
{
    DeviceLink &link = session.link();
    if (m_task.trace) {
        // Once per run: whether the adapter passes replies on at once.
        connect(&link, &DeviceLink::portOpened, this, [this, &link] {
            if (!m_adapterNoted && !link.adapterNote().isEmpty())
                line(link.adapterNote());
            m_adapterNoted = true;
        });
        connect(&link, &DeviceLink::commandSent, this, [this](const QByteArray &bytes) {
            line(QStringLiteral("> ") + escapedBytes(bytes));
        });
        connect(&link, &DeviceLink::replyCompleted, this, [this](const QByteArray &bytes) {
            line(QStringLiteral("< ") + escapedBytes(bytes));
        });
    }
    connect(&session, &DeviceSession::progressChanged, this,
            [this](const TransferProgress &progress) {
                if (progress.running())
                    m_output.progress(m_task.prefixOutput ? m_task.label : QString(),
                                      OperatorTexts::transferProgress(progress), progress.done,
                                      progress.total);
            });
}

int DeviceJob::execute(DeviceSession &session)
{
    watch(session);
    DeviceLink &link = session.link();
    link.setPortName(m_task.systemPort);
    link.setLineSettings({m_task.baud, LineSettings::Parity::None, 8, 1});

    const int identified = identify(session);
    if (identified != ExitSuccess || m_task.command == Command::Identify)
        return identified;

    int result = ExitSuccess;
    switch (m_task.command) {
    case Command::Identify:
        break;
    case Command::Program:
        result = program(session);
        break;
    case Command::Verify: {
        TicketProject project;
        result = loadProject(session, project) ? verify(session, project) : ExitFileError;
        break;
    }
    case Command::Read:
        result = read(session);
        break;
    }
    if (result == ExitSuccess && m_interrupted)
        return ExitInterrupted;
    return result;
}

int DeviceJob::identify(DeviceSession &session)
{
    DeviceConnection(session).toggle();
    const DeviceIdentity identity = session.identity();
    m_identity = identity;
    const bool unknown = identity.parse == DeviceIdentity::Parse::UnknownModel;
    if (!session.isConnected()) {
        m_summary = unknown ? QStringLiteral("unknown device") : QStringLiteral("not identified");
        if (m_task.printIdentity && unknown)
            QTextStream(stdout) << "model: UNKNOWN\n";
        return m_interrupted ? ExitInterrupted : ExitDeviceFailure;
    }
    if (m_task.printIdentity) {
        QTextStream out(stdout);
        out << "model: " << ConsoleOutput::printable(identity.model) << '\n'
            << "version: " << ConsoleOutput::printable(identity.version) << '\n'
            << "application: " << ConsoleOutput::printable(identity.application) << '\n'
            << "space: " << identity.space << '\n';
    }
    m_summary = identity.model + QLatin1Char(' ') + identity.version;
    return m_interrupted ? ExitInterrupted : ExitSuccess;
}

bool DeviceJob::loadProject(DeviceSession &session, TicketProject &project)
{
    // Checked by the front end before any device was touched; read again here for this thread.
    QBuffer file(&m_task.project);
    file.open(QIODevice::ReadOnly);
    ProgrammingFile reader;
    if (reader.read(file, project))
        return true;
    showError(session.dialogs(), ErrorCode::FileOpening, reader.errorString());
    return false;
}

int DeviceJob::program(DeviceSession &session)
{
    TicketProject project;
    if (!loadProject(session, project))
        return ExitFileError;
    const TransferResult result = DeviceProgrammer(project, session).run();
    m_output.endProgress();
    m_summary = result.succeeded() || result.outcome == TransferResult::Outcome::Cancelled
                    ? OperatorTexts::transferResult(result)
                    : QStringLiteral("failed");
    switch (result.outcome) {
    case TransferResult::Outcome::Programmed:
        return m_task.verifyAfter ? verify(session, project) : ExitSuccess;
    case TransferResult::Outcome::Refused:
        m_summary = QStringLiteral("does not fit");
        return ExitDoesNotFit;
    case TransferResult::Outcome::Cancelled:
        return ExitInterrupted;
    case TransferResult::Outcome::Read:
    case TransferResult::Outcome::Failed:
    case TransferResult::Outcome::NoDevice:
        break;
    }
    return ExitDeviceFailure;
}

int DeviceJob::read(DeviceSession &session)
{
    TicketProject project;
    const TransferResult result = DeviceReader(project, session).run();
    m_output.endProgress();
    if (result.outcome == TransferResult::Outcome::Cancelled) {
        m_summary = OperatorTexts::transferResult(result);
        return ExitInterrupted;
    }
    if (!result.succeeded()) {
        m_summary = QStringLiteral("failed");
        return ExitDeviceFailure;
    }
    if (!ProjectCommands(project, session.dialogs()).writeProgrammingFile(m_task.outputPath)) {
        m_summary = QStringLiteral("could not write %1").arg(m_task.outputPath);
        return ExitFileError;
    }
    m_summary = OperatorTexts::transferResult(result);
    return ExitSuccess;
}

int DeviceJob::verify(DeviceSession &session, TicketProject &programmed)
{
    const ProgrammedImage::Slots expected =
        ProgrammedImage::expected(programmed, session.identity().truckApplication());
    TicketProject readBack;
    const TransferResult result = DeviceReader(readBack, session).run();
    m_output.endProgress();
    if (result.outcome == TransferResult::Outcome::Cancelled) {
        m_summary = QStringLiteral("verify interrupted");
        return ExitInterrupted;
    }
    if (!result.succeeded()) {
        m_summary = QStringLiteral("verify failed: the device could not be read");
        return ExitDeviceFailure;
    }
    const QList<ProgrammedImage::Difference> differences =
        ProgrammedImage::compare(expected, readBack);
    if (!differences.isEmpty()) {
        QStringList slotTexts;
        for (const ProgrammedImage::Difference &difference : differences) {
            const QString name = TicketProject::slotName(difference.slot);
            slotTexts << (readBack.contents(difference.slot).isEmpty()
                              ? QStringLiteral("slot %1 could not be read back").arg(name)
                              : QStringLiteral("slot %1 differs at byte offset %2")
                                    .arg(name)
                                    .arg(difference.offset));
        }
        m_summary = QStringLiteral("verify failed: ") + slotTexts.join(QStringLiteral("; "));
        line(QStringLiteral("Verify error!: ") + m_summary);
        return ExitDeviceFailure;
    }
    m_summary = m_task.command == Command::Verify ? QStringLiteral("Tickets Verified")
                                                  : QStringLiteral("Tickets Programmed, verified");
    return ExitSuccess;
}
