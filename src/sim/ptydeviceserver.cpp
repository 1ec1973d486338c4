#include "ptydeviceserver.h"

#include <QSocketNotifier>
#include <cerrno>
#include <sys/timerfd.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

PtyDeviceServer::PtyDeviceServer(SimulatedDevice::Model model,
                                 SimulatedDevice::Application application, QObject *parent)
    : DeviceServer(parent), m_device(new SimulatedDevice(model, application, this))
{
    m_transmitTimerFd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_transmitTimerFd >= 0) {
        m_transmitTimerNotifier =
            std::make_unique<QSocketNotifier>(m_transmitTimerFd, QSocketNotifier::Read, this);
        connect(m_transmitTimerNotifier.get(), &QSocketNotifier::activated, this,
                &PtyDeviceServer::transmitTimerExpired);
    }
}

PtyDeviceServer::~PtyDeviceServer()
{
    stop();
    m_transmitTimerNotifier.reset();
    if (m_transmitTimerFd >= 0)
        ::close(m_transmitTimerFd);
}

void PtyDeviceServer::armTransmitTimer(qint64 waitNs)
{
    if (m_transmitTimerFd < 0)
        return;
    // 0 disarms the timer.
    waitNs = qMax<qint64>(waitNs, 0);
    itimerspec due{};
    due.it_value.tv_sec = time_t(waitNs / 1000000000);
    due.it_value.tv_nsec = long(waitNs % 1000000000);
    timerfd_settime(m_transmitTimerFd, 0, &due, nullptr);
    m_transmitTimerArmed = waitNs > 0;
}

void PtyDeviceServer::transmitTimerExpired()
{
    quint64 expirations = 0;
    if (::read(m_transmitTimerFd, &expirations, sizeof expirations) < 0 && errno == EAGAIN)
        return;
    m_transmitTimerArmed = false;
    transmitDue();
}

bool PtyDeviceServer::start(QString *error)
{
    stop();
    if (!m_pty.open(error))
        return false;
    m_slavePath = m_pty.slavePath();
    m_readNotifier =
        std::make_unique<QSocketNotifier>(m_pty.masterFd(), QSocketNotifier::Read, this);
    connect(m_readNotifier.get(), &QSocketNotifier::activated, this,
            &PtyDeviceServer::readFromLine);
    m_writeNotifier =
        std::make_unique<QSocketNotifier>(m_pty.masterFd(), QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier.get(), &QSocketNotifier::activated, this, &PtyDeviceServer::flush);
    return true;
}

void PtyDeviceServer::stop()
{
    armTransmitTimer(0);
    m_schedule.clear();
    m_outgoing.clear();
    m_readNotifier.reset();
    m_writeNotifier.reset();
    m_pty.close();
}

// The master end reports the termios of the slave end, where the serial port's user sets it.
int PtyDeviceServer::configuredRate() const
{
    static constexpr std::pair<speed_t, int> rates[] = {
        {B300, 300},     {B600, 600},       {B1200, 1200},    {B2400, 2400},
        {B4800, 4800},   {B9600, 9600},     {B19200, 19200},  {B38400, 38400},
        {B57600, 57600}, {B115200, 115200}, {B230400, 230400}};
    termios attributes{};
    if (!isRunning() || ::tcgetattr(m_pty.masterFd(), &attributes) != 0)
        return 0;
    const speed_t speed = ::cfgetospeed(&attributes);
    for (const auto &[code, rate] : rates) {
        if (code == speed)
            return rate;
    }
    return 0;
}

void PtyDeviceServer::readFromLine()
{
    char buffer[4096];
    bool first = true;
    for (;;) {
        const ssize_t count = ::read(m_pty.masterFd(), buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        if (count <= 0) {
            // Cannot happen while the slave end is held open; stop listening rather than spin.
            m_readNotifier->setEnabled(false);
            break;
        }
        if (std::exchange(first, false))
            emit inputRead();
        // One character at a time, so that each reply knows when its command's last character
        // arrived on the emulated line.
        const qint64 now = m_schedule.now();
        for (ssize_t i = 0; i < count; ++i) {
            const qint64 arrived = m_schedule.characterArrived(now);
            const auto replies = m_device->receiveReplies(QByteArray(1, buffer[i]));
            for (const SimulatedDevice::Reply &reply : replies)
                m_schedule.add(reply, arrived);
            if (!isRunning())
                return;
        }
    }
    transmitDue();
}

void PtyDeviceServer::transmitDue()
{
    for (const ReplySchedule::Transmission &next : m_schedule.takeDue()) {
        if (next.dropLine) {
            flush();
            if (isRunning())
                dropLine();
            return;
        }
        m_outgoing += next.bytes;
    }
    flush();
    const std::optional<qint64> wait = m_schedule.nextDueInNs();
    if (isRunning() && wait && !m_transmitTimerArmed)
        armTransmitTimer(qMax<qint64>(*wait, 1));
}

void PtyDeviceServer::flush()
{
    if (!isRunning())
        return;
    while (!m_outgoing.isEmpty()) {
        const ssize_t count = ::write(m_pty.masterFd(), m_outgoing.constData(), m_outgoing.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        if (count < 0) {
            stop();
            return;
        }
        m_outgoing.remove(0, count);
        if (m_outgoing.isEmpty() && m_schedule.isEmpty())
            emit outputDrained();
    }
    m_writeNotifier->setEnabled(!m_outgoing.isEmpty());
}

// Closing the master end hangs up the line for whoever has the slave open.
void PtyDeviceServer::dropLine()
{
    armTransmitTimer(0);
    m_schedule.clear();
    m_outgoing.clear();
    m_readNotifier.reset();
    m_writeNotifier.reset();
    m_pty.closeMaster();
    emit lineDropped();
}
