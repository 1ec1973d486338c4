#include "stationjob.h"

#include "consoleoutput.h"
#include "deviceconnection.h"
#include "devicelink.h"
#include "exitcode.h"
#include "programmingfile.h"
#include "stationlog.h"
#include "ticketproject.h"

#include <QBuffer>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace
{
constexpr int PollIntervalMs = 1000;
// Polls wait a quarter of the usual reply time-out: a device that is there answers at once.
constexpr double PollTimeoutScale = 0.25;
} // namespace

StationJob::StationJob(DeviceJob::Task task, StationLog &log, std::atomic<int> &claimed, int count,
                       ConsoleOutput &output)
    : m_task(std::move(task)), m_log(log), m_claimed(claimed), m_count(count), m_output(output)
{
}

void StationJob::requestStop()
{
    m_stopped = true;
    if (m_current)
        m_current->requestCancel();
    if (m_link)
        m_link->abort();
    if (m_pause)
        m_pause->quit();
}

bool StationJob::countReached() const
{
    return m_count > 0 && m_claimed.load() >= m_count;
}

// No more devices are taken: the count is reached or the log can no longer be written.
bool StationJob::ended() const
{
    return countReached() || m_log.failed();
}

void StationJob::run()
{
    DeviceLink link;
    m_link = &link;
    link.setPortName(m_task.systemPort);
    link.setLineSettings({m_task.baud, LineSettings::Parity::None, 8, 1});
    link.setTimeoutScale(PollTimeoutScale);
    while (!m_stopped && waitForDevice(link)) {
        link.close();
        programOne();
        // At the count the station ends, whether or not the device is still plugged in.
        if (ended() || !waitForUnplug(link))
            break;
    }
    link.close();
    m_link = nullptr;
    emit finished();
}

bool StationJob::pause(int ms)
{
    if (m_stopped)
        return false;
    QEventLoop loop;
    m_pause = &loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    m_pause = nullptr;
    return !m_stopped;
}

bool StationJob::answers(DeviceLink &link)
{
    if (!link.isOpen() && !link.open())
        return false;
    return link.exchange(QByteArray(DeviceConnection::identificationCommand), 1).answered();
}

bool StationJob::waitForDevice(DeviceLink &link)
{
    while (!m_stopped && !ended()) {
        if (answers(link)) {
            // Taken only while the station still wants devices.
            if (m_count > 0 && m_claimed.fetch_add(1) >= m_count)
                return false;
            return true;
        }
        if (!pause(PollIntervalMs))
            return false;
    }
    return false;
}

bool StationJob::waitForUnplug(DeviceLink &link)
{
    while (!m_stopped && !ended()) {
        if (!answers(link))
            return !ended();
        if (!pause(PollIntervalMs))
            return false;
    }
    return false;
}

void StationJob::programOne()
{
    DeviceJob job(m_task, m_output);
    m_current = &job;
    QElapsedTimer clock;
    clock.start();
    job.run();
    m_current = nullptr;
    record(job, clock.elapsed() / 1000.0);
}

void StationJob::record(const DeviceJob &job, double seconds)
{
    const bool ok = job.exitCode() == ExitSuccess;
    (ok ? m_programmed : m_failed) += 1;
    QBuffer file(&m_task.project);
    TicketProject project;
    file.open(QIODevice::ReadOnly);
    ProgrammingFile().read(file, project);

    StationLog::Entry entry;
    entry.time = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    entry.port = m_task.label;
    // The device's own texts, with its control characters shown rather than sent to the console.
    entry.model = ConsoleOutput::printable(job.identity().model);
    entry.version = ConsoleOutput::printable(job.identity().version);
    entry.application = ConsoleOutput::printable(job.identity().application);
    entry.ok = ok;
    entry.seconds = seconds;
    entry.bytes = project.spaceRequired();
    entry.message = ok ? QString() : job.summary();
    QString error;
    if (!m_log.append(entry, &error))
        m_output.line(QStringLiteral("%1: the log could not be written, so the station takes no "
                                     "more devices: %2")
                          .arg(entry.port, error));
    m_output.result(QStringLiteral("%1: %2 %3 %4 (%5 s)%6")
                        .arg(entry.port, ok ? QStringLiteral("ok") : QStringLiteral("FAILED"),
                             entry.model, entry.version, QString::number(seconds, 'f', 1),
                             ok ? QString() : QStringLiteral(": ") + entry.message));
}
