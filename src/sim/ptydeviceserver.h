#pragma once

#include "pty.h"
#include "simulateddevice.h"

#include <QElapsedTimer>
#include <QObject>
#include <QQueue>
#include <memory>

class QSocketNotifier;

// Serves a SimulatedDevice on the master end of a pseudo-terminal: whatever opens the slave path
// as a serial port talks to the device. Carries out the reply delays, chunked replies and line
// drops that the device's faults ask for, and can emulate the time characters take on the line.
class PtyDeviceServer : public QObject
{
    Q_OBJECT
public:
    PtyDeviceServer(SimulatedDevice::Model model, SimulatedDevice::Application application,
                    QObject *parent = nullptr);
    ~PtyDeviceServer() override;

    bool start(QString *error = nullptr);
    void stop();
    bool isRunning() const { return m_pty.isOpen(); }
    QString slavePath() const { return m_slavePath; }
    SimulatedDevice &device() { return *m_device; }

    // Line-rate emulation: every character costs 10 bit times at `bitsPerSecond`, in both
    // directions; a command is answered only once its last character would have arrived, and a
    // reply goes out once all of its characters would have been sent. 0 switches it off.
    void setLineRate(int bitsPerSecond);
    int lineRate() const { return m_lineRate; }
    // The rate whoever opened the slave end has set on the line (the pseudo-terminal's
    // termios); 0 when the server is stopped or the rate is not a standard one.
    int configuredRate() const;

signals:
    // The line was dropped on the device's request; the server has stopped.
    void lineDropped();
    // Timing points for measuring how quickly the other end answers: the last pending byte of
    // the device's output has been written to the line, and bytes from the line have been read
    // (emitted once per wake-up, before the device sees them).
    void outputDrained();
    void inputRead();

private:
    struct Transmission {
        qint64 dueNs;
        QByteArray bytes;
        bool dropLine = false;
    };

    void readFromLine();
    void schedule(const SimulatedDevice::Reply &reply, qint64 readyNs);
    void transmitDue();
    void flush();
    void dropLine();
    qint64 byteNs() const;

    SimulatedDevice *m_device;
    Pty m_pty;
    QString m_slavePath;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    std::unique_ptr<QSocketNotifier> m_writeNotifier;
    void armTransmitTimer(qint64 waitNs); // 0 disarms

    void transmitTimerExpired();

    QElapsedTimer m_clock;
    // Wakes the server when the next reply is due, to the microsecond: a QTimer counts whole
    // milliseconds, which would make every emulated reply up to a millisecond late.
    int m_transmitTimerFd = -1;
    bool m_transmitTimerArmed = false;
    std::unique_ptr<QSocketNotifier> m_transmitTimerNotifier;
    QQueue<Transmission> m_queue;
    QByteArray m_outgoing;
    int m_lineRate = 0;
    qint64 m_rxFreeNs = 0; // when the line towards the device is idle again
    qint64 m_txFreeNs = 0; // when the line from the device is idle again
};
