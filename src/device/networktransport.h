#pragma once

#include "networkportaddress.h"
#include "porttransport.h"
#include "telnetcodec.h"
#include "telnetoptions.h"

#include <QDeadlineTimer>
#include <QList>
#include <QTcpSocket>
#include <functional>
#include <optional>

class QEventLoop;

// A serial port behind a serial server on the network: a raw TCP stream ("socket://HOST:PORT")
// whose line the server sets, or Telnet with the COM-PORT-OPTION of RFC 2217
// ("rfc2217://HOST:PORT") through which the tool sets rate, data bits, parity and stop bits.
class NetworkTransport : public PortTransport
{
    Q_OBJECT

public:
    // open() waits at most this long for the connection ...
    static constexpr int connectTimeoutMs = 2000;
    // ... and then, for RFC 2217, at most this long for the server to agree the options and take
    // the line settings; setLineSettings() waits as long for the server to take new ones.
    static constexpr int settingsTimeoutMs = 2000;
    // Received data kept until readAll() takes it; more waits in the socket and the server.
    static constexpr qsizetype maxBuffered = 64 * 1024;
    // What may wait in the socket for a server that does not read; more drops the connection.
    static constexpr qsizetype maxPendingOutput = 64 * 1024;

    // `url` as NetworkPortAddress parses it; a malformed one makes open() fail with the reason.
    explicit NetworkTransport(const QString &url, QObject *parent = nullptr);
    ~NetworkTransport() override;

    bool open(QString *error) override;
    void close() override;
    bool isOpen() const override { return m_state == State::Open; }
    bool setLineSettings(const LineSettings &settings) override;
    bool write(const QByteArray &bytes) override;
    bool waitForBytesWritten(int msecs) override;
    QByteArray readAll() override;
    void discardInput() override;
    void interruptWait() override;
    QString description() const override;
    QString errorString() const override { return m_error; }

    LineSettings lineSettings() const { return m_settings; }
    // Bytes handed to the socket and not yet taken by the system.
    qint64 pendingOutput() const { return m_socket.bytesToWrite(); }
    // Test-only: multiplies the connection and settings time-outs.
    void setTimeoutScale(double factor) { m_timeoutScale = factor; }

private:
    enum class State { Closed, Connecting, Negotiating, Open };

    // The server's answers still due to the line settings last sent.
    struct SettingsRequest {
        LineSettings settings;
        QList<quint8> unanswered; // COM-PORT-OPTION command codes
        bool rejected = false;
    };

    bool isTelnet() const;
    bool isConnected() const { return m_socket.state() == QAbstractSocket::ConnectedState; }
    bool connectToServer(QString *error);
    bool negotiate(QString *error);
    bool sendLineSettings(const LineSettings &settings, QDeadlineTimer deadline, QString *error);
    bool waitUntil(const std::function<bool()> &done, QDeadlineTimer deadline);
    void wake();
    bool receive();
    void handle(const TelnetCodec::Event &event);
    void takeSettingReply(const TelnetCodec::ComPortReply &reply);
    void onReadyRead();
    void onDisconnected();
    void reset();
    void drop(const QString &reason);
    bool queue(const QByteArray &bytes);
    QString connectFailure() const;
    QString failure(const QString &what) const;
    QString closedFailure() const;
    int scaled(int msecs) const;

    QString m_url;
    std::optional<NetworkPortAddress> m_address;
    QString m_addressError;
    QTcpSocket m_socket;
    TelnetCodec m_codec;
    TelnetOptions m_options;
    LineSettings m_settings;
    std::optional<SettingsRequest> m_request;
    QByteArray m_received;
    // Whether the server's buffer has been purged since the port opened (see discardInput()).
    bool m_serverPurged = false;
    QString m_error;
    QString m_dropReason; // why the connection was dropped, until the next open()
    double m_timeoutScale = 1.0;
    bool m_interrupted = false; // the wait in progress was interrupted
    State m_state = State::Closed;
    QEventLoop *m_loop = nullptr;
};
