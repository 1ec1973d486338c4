#include "seriallink.h"

#include "dialogservice.h"
#include "errors.h"
#include "portbinding.h"

#include <QEventLoop>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSerialPortInfo>
#include <cmath>
#include <thread>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace
{

// Receive buffer of the port; a notification that finds it full means characters may have been
// dropped, and the link then starts the reply afresh from what the port still holds.
constexpr qint64 receiveBufferSize = 1024;

QString defaultSystemName(int number)
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(number);
#else
    QStringList locations;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports)
        locations.append(info.systemLocation());
    locations = PortBinding::defaultOrder(locations);
    return number >= 1 && number <= locations.size() ? locations.at(number - 1) : QString();
#endif
}

bool isPortFailure(QSerialPort::SerialPortError error)
{
    return error == QSerialPort::ResourceError || error == QSerialPort::ReadError ||
           error == QSerialPort::WriteError;
}

} // namespace

SerialLink::SerialLink(DialogService &dialogs, QObject *parent)
    : QObject(parent), m_dialogs(dialogs)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &SerialLink::onTimeout);
    connect(&m_port, &QSerialPort::readyRead, this, &SerialLink::ReceiveReply);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialLink::ReceiveReply);
    m_port.setReadBufferSize(receiveBufferSize);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    setSettings(QStringLiteral("9600,n,8,1"));
    setPortNumber(1);
}

SerialLink::~SerialLink()
{
    disconnect(&m_port, nullptr, this, nullptr);
    m_port.close();
}

void SerialLink::setPortNumber(int number)
{
    m_portNumber = number;
    m_portName = m_binding ? m_binding->systemName(number) : defaultSystemName(number);
}

void SerialLink::setPortName(const QString &systemName)
{
    m_portName = systemName;
}

bool SerialLink::setSettings(const QString &settings)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*(\\d+)\\s*,\\s*([neoms])\\s*,\\s*([78])\\s*,\\s*([12])\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(settings);
    if (!match.hasMatch())
        return false;
    bool numeric = false;
    const int rate = match.captured(1).toInt(&numeric);
    if (!numeric || rate <= 0)
        return false;
    const QChar parityLetter = match.captured(2).at(0).toLower();
    const int dataBits = match.captured(3).toInt();
    const int stopBits = match.captured(4).toInt();

    QSerialPort::Parity parity = QSerialPort::NoParity;
    switch (parityLetter.unicode()) {
    case 'e':
        parity = QSerialPort::EvenParity;
        break;
    case 'o':
        parity = QSerialPort::OddParity;
        break;
    case 'm':
        parity = QSerialPort::MarkParity;
        break;
    case 's':
        parity = QSerialPort::SpaceParity;
        break;
    default:
        break;
    }

    const qint32 oldRate = m_port.baudRate();
    const QSerialPort::Parity oldParity = m_port.parity();
    const QSerialPort::DataBits oldDataBits = m_port.dataBits();
    const QSerialPort::StopBits oldStopBits = m_port.stopBits();
    const bool applied =
        m_port.setBaudRate(rate) && m_port.setParity(parity) &&
        m_port.setDataBits(static_cast<QSerialPort::DataBits>(dataBits)) &&
        m_port.setStopBits(stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    if (!applied) {
        m_port.setBaudRate(oldRate);
        m_port.setParity(oldParity);
        m_port.setDataBits(oldDataBits);
        m_port.setStopBits(oldStopBits);
        return false;
    }

    m_rate = rate;
    m_bitsPerCharacter = 1 + dataBits + (parity == QSerialPort::NoParity ? 0 : 1) + stopBits;
    m_settings =
        QStringLiteral("%1,%2,%3,%4").arg(rate).arg(parityLetter).arg(dataBits).arg(stopBits);
    return true;
}

QString SerialLink::portDescription(const QString &what) const
{
    const QString name =
        m_portName.isEmpty() ? QStringLiteral("COM %1").arg(m_portNumber) : m_portName;
    return QStringLiteral("%1: %2").arg(name, what);
}

QString SerialLink::describeOpenFailure() const
{
    if (m_openError == QSerialPort::PermissionError) {
#ifdef Q_OS_UNIX
        const QString path = m_portName.startsWith(QLatin1Char('/'))
                                 ? m_portName
                                 : QStringLiteral("/dev/") + m_portName;
        if (::access(path.toLocal8Bit().constData(), R_OK | W_OK) != 0) {
            return portDescription(
                QStringLiteral("permission denied. To get access to serial ports, add your user "
                               "to the \"dialout\" group (sudo usermod -aG dialout $USER) and log "
                               "in again."));
        }
#endif
        return portDescription(QStringLiteral("the port is in use by another program."));
    }
    return portDescription(m_port.errorString());
}

bool SerialLink::open(QString *error)
{
    auto fail = [&](QSerialPort::SerialPortError kind, const QString &description) {
        m_openError = kind;
        if (error)
            *error = description;
        return false;
    };
    if (m_port.isOpen())
        return fail(QSerialPort::OpenError,
                    portDescription(QStringLiteral("the port is already open.")));
    if (m_portName.isEmpty()) {
        return fail(QSerialPort::DeviceNotFoundError,
                    QStringLiteral("COM %1 is not bound to a serial device.").arg(m_portNumber));
    }

    m_port.setPortName(m_portName);
    m_port.clearError();
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_openError = m_port.error();
        return fail(m_openError, describeOpenFailure());
    }
    m_openError = QSerialPort::NoError;
    m_closePending = false;
    emit portStateChanged(true);
    return true;
}

