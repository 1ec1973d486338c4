#pragma once

#include <QObject>
#include <QTimer>
#include <memory>

class QSocketNotifier;
class QThread;

// Wakes the simulated device's server when its next transmission is due, at an absolute time on
// the steady clock (ReplySchedule::now()), so that the time taken to arm it is not added to the
// wait. Where the system allows, the serving thread's timer slack is set to its minimum and the
// last few tens of microseconds before the deadline are spun: an emulated line's replies then
// leave when their last character would have, and what the other end measures is its own time.
class ReplyTimer : public QObject
{
    Q_OBJECT
public:
    // How much of the wait is spun rather than slept: the time the system has lately taken to
    // wake the thread once its timer expired, and a margin, within these bounds.
    static constexpr qint64 minimumSpinNs = 20000;
    static constexpr qint64 maximumSpinNs = 300000;

    explicit ReplyTimer(QObject *parent = nullptr);
    ~ReplyTimer() override;

    // Arms the timer for `dueNs`; a deadline already passed fires at the next turn of the event
    // loop. Re-arming replaces the deadline.
    void start(qint64 dueNs);
    void stop();
    bool isActive() const { return m_active; }

signals:
    void timeout();

private:
    void expired();
    void adaptSpin(qint64 wakeLatencyNs);

    bool m_active = false;
    qint64 m_dueNs = 0;
    qint64 m_spinNs = minimumSpinNs;
    qint64 m_wakeLatencyNs = 0; // a running average
#ifdef Q_OS_WIN
    QTimer m_timer;
#else
    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QThread *m_slackThread = nullptr; // whose timer slack is at its minimum
#endif
};
