#include "replytimer.h"

#include "replyschedule.h"

// Windows has no timer to the microsecond for an event loop: a precise QTimer for the whole
// milliseconds, rounded up so that nothing leaves early.
ReplyTimer::ReplyTimer(QObject *parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ReplyTimer::expired);
}

ReplyTimer::~ReplyTimer() = default;

void ReplyTimer::start(qint64 dueNs)
{
    constexpr qint64 NsPerMs = 1000000;
    m_dueNs = dueNs;
    m_active = true;
    const qint64 waitNs = qMax<qint64>(0, dueNs - ReplySchedule::now());
    m_timer.start(int((waitNs + NsPerMs - 1) / NsPerMs));
}

void ReplyTimer::stop()
{
    m_active = false;
    m_timer.stop();
}

void ReplyTimer::expired()
{
    m_active = false;
    emit timeout();
}
