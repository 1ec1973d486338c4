#include "networktransport.h"

#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <utility>

namespace
{

constexpr qint64 readChunk = 4096;

QString seconds(int msecs)
{
    return QStringLiteral("%1 seconds").arg(msecs / 1000.0);
}

} // namespace

NetworkTransport::NetworkTransport(const QString &url, QObject *parent)
    : PortTransport(parent), m_url(url)
{
    m_address = NetworkPortAddress::parse(url, &m_addressError);
    // Qt's own buffer stays small; what does not fit waits in the system and the server.
    m_socket.setReadBufferSize(readChunk * 4);
    connect(&m_socket, &QTcpSocket::readyRead, this, &NetworkTransport::onReadyRead);
    connect(&m_socket, &QTcpSocket::connected, this, &NetworkTransport::wake);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &NetworkTransport::wake);
    connect(&m_socket, &QTcpSocket::disconnected, this, &NetworkTransport::onDisconnected);
}

NetworkTransport::~NetworkTransport()
{
    disconnect(&m_socket, nullptr, this, nullptr);
    m_socket.abort();
}

bool NetworkTransport::isTelnet() const
{
    return m_address && m_address->protocol == NetworkPortAddress::Protocol::Rfc2217;
}

QString NetworkTransport::description() const
{
    return m_address ? m_address->toString() : m_url;
}

// The link names the port in front of every message, so a message names only what went wrong.
QString NetworkTransport::failure(const QString &what) const
{
    return what;
}

QString NetworkTransport::closedFailure() const
{
    return failure(m_dropReason.isEmpty() ? QStringLiteral("the server closed the connection.")
                                          : m_dropReason + QLatin1Char('.'));
}

int NetworkTransport::scaled(int msecs) const
{
    return std::max(1, int(msecs * m_timeoutScale));
}

bool NetworkTransport::open(QString *error)
{
    const auto fail = [&](const QString &message) {
        m_error = message;
        if (error)
            *error = message;
        return false;
    };
    if (m_state != State::Closed)
        return fail(failure(QStringLiteral("the port is already open.")));
    if (!m_address)
        return fail(m_addressError);
    m_dropReason.clear();
    QString message;
    if (!connectToServer(&message) || (isTelnet() && !negotiate(&message))) {
        reset();
        return fail(message);
    }
    m_state = State::Open;
    m_serverPurged = false;
    m_error.clear();
    return true;
}

void NetworkTransport::close()
{
    reset();
}

void NetworkTransport::reset()
{
    m_state = State::Closed;
    m_socket.abort();
    m_codec.reset();
    m_options = TelnetOptions();
    m_request.reset();
    m_received.clear();
    wake();
}

bool NetworkTransport::connectToServer(QString *error)
{
    reset();
    m_state = State::Connecting;
    m_socket.connectToHost(m_address->host, m_address->port);
    const bool settled = waitUntil(
        [this] { return isConnected() || m_socket.state() == QAbstractSocket::UnconnectedState; },
        QDeadlineTimer(scaled(connectTimeoutMs), Qt::PreciseTimer));
    if (m_state == State::Connecting && isConnected()) {
        // Commands are short and each waits for its reply: nothing is gained by holding them back.
        m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        return true;
    }
    *error = settled ? connectFailure()
                     : QStringLiteral("cannot connect: no answer within %1.")
                           .arg(seconds(scaled(connectTimeoutMs)));
    return false;
}

QString NetworkTransport::connectFailure() const
{
    QString reason;
    switch (m_socket.error()) {
    case QAbstractSocket::ConnectionRefusedError:
        reason = QStringLiteral("the server refused the connection (is the serial server running "
                                "and is %1 its port?)")
                     .arg(m_address->port);
        break;
    case QAbstractSocket::HostNotFoundError:
        reason = QStringLiteral("the host \"%1\" was not found").arg(m_address->host);
        break;
    case QAbstractSocket::NetworkError:
        reason =
            QStringLiteral("the network cannot reach the host (%1)").arg(m_socket.errorString());
        break;
    default:
        reason = m_socket.errorString();
        break;
    }
    return QStringLiteral("cannot connect: %1.").arg(reason);
}

