#include "ptydeviceserver.h"

#include <QSocketNotifier>
#include <cerrno>
#include <termios.h>
#include <unistd.h>
#include <utility>

PtyDeviceServer::PtyDeviceServer(SimulatedDevice::Model model,
                                 SimulatedDevice::Application application, QObject *parent)
    : DeviceServer(parent), m_device(new SimulatedDevice(model, application, this))
{
    connect(&m_transmitTimer, &ReplyTimer::timeout, this, &PtyDeviceServer::transmitDue);
}

PtyDeviceServer::~PtyDeviceServer()
{
    stop();
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
    m_transmitTimer.stop();
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
        const qint64 now = ReplySchedule::now();
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
    std::optional<qint64> lastDueNs;
    for (const ReplySchedule::Transmission &next : m_schedule.takeDue()) {
        if (next.dropLine) {
            flush();
            if (isRunning())
                dropLine();
            return;
        }
        m_outgoing += next.bytes;
        lastDueNs = next.dueNs;
    }
    // Late is how long after its time the reply is handed to the line; the write itself already
    // carries it, as a serial driver takes a character from the wire to the reader.
    const qint64 handedNs = ReplySchedule::now();
    flush();
    if (lastDueNs)
        emit transmitted(handedNs - *lastDueNs);
    const std::optional<qint64> due = m_schedule.nextDueNs();
    if (isRunning() && due && !m_transmitTimer.isActive())
        m_transmitTimer.start(*due);
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
    m_transmitTimer.stop();
    m_schedule.clear();
    m_outgoing.clear();
    m_readNotifier.reset();
    m_writeNotifier.reset();
    m_pty.closeMaster();
    emit lineDropped();
}
