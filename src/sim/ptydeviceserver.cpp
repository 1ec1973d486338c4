#include "ptydeviceserver.h"

#include <QSocketNotifier>
#include <cerrno>
#include <sys/timerfd.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace
{
constexpr qint64 NsPerMs = 1000000;
constexpr int BitsPerCharacter = 10; // start bit, 8 data bits, stop bit
} // namespace

PtyDeviceServer::PtyDeviceServer(SimulatedDevice::Model model,
                                 SimulatedDevice::Application application, QObject *parent)
    : QObject(parent), m_device(new SimulatedDevice(model, application, this))
{
    m_transmitTimerFd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_transmitTimerFd >= 0) {
        m_transmitTimerNotifier =
            std::make_unique<QSocketNotifier>(m_transmitTimerFd, QSocketNotifier::Read, this);
        connect(m_transmitTimerNotifier.get(), &QSocketNotifier::activated, this,
                &PtyDeviceServer::transmitTimerExpired);
    }
    m_clock.start();
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
    m_rxFreeNs = m_txFreeNs = 0;
    return true;
}

void PtyDeviceServer::stop()
{
    armTransmitTimer(0);
    m_queue.clear();
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

void PtyDeviceServer::setLineRate(int bitsPerSecond)
{
    m_lineRate = qMax(0, bitsPerSecond);
}

qint64 PtyDeviceServer::byteNs() const
{
    return m_lineRate > 0 ? BitsPerCharacter * 1000 * NsPerMs / m_lineRate : 0;
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
        const qint64 now = m_clock.nsecsElapsed();
        for (ssize_t i = 0; i < count; ++i) {
            m_rxFreeNs = qMax(m_rxFreeNs, now) + byteNs();
            const auto replies = m_device->receiveReplies(QByteArray(1, buffer[i]));
            for (const SimulatedDevice::Reply &reply : replies)
                schedule(reply, m_rxFreeNs);
            if (!isRunning())
                return;
        }
    }
    transmitDue();
}

// Replies leave in the order of their commands, each after the previous one has left.
void PtyDeviceServer::schedule(const SimulatedDevice::Reply &reply, qint64 readyNs)
{
    if (reply.bytes.isEmpty() && !reply.dropLine)
        return;
    qint64 at = qMax(readyNs, m_txFreeNs) + reply.delayMs * NsPerMs;
    if (reply.dropLine) {
        m_queue.enqueue({at, {}, true});
        m_txFreeNs = at;
        return;
    }
    const qsizetype chunk = reply.chunkSize > 0 ? reply.chunkSize : reply.bytes.size();
    for (qsizetype offset = 0; offset < reply.bytes.size(); offset += chunk) {
        if (offset > 0)
            at += reply.chunkGapMs * NsPerMs;
        const QByteArray piece = reply.bytes.mid(offset, chunk);
        at += piece.size() * byteNs();
        m_queue.enqueue({at, piece});
    }
    m_txFreeNs = at;
}

void PtyDeviceServer::transmitDue()
{
    const qint64 now = m_clock.nsecsElapsed();
    while (!m_queue.isEmpty() && m_queue.head().dueNs <= now) {
        const Transmission next = m_queue.dequeue();
        if (next.dropLine) {
            dropLine();
            return;
        }
        m_outgoing += next.bytes;
        flush();
        if (!isRunning())
            return;
    }
    if (!m_queue.isEmpty() && !m_transmitTimerArmed)
        armTransmitTimer(m_queue.head().dueNs - now);
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
        if (m_outgoing.isEmpty() && m_queue.isEmpty())
            emit outputDrained();
    }
    m_writeNotifier->setEnabled(!m_outgoing.isEmpty());
}

// Closing the master end hangs up the line for whoever has the slave open.
void PtyDeviceServer::dropLine()
{
    armTransmitTimer(0);
    m_queue.clear();
    m_outgoing.clear();
    m_readNotifier.reset();
    m_writeNotifier.reset();
    m_pty.closeMaster();
    emit lineDropped();
}