// Agrees the Telnet options and sets the line; the server must take COM-PORT-OPTION, since
// without it the tool cannot set the line it was asked to use.
bool NetworkTransport::negotiate(QString *error)
{
    m_state = State::Negotiating;
    const QDeadlineTimer deadline(scaled(settingsTimeoutMs), Qt::PreciseTimer);
    queue(m_options.start());
    const auto settled = [this] {
        return m_options.isLocalEnabled(TelnetCodec::ComPortOption) ||
               m_options.isLocalRefused(TelnetCodec::ComPortOption);
    };
    const bool answered = waitUntil([&] { return settled() || !isConnected(); }, deadline);
    if (!isConnected() || m_state != State::Negotiating) {
        *error = closedFailure();
        return false;
    }
    if (!answered) {
        *error = failure(QStringLiteral("the server did not answer the request for serial port "
                                        "control (RFC 2217) within %1.")
                             .arg(seconds(scaled(settingsTimeoutMs))));
        return false;
    }
    if (!m_options.isLocalEnabled(TelnetCodec::ComPortOption)) {
        *error = failure(QStringLiteral("the server refused serial port control (RFC 2217), so "
                                        "the tool cannot set the line. If the server sets the "
                                        "line itself, name the port socket://%1.")
                             .arg(m_address->hostAndPort()));
        return false;
    }
    return sendLineSettings(m_settings, deadline, error);
}

// Sends the four line settings and waits until the server has answered each with the value it
// now uses.
bool NetworkTransport::sendLineSettings(const LineSettings &settings, QDeadlineTimer deadline,
                                        QString *error)
{
    m_request = SettingsRequest{settings,
                                {TelnetCodec::SetBaudRate, TelnetCodec::SetDataSize,
                                 TelnetCodec::SetParity, TelnetCodec::SetStopSize},
                                false};
    queue(TelnetCodec::lineSettingsCommands(settings));
    const bool answered = waitUntil(
        [this] {
            return !isConnected() || !m_request || m_request->rejected ||
                   m_request->unanswered.isEmpty();
        },
        deadline);
    const std::optional<SettingsRequest> request = std::exchange(m_request, std::nullopt);
    if (!isConnected() || !request) {
        *error = closedFailure();
        return false;
    }
    if (request->rejected) {
        *error = failure(QStringLiteral("the server did not take the line settings %1.")
                             .arg(settings.toString()));
        return false;
    }
    if (!answered) {
        *error =
            failure(QStringLiteral("the server did not confirm the line settings %1 within %2.")
                        .arg(settings.toString(), seconds(scaled(settingsTimeoutMs))));
        return false;
    }
    return true;
}

bool NetworkTransport::setLineSettings(const LineSettings &settings)
{
    if (m_state != State::Open || !isTelnet()) {
        m_settings = settings;
        return true;
    }
    QString error;
    if (sendLineSettings(settings, QDeadlineTimer(scaled(settingsTimeoutMs), Qt::PreciseTimer),
                         &error)) {
        m_settings = settings;
        return true;
    }
    m_error = error;
    // Back to the settings in force; their answers are not awaited.
    if (m_state == State::Open && isConnected())
        queue(TelnetCodec::lineSettingsCommands(m_settings));
    return false;
}

bool NetworkTransport::write(const QByteArray &bytes)
{
    if (m_state != State::Open) {
        m_error = failure(QStringLiteral("the port is not open."));
        return false;
    }
    const QByteArray wire = isTelnet() ? TelnetCodec::escape(bytes) : bytes;
    if (!queue(wire)) {
        if (m_error.isEmpty())
            m_error = failure(m_socket.errorString());
        return false;
    }
    return true;
}

bool NetworkTransport::waitForBytesWritten(int msecs)
{
    const QDeadlineTimer deadline(msecs, Qt::PreciseTimer);
    while (m_state == State::Open && m_socket.bytesToWrite() > 0) {
        if (deadline.hasExpired() || !m_socket.waitForBytesWritten(int(deadline.remainingTime()))) {
            if (m_state == State::Open)
                m_error = failure(m_socket.errorString());
            return false;
        }
    }
    return m_state == State::Open;
}

QByteArray NetworkTransport::readAll()
{
    QByteArray bytes = std::exchange(m_received, QByteArray());
    // What stayed in the socket because the buffer was full is announced once this returns.
    if (m_state == State::Open && m_socket.bytesAvailable() > 0 && receive()) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_received.isEmpty())
                    emit readyRead();
            },
            Qt::QueuedConnection);
    }
    return bytes;
}