void SerialLink::close()
{
    if (!m_port.isOpen())
        return;
    m_port.close();
    emit portStateChanged(false);
}

bool SerialLink::slowDevice() const
{
    return m_deviceClass != 4 && m_deviceClass != 8;
}

int SerialLink::replyTimeout() const
{
    const int base = slowDevice() ? slowTimeoutMs : fastTimeoutMs;
    return std::max(1, static_cast<int>(std::lround(base * m_timeoutScale)));
}

std::chrono::microseconds SerialLink::characterPause() const
{
    // Writing a character only hands it to the driver, so the pause first covers the character's
    // own time on the line (start, data, parity and stop bits at the current rate) and then
    // leaves the line idle for deviceSettleTime. The older devices take each character from
    // their receiver one at a time and store it before they look at the line again; one
    // millisecond of idle line gives them that time at every rate, where a pause shorter than the
    // character would let the driver queue characters back to back.
    const auto onLine = std::chrono::microseconds(
        (static_cast<qint64>(m_bitsPerCharacter) * 1000000 + m_rate - 1) / m_rate);
    return onLine + deviceSettleTime;
}

bool SerialLink::sendByCharacter(const QByteArray &command, QString *failure)
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
    for (const char c : command) {
        if (m_port.write(&c, 1) != 1 || !m_port.waitForBytesWritten(replyTimeout())) {
            *failure = portDescription(m_port.errorString());
            return false;
        }
        // A pause without processing events: a time-out tick cannot interrupt the command.
        pauseEnd += pause;
        std::this_thread::sleep_until(pauseEnd);
    }
    return true;
}

bool SerialLink::send(const QByteArray &command, QString *failure)
{
    if (!m_port.isOpen()) {
        *failure = portDescription(QStringLiteral("the port is not open."));
        return false;
    }
    emit commandSent(command);
    // Characters arriving while the command goes out are taken in by ReceiveReply only once it
    // has been sent, as the first thing of the wait.
    m_sending = true;
    bool sent = true;
    if (slowDevice()) {
        sent = sendByCharacter(command, failure);
    } else if (m_port.write(command) != command.size()) {
        *failure = portDescription(m_port.errorString());
        sent = false;
    }
    m_sending = false;
    if (m_receivePending) {
        m_receivePending = false;
        ReceiveReply();
    }
    return sent;
}

void SerialLink::SendAndWait(const QByteArray &command, quint8 attempts)
{
    const bool outerWaiting = m_waiting;
    m_waiting = true;
    m_replyStatus = QLatin1Char('W');
    m_lastReply.clear();
    m_portFailure.clear();

    QString failure;
    quint8 attempt = 0;
    do {
        m_inTime = true;
        m_timer.stop();
        // The time-out runs from before the first character.
        m_timer.start(replyTimeout());
        if (!send(command, &failure))
            break;
        if (m_replyStatus == QLatin1Char('W') && m_inTime && m_portFailure.isEmpty()) {
            QEventLoop loop;
            QEventLoop *outerLoop = m_loop;
            m_loop = &loop;
            loop.exec();
            m_loop = outerLoop;
        }
        if (!m_portFailure.isEmpty()) {
            failure = m_portFailure;
            break;
        }
        m_timer.stop();
        ++attempt;
    } while (m_replyStatus == QLatin1Char('W') && attempt < attempts);

    m_waiting = outerWaiting;
    if (!failure.isEmpty()) {
        m_timer.stop();
        if (!m_portFailure.isEmpty())
            closeLostPort();
        m_portFailure.clear();
        ShowError(m_dialogs, 1, failure);
        return;
    }
    if (!m_inTime) {
        m_dialogs.showMessage(QStringLiteral("Communication failed"), QStringLiteral("Timeout!"));
        m_inTime = true;
    }
}

void SerialLink::ReceiveReply()
{
    if (m_sending) {
        m_receivePending = true;
        return;
    }
    if (!m_port.isOpen())
        return;

    if (isPortFailure(m_port.error())) {
        // The device is gone or the port broke: nothing more can be read from it.
        if (m_waiting && m_portFailure.isEmpty()) {
            m_portFailure = portDescription(m_port.errorString());
            if (m_loop)
                m_loop->quit();
        } else if (!m_waiting && !m_closePending) {
            m_closePending = true;
            QMetaObject::invokeMethod(this, &SerialLink::closeLostPort, Qt::QueuedConnection);
        }
        return;
    }

    if (m_port.bytesAvailable() <= 0)
        return;

    if (m_port.readBufferSize() > 0 && m_port.bytesAvailable() >= m_port.readBufferSize()) {
        m_rxBuffer = m_port.readAll();
        return;
    }

    m_rxBuffer.append(m_port.readAll());
    const bool complete =
        m_rxBuffer.contains(carriageReturn) || (m_rxBuffer.size() == 9 && m_rxBuffer.contains('@'));
    if (!complete)
        return;

    // Taken out of the buffer before any message box, so that characters arriving while it is
    // open start the next reply.
    const QByteArray reply = m_rxBuffer;
    m_rxBuffer.clear();
    if (reply.contains(nak)) {
        ShowError(m_dialogs, 8);
        m_replyStatus = QLatin1Char('N');
    } else {
        m_replyStatus = QLatin1Char('R');
    }
    m_lastReply = reply;
    emit replyCompleted(reply);
    if (m_loop)
        m_loop->quit();
}

void SerialLink::onTimeout()
{
    m_timer.stop();
    m_inTime = false;
    if (m_loop)
        m_loop->quit();
}

void SerialLink::closeLostPort()
{
    m_closePending = false;
    if (m_port.isOpen() && isPortFailure(m_port.error()))
        close();
}
