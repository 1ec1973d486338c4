#include "devicelink.h"

#include "networkportaddress.h"
#include "portbinding.h"
#include "porttransport.h"
#include "porttransportfactory.h"

#include <QEventLoop>
#include <QScopeGuard>
#include <cmath>
#include <thread>

#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace
{

QString defaultSystemName(int number)
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(number);
#else
    const QStringList locations = PortBinding::defaultOrder(PortBinding::systemPorts());
    return number >= 1 && number <= locations.size() ? locations.at(number - 1) : QString();
#endif
}

} // namespace

DeviceLink::DeviceLink(QObject *parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &DeviceLink::onTimeout);
    m_quietTimer.setSingleShot(true);
    m_quietTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_quietTimer, &QTimer::timeout, this, &DeviceLink::onQuiet);
}

DeviceLink::~DeviceLink()
{
    if (!m_transport)
        return;
    disconnect(m_transport.get(), nullptr, this, nullptr);
    m_transport->close();
}

void DeviceLink::setPortNumber(int number)
{
    m_portNumber = number;
    m_byNumber = true;
    m_portName = m_binding ? m_binding->systemName(number) : defaultSystemName(number);
}

void DeviceLink::setPortName(const QString &systemName)
{
    m_portName = systemName;
    m_byNumber = false;
}

bool DeviceLink::setLineSettings(const LineSettings &settings)
{
    if (m_transport && !m_transport->setLineSettings(settings))
        return false;
    m_lineSettings = settings;
    return true;
}

QString DeviceLink::portLabel() const
{
    if (!m_byNumber)
        return m_portName;
    const QString option = QStringLiteral("COM %1").arg(m_portNumber);
    return m_portName.isEmpty() ? option : QStringLiteral("%1 (%2)").arg(option, m_portName);
}

QString DeviceLink::portDescription(const QString &what) const
{
    return QStringLiteral("%1: %2").arg(portLabel(), what);
}

bool DeviceLink::isOpen() const
{
    return m_transport && m_transport->isOpen();
}

bool DeviceLink::open(QString *error)
{
    auto fail = [&](const QString &description) {
        if (error)
            *error = description;
        return false;
    };
    if (isOpen())
        return fail(portDescription(QStringLiteral("the port is already open.")));
    if (m_byNumber && m_portName.isEmpty())
        setPortNumber(m_portNumber);
    if (m_portName.isEmpty())
        return fail(QStringLiteral("COM %1 is not bound to a serial device.").arg(m_portNumber));

    close();
    m_lost.clear();
    m_transport.reset(makePortTransport(m_portName));
    m_transport->setLineSettings(m_lineSettings);
    QString failure;
    if (!m_transport->open(&failure)) {
        m_transport.reset();
        return fail(portDescription(failure));
    }
    connect(m_transport.get(), &PortTransport::readyRead, this, &DeviceLink::receive);
    connect(m_transport.get(), &PortTransport::lost, this, &DeviceLink::onLost);
    // Whatever an earlier run left waiting in the port is no reply to this one.
    m_transport->discardInput();
    m_assembler.clear();
    emit portOpened();
    return true;
}

QString DeviceLink::adapterNote() const
{
    return isOpen() ? m_transport->adapterNote() : QString();
}

QString DeviceLink::adapterWarning() const
{
    return isOpen() ? m_transport->adapterWarning() : QString();
}

void DeviceLink::close()
{
    m_lost.clear();
    if (!m_transport)
        return;
    disconnect(m_transport.get(), nullptr, this, nullptr);
    m_transport->close();
    // Deleted later: close() may run inside one of the transport's own signals.
    m_transport.release()->deleteLater();
}

bool DeviceLink::slowDevice() const
{
    return m_deviceClass != DeviceClass::Zorla && m_deviceClass != DeviceClass::Velmar;
}

int DeviceLink::replyTimeout() const
{
    const int base = slowDevice() ? slowTimeoutMs : fastTimeoutMs;
    return std::max(1, static_cast<int>(std::lround(base * m_timeoutScale)));
}

std::chrono::microseconds DeviceLink::characterPause() const
{
    // Writing a character only hands it to the driver, so the pause first covers the character's
    // own time on the line (start, data, parity and stop bits at the current rate) and then
    // leaves the line idle for deviceSettleTime. The older devices take each character from
    // their receiver one at a time and store it before they look at the line again; one
    // millisecond of idle line gives them that time at every rate, where a pause shorter than the
    // character would let the driver queue characters back to back.
    const qint64 rate = m_lineSettings.rate;
    const auto onLine = std::chrono::microseconds(
        (static_cast<qint64>(m_lineSettings.bitsPerCharacter()) * 1000000 + rate - 1) / rate);
    return onLine + deviceSettleTime;
}

