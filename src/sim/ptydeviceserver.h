#pragma once

#include "deviceserver.h"
#include "pty.h"
#include "replyschedule.h"
#include "replytimer.h"
#include "simulateddevice.h"

#include <memory>

class QSocketNotifier;

// Serves a SimulatedDevice on the master end of a pseudo-terminal: whatever opens the slave path
// as a serial port talks to the device. Carries out the reply delays, chunked replies and line
// drops that the device's faults ask for, and can emulate the time characters take on the line.
// A line drop closes the master end, and the server stops.
class PtyDeviceServer : public DeviceServer
{
    Q_OBJECT
public:
    PtyDeviceServer(SimulatedDevice::Model model, SimulatedDevice::Application application,
                    QObject *parent = nullptr);
    ~PtyDeviceServer() override;

    bool start(QString *error = nullptr) override;
    void stop() override;
    bool isRunning() const override { return m_pty.isOpen(); }
    QString slavePath() const { return m_slavePath; }
    QString portName() const override { return m_slavePath; }
    SimulatedDevice &device() override { return *m_device; }

    void setLineRate(int bitsPerSecond) override { m_schedule.setLineRate(bitsPerSecond); }
    int lineRate() const { return m_schedule.lineRate(); }
    // The rate whoever opened the slave end has set on the line (the pseudo-terminal's
    // termios); 0 when the server is stopped or the rate is not a standard one.
    int configuredRate() const;

signals:
    // Timing points for measuring how quickly the other end answers: the last pending byte of
    // the device's output has been written to the line, and bytes from the line have been read
    // (emitted once per wake-up, before the device sees them).
    void outputDrained();
    void inputRead();

private:
    void readFromLine();
    void transmitDue();
    void flush();
    void dropLine();

    SimulatedDevice *m_device;
    Pty m_pty;
    QString m_slavePath;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    std::unique_ptr<QSocketNotifier> m_writeNotifier;
    // Wakes the server when the next reply is due, to the microsecond: a QTimer counts whole
    // milliseconds, which would make every emulated reply up to a millisecond late.
    ReplyTimer m_transmitTimer{this};
    ReplySchedule m_schedule;
    QByteArray m_outgoing;
};
