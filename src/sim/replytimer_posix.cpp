#include "replytimer.h"

#include "replyschedule.h"

#include <QSocketNotifier>
#include <QThread>
#include <cerrno>
#include <sys/prctl.h>
#include <sys/timerfd.h>
#include <unistd.h>

ReplyTimer::ReplyTimer(QObject *parent) : QObject(parent)
{
    m_fd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_fd < 0)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &ReplyTimer::expired);
}

ReplyTimer::~ReplyTimer()
{
    m_notifier.reset();
    if (m_fd >= 0)
        ::close(m_fd);
}

// The steady clock is CLOCK_MONOTONIC, so the schedule's times are the timer's.
void ReplyTimer::start(qint64 dueNs)
{
    if (m_fd < 0)
        return;
    if (m_slackThread != QThread::currentThread()) {
        // The serving thread's waits, its event loop's among them, end within a microsecond of
        // their time instead of the default 50.
        prctl(PR_SET_TIMERSLACK, 1UL);
        m_slackThread = QThread::currentThread();
    }
    m_dueNs = dueNs;
    m_active = true;
    // An it_value of zero would disarm the timer; a passed time fires at once.
    const qint64 wakeNs = qMax<qint64>(dueNs - m_spinNs, 1);
    itimerspec due{};
    due.it_value.tv_sec = time_t(wakeNs / 1000000000);
    due.it_value.tv_nsec = long(wakeNs % 1000000000);
    timerfd_settime(m_fd, TFD_TIMER_ABSTIME, &due, nullptr);
}

void ReplyTimer::stop()
{
    if (m_fd < 0 || !m_active)
        return;
    m_active = false;
    const itimerspec disarmed{};
    timerfd_settime(m_fd, TFD_TIMER_ABSTIME, &disarmed, nullptr);
    quint64 expirations = 0;
    [[maybe_unused]] const ssize_t drained = ::read(m_fd, &expirations, sizeof expirations);
}

void ReplyTimer::expired()
{
    quint64 expirations = 0;
    if (::read(m_fd, &expirations, sizeof expirations) < 0 && errno == EAGAIN)
        return;
    if (!m_active)
        return;
    adaptSpin(ReplySchedule::now() - (m_dueNs - m_spinNs));
    // Woken up early by the time waking takes: the rest is spun, as a sleep would end later.
    while (ReplySchedule::now() < m_dueNs) {
    }
    m_active = false;
    emit timeout();
}

// Follows how late this thread wakes after its timer expires (a quarter of each new sample, a
// sample no larger than the longest spin), and spins that much and a quarter more, so that a
// reply falls due about when the thread is running again.
void ReplyTimer::adaptSpin(qint64 wakeLatencyNs)
{
    m_wakeLatencyNs += (qBound<qint64>(0, wakeLatencyNs, maximumSpinNs) - m_wakeLatencyNs) / 4;
    m_spinNs = qBound(minimumSpinNs, m_wakeLatencyNs + m_wakeLatencyNs / 4, maximumSpinNs);
}