bool DeviceLink::sendByCharacter(const QByteArray &command, QString *failure)
{
    const std::chrono::microseconds pause = characterPause();
    // The pauses end at fixed steps from the first character, so that the scheduler's lateness in
    // ending one pause shortens the next instead of adding up over the command; a wake-up that
    // is late by a fraction of the settle time still leaves each character most of it.
    auto pauseEnd = std::chrono::steady_clock::now();
#ifdef Q_OS_LINUX
    // Without slack the pauses end within tens of microseconds instead of about a tenth of a
    // millisecond; the thread's own setting is restored afterwards.
    const int slack = prctl(PR_GET_TIMERSLACK);
    prctl(PR_SET_TIMERSLACK, 1UL);
    const auto restoreSlack = qScopeGuard([slack] { prctl(PR_SET_TIMERSLACK, ulong(slack)); });
#endif
    for (qsizetype i = 0; i < command.size(); ++i) {
        if (m_beforeCharacter)
            m_beforeCharacter(i);
        // Writing and waiting may report the port lost, which closes the transport.
        if (!isOpen() || !m_transport->write(command.mid(i, 1)) ||
            !m_transport->waitForBytesWritten(replyTimeout()) || !isOpen()) {
            *failure = sendFailure();
            return false;
        }
        // A pause without processing events: a time-out tick cannot interrupt the command.
        pauseEnd += pause;
        std::this_thread::sleep_until(pauseEnd);
    }
    return true;
}

// Why the command could not go out: the port's loss when it was lost, its error otherwise.
QString DeviceLink::sendFailure() const
{
    if (!m_lost.isEmpty())
        return m_lost;
    if (!isOpen())
        return portDescription(QStringLiteral("the port is not open."));
    return portDescription(m_transport->errorString());
}

bool DeviceLink::send(const QByteArray &command, QString *failure)
{
    if (!isOpen()) {
        *failure = sendFailure();
        return false;
    }
    emit commandSent(command);
    // Characters arriving while the command goes out are taken in by receive() only once it
    // has been sent, as the first thing of the wait.
    m_waiting = Waiting::Sending;
    bool sent = true;
    if (slowDevice()) {
        sent = sendByCharacter(command, failure);
    } else {
        if (m_beforeCharacter)
            m_beforeCharacter(0);
        if (!isOpen() || !m_transport->write(command) || !isOpen()) {
            *failure = sendFailure();
            sent = false;
        }
    }
    const bool inputHeld = m_waiting == Waiting::SendingInputHeld;
    m_waiting = Waiting::Reply;
    if (inputHeld)
        receive();
    return sent;
}

LinkReply DeviceLink::exchange(const QByteArray &command, int attempts, const QByteArray &echo)
{
    Q_ASSERT(m_waiting == Waiting::Nothing);
    m_waiting = Waiting::Reply;
    m_aborted = false;
    m_status = LinkReply::Status::TimedOut;
    m_reply.clear();
    m_portFailure.clear();
    m_echo = echo;
    m_assembler.setSplit(!echo.isEmpty());

    QString failure;
    int attempt = 0;
    do {
        startAttempt();
        if (!send(command, &failure))
            break;
        if (m_status == LinkReply::Status::TimedOut && m_inTime && m_portFailure.isEmpty() &&
            !m_aborted) {
            QEventLoop loop;
            m_loop = &loop;
            loop.exec();
            m_loop = nullptr;
        }
        if (!m_portFailure.isEmpty()) {
            failure = m_portFailure;
            break;
        }
        m_timer.stop();
        ++attempt;
    } while (m_status == LinkReply::Status::TimedOut && attempt < attempts && !m_aborted);

    m_waiting = Waiting::Nothing;
    return finishExchange(failure);
}

// Drops what an earlier command or attempt left in the port or half assembled (a late or doubled
// reply), then starts the attempt's time-out, which runs from before the first character.
void DeviceLink::startAttempt()
{
    if (isOpen())
        m_transport->discardInput();
    m_assembler.clear();
    m_quietTimer.stop();
    m_inTime = true;
    m_timer.stop();
    m_timer.start(replyTimeout());
}

void DeviceLink::abort()
{
    // The port may be opening, waiting for a serial server.
    if (m_transport)
        m_transport->interruptWait();
    if (m_waiting == Waiting::Nothing)
        return;
    m_aborted = true;
    if (m_loop)
        m_loop->quit();
}