void NetworkTransport::discardInput()
{
    bool stale = !m_received.isEmpty();
    m_received.clear();
    if (m_state != State::Open)
        return;
    while (m_socket.bytesAvailable() > 0) {
        stale |= receive();
        m_received.clear();
    }
    // The server's own buffer of what came from the device: purged on the first discard after
    // opening, and afterwards only when something stale had come through. A purge before every
    // command would cost each exchange a round of the server's acknowledgement, which its
    // coalescing of small packets holds back until this end acknowledges it (tens of
    // milliseconds).
    if (isTelnet() && (stale || !m_serverPurged)) {
        m_serverPurged = true;
        queue(TelnetCodec::comPortCommand(TelnetCodec::PurgeData,
                                          QByteArray(1, char(TelnetCodec::PurgeReceiveBuffer))));
    }
}

// Moves what the socket holds into the receive buffer, answering the Telnet commands among it;
// true when data was added.
bool NetworkTransport::receive()
{
    const qsizetype before = m_received.size();
    while (m_received.size() < maxBuffered && m_socket.bytesAvailable() > 0) {
        const QByteArray bytes = m_socket.read(qMin(readChunk, maxBuffered - m_received.size()));
        if (!isTelnet()) {
            m_received += bytes;
            continue;
        }
        const TelnetCodec::Decoded decoded = m_codec.decode(bytes);
        m_received += decoded.data;
        for (const TelnetCodec::Event &event : decoded.events)
            handle(event);
    }
    return m_received.size() > before;
}

void NetworkTransport::handle(const TelnetCodec::Event &event)
{
    if (event.kind == TelnetCodec::Event::Kind::Negotiation) {
        const QByteArray answer = m_options.answer(event.code, event.option);
        if (!answer.isEmpty() && isConnected())
            queue(answer);
        return;
    }
    if (const auto reply = TelnetCodec::comPortReply(event))
        takeSettingReply(*reply);
    // Other commands (NOP, GO-AHEAD, modem and line state notices) carry nothing for the link.
}

void NetworkTransport::takeSettingReply(const TelnetCodec::ComPortReply &reply)
{
    if (!m_request || !m_request->unanswered.contains(reply.command))
        return;
    m_request->unanswered.removeOne(reply.command);
    if (reply.value != TelnetCodec::settingValue(reply.command, m_request->settings))
        m_request->rejected = true;
}

void NetworkTransport::onReadyRead()
{
    if (m_state != State::Closed && receive() && m_state == State::Open)
        emit readyRead();
    wake();
}

void NetworkTransport::onDisconnected()
{
    if (m_state != State::Open) {
        wake();
        return;
    }
    // What the server sent before it closed is still handed over.
    if (receive())
        emit readyRead();
    if (m_state != State::Open)
        return;
    drop(QStringLiteral("the device was disconnected (the server closed the connection)"));
}

// Ends an open connection as lost, for the reason given.
void NetworkTransport::drop(const QString &reason)
{
    reset();
    m_error = failure(reason);
    m_dropReason = reason;
    emit lost(reason);
}

// Hands bytes to the socket. A server that does not take what is sent to it would let the
// socket's buffer grow without end: past maxPendingOutput the connection is dropped as failed.
bool NetworkTransport::queue(const QByteArray &bytes)
{
    if (!isConnected())
        return false;
    if (m_socket.bytesToWrite() + bytes.size() > maxPendingOutput) {
        const QString reason = QStringLiteral(
            "the device was disconnected (the server does not take what is sent to it)");
        if (m_state == State::Open) {
            drop(reason);
        } else {
            m_dropReason = reason;
            reset();
        }
        return false;
    }
    return m_socket.write(bytes) == bytes.size();
}

// Runs nested event loops until done() holds or the deadline passes; false on the deadline.
bool NetworkTransport::waitUntil(const std::function<bool()> &done, QDeadlineTimer deadline)
{
    if (!m_loop)
        m_interrupted = false;
    while (!done()) {
        if (deadline.hasExpired() || m_interrupted)
            return false;
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(int(std::max<qint64>(1, deadline.remainingTime())));
        QEventLoop *outer = std::exchange(m_loop, &loop);
        loop.exec();
        m_loop = outer;
        // An outer wait may be done by what happened during this one.
        if (outer)
            outer->quit();
    }
    return true;
}

void NetworkTransport::interruptWait()
{
    if (!m_loop)
        return;
    m_interrupted = true;
    m_loop->quit();
}

void NetworkTransport::wake()
{
    if (m_loop)
        m_loop->quit();
}
