#pragma once

#include "simulateddevice.h"

#include <QList>
#include <QQueue>
#include <optional>

// When the simulated device's replies go out on the line: each once its command's last character
// has arrived and the reply before it has left, later by the delay its faults ask for, in the
// chunks they ask for, or as a line drop; optionally as slowly as characters travel on a line at
// a given rate. Whoever serves the device reads the line, writes the replies and keeps the timer.
class ReplySchedule
{
public:
    // One write to the line, or the line drop.
    struct Transmission {
        qint64 dueNs;
        QByteArray bytes;
        bool dropLine = false;
    };

    ReplySchedule();

    // Line-rate emulation: every character costs 10 bit times at `bitsPerSecond`, in both
    // directions; a command is answered only once its last character would have arrived, and a
    // reply goes out once all of its characters would have been sent. 0 switches it off.
    void setLineRate(int bitsPerSecond);
    int lineRate() const { return m_lineRate; }

    // The schedule's clock, in nanoseconds: the steady clock (CLOCK_MONOTONIC on Linux), so that
    // a timer can be armed for a transmission's own due time.
    static qint64 now();
    // A character was read from the line at `readNs`; returns when it has arrived in full, the
    // earliest time for the replies to the command it completes.
    qint64 characterArrived(qint64 readNs);
    // Queues a reply to go out no earlier than `readyNs`, after those queued before it.
    void add(const SimulatedDevice::Reply &reply, qint64 readyNs);
    // Takes the transmissions due by now, in order; a line drop is the last one taken.
    QList<Transmission> takeDue();
    // When the next transmission is due; nullopt when none waits.
    std::optional<qint64> nextDueNs() const;
    bool isEmpty() const { return m_queue.isEmpty(); }
    // Forgets every waiting transmission; the line is idle again.
    void clear();

private:
    qint64 byteNs() const;

    QQueue<Transmission> m_queue;
    int m_lineRate = 0;
    qint64 m_rxFreeNs = 0; // when the line towards the device is idle again
    qint64 m_txFreeNs = 0; // when the line from the device is idle again
};
