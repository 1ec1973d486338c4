#pragma once

#include "devicejob.h"

#include <QObject>
#include <atomic>

class ConsoleOutput;
class DeviceLink;
class StationLog;

// One port of the production station: waits quietly for a device to answer, programs (and
// verifies) it, records it, waits until it stops answering, and takes the next one, until the
// station has programmed its count of devices or is stopped. Lives in a thread of its own.
class StationJob : public QObject
{
    Q_OBJECT
public:
    // `claimed` counts the devices taken by all ports together; count 0 means no limit.
    StationJob(DeviceJob::Task task, StationLog &log, std::atomic<int> &claimed, int count,
               ConsoleOutput &output);

    int programmed() const { return m_programmed; }
    int failed() const { return m_failed; }
    QString label() const { return m_task.label; }

public slots:
    void run();
    // Ctrl-C: ends the wait or the run in progress at once.
    void requestStop();

signals:
    void finished();

private:
    bool countReached() const;
    bool ended() const;
    bool waitForDevice(DeviceLink &link);
    bool waitForUnplug(DeviceLink &link);
    bool answers(DeviceLink &link);
    bool pause(int ms);
    void programOne();
    void record(const DeviceJob &job, double seconds);

    DeviceJob::Task m_task;
    StationLog &m_log;
    std::atomic<int> &m_claimed;
    int m_count;
    ConsoleOutput &m_output;
    DeviceJob *m_current = nullptr;
    class QEventLoop *m_pause = nullptr;
    DeviceLink *m_link = nullptr;
    bool m_stopped = false;
    int m_programmed = 0;
    int m_failed = 0;
};