LinkReply DeviceLink::finishExchange(const QString &failure)
{
    m_timer.stop();
    m_quietTimer.stop();
    m_echo.clear();
    LinkReply reply;
    if (m_aborted && m_status == LinkReply::Status::TimedOut) {
        m_aborted = false;
        m_inTime = true;
        reply.status = LinkReply::Status::Aborted;
        return reply;
    }
    m_aborted = false;
    if (!failure.isEmpty()) {
        m_portFailure.clear();
        reply.status = LinkReply::Status::PortLost;
        reply.description = failure;
        return reply;
    }
    reply.status = m_status;
    reply.bytes = m_reply;
    // A refusal reported while the time-out ran out keeps both.
    reply.timeoutPassed = !m_inTime && m_status == LinkReply::Status::Refused;
    m_inTime = true;
    return reply;
}

void DeviceLink::receive()
{
    if (m_waiting == Waiting::Sending || m_waiting == Waiting::SendingInputHeld) {
        m_waiting = Waiting::SendingInputHeld;
        return;
    }
    if (!isOpen())
        return;
    const QByteArray chunk = m_transport->readAll();
    if (chunk.isEmpty())
        return;
    m_assembler.append(chunk);
    while (const std::optional<QByteArray> reply = m_assembler.take()) {
        if (acceptReply(*reply))
            break;
    }
    // Nine characters with "@" are a reply only if nothing follows them within the gap, unless
    // nine characters are the whole reply the command asks for: the older ZORLA's one-byte read.
    // A carriage return its device may still send is then a stale reply, which the echo check
    // passes over.
    if (m_assembler.holdsShortReply() && m_deviceClass == DeviceClass::ZorlaOld &&
        !m_echo.isEmpty())
        onQuiet();
    else if (m_assembler.holdsShortReply())
        m_quietTimer.start(quietGap());
    else
        m_quietTimer.stop();
}

void DeviceLink::onQuiet()
{
    if (const std::optional<QByteArray> reply = m_assembler.takeShortReply())
        acceptReply(*reply);
}

std::chrono::milliseconds DeviceLink::quietGap() const
{
    // A serial server forwards a reply in pieces of its own making, and the network may hold a
    // piece back while it waits for an acknowledgement (up to 40 ms with delayed acknowledgements),
    // so a reply can pause there for tens of milliseconds without having ended.
    if (NetworkPortAddress::isUrl(m_portName))
        return networkQuietGap;
    // On a serial line a device sends the characters of one reply back to back: two character
    // times of silence end it.
    const qint64 rate = std::max(1, m_lineSettings.rate);
    const qint64 twoCharactersUs = 2 * (qint64(m_lineSettings.bitsPerCharacter()) * 1000000) / rate;
    return std::max(std::chrono::milliseconds(1), std::chrono::ceil<std::chrono::milliseconds>(
                                                      std::chrono::microseconds(twoCharactersUs)));
}

// Completes the exchange with the reply unless an echo is expected and the reply neither starts
// with it nor is a refusal; such a stale reply is only shown in traces.
bool DeviceLink::acceptReply(const QByteArray &reply)
{
    if (m_echo.isEmpty() || reply.startsWith(m_echo) || reply.contains(nak)) {
        completeReply(reply);
        return true;
    }
    emit replyCompleted(reply);
    return false;
}

void DeviceLink::completeReply(const QByteArray &reply)
{
    // Taken out of the buffer before the refusal is announced, so that characters arriving while
    // it is being reported start the next reply.
    const bool refusal = reply.contains(nak);
    m_reply = reply;
    emit replyCompleted(reply);
    if (refusal)
        emit refused();
    m_status = refusal ? LinkReply::Status::Refused : LinkReply::Status::Answered;
    if (m_loop)
        m_loop->quit();
}

void DeviceLink::onTimeout()
{
    m_timer.stop();
    m_inTime = false;
    if (m_loop)
        m_loop->quit();
}

// The transport has closed itself. It stays until the next open() or close(), since a command
// may be in the middle of using it; every later use of the link reports the loss.
void DeviceLink::onLost(const QString &description)
{
    disconnect(m_transport.get(), nullptr, this, nullptr);
    m_transport->close();
    if (m_lost.isEmpty())
        m_lost = portDescription(description);
    if (m_waiting != Waiting::Nothing && m_portFailure.isEmpty()) {
        m_portFailure = m_lost;
        if (m_loop)
            m_loop->quit();
    }
}
