#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>
#include <chrono>

class DialogService;
class PortBinding;
class QEventLoop;

// The serial link of one port: owns the port `commStart`, sends one command at a time with
// `SendAndWait`, assembles and classifies the reply in `ReceiveReply`, and reports time-outs,
// refusals and port failures to the user.
//
// Port numbers 1..4 are resolved to system devices through the PortBinding given with
// setPortBinding(); without one, "COMn" on Windows and elsewhere the n-th system serial port in
// PortBinding's default order.
class SerialLink : public QObject
{
    Q_OBJECT

public:
    static constexpr int slowTimeoutMs = 4000; // DeviceClass 0 and 1
    static constexpr int fastTimeoutMs = 2000; // DeviceClass 4 and 8
    static constexpr char carriageReturn = 13;
    static constexpr char nak = 21;
    // Idle line time left after each character for devices that assemble commands one character
    // at a time (see characterPause()).
    static constexpr std::chrono::microseconds deviceSettleTime{1000};

    explicit SerialLink(DialogService &dialogs, QObject *parent = nullptr);
    ~SerialLink() override;

    QSerialPort &commStart() { return m_port; }

    void setPortBinding(PortBinding *binding) { m_binding = binding; }
    PortBinding *portBinding() const { return m_binding; }

    // Selects port option 1..4; takes effect at the next open.
    void setPortNumber(int number);
    int portNumber() const { return m_portNumber; }
    // Selects a system port by name or path directly ("ttyUSB0", "/dev/pts/3", "COM3").
    void setPortName(const QString &systemName);
    QString portName() const { return m_portName; }

    // Line settings as the settings store keeps them: "<rate>,<parity>,<data bits>,<stop bits>",
    // parity n/e/o/m/s, 7 or 8 data bits, 1 or 2 stop bits. Returns false and keeps the previous
    // settings when the text is malformed or the open port rejects it.
    bool setSettings(const QString &settings);
    QString settings() const { return m_settings; }

    bool open(QString *error = nullptr);
    void close();
    bool isOpen() const { return m_port.isOpen(); }
    // Why the last open() failed: DeviceNotFoundError for a missing device (also an option bound
    // to nothing), PermissionError or OpenError for one that is in use or not accessible.
    QSerialPort::SerialPortError openError() const { return m_openError; }

    void SendAndWait(const QByteArray &command, quint8 attempts = 3);
    void ReceiveReply();

    QChar ReplyStatus() const { return m_replyStatus; }
    void setReplyStatus(QChar status) { m_replyStatus = status; }
    QByteArray LastReply() const { return m_lastReply; }
    bool InTime() const { return m_inTime; }

    int DeviceClass() const { return m_deviceClass; }
    void setDeviceClass(int deviceClass) { m_deviceClass = deviceClass; }
    bool CancelRequested() const { return m_cancelRequested; }
    void setCancelRequested(bool requested) { m_cancelRequested = requested; }

    bool isWaiting() const { return m_waiting; }

    // Reply time-out of one attempt for the current DeviceClass, in milliseconds.
    int replyTimeout() const;
    // Test-only: multiplies the reply time-outs.
    void setTimeoutScale(double factor) { m_timeoutScale = factor; }
    // The pause after each character sent to a device of class 0 or 1 at the current rate.
    std::chrono::microseconds characterPause() const;

signals:
    void commandSent(const QByteArray &command);
    void replyCompleted(const QByteArray &reply);
    void portStateChanged(bool open);

private:
    bool send(const QByteArray &command, QString *failure);
    bool sendByCharacter(const QByteArray &command, QString *failure);
    void onTimeout();
    void closeLostPort();
    QString describeOpenFailure() const;
    QString portDescription(const QString &what) const;
    bool slowDevice() const;

    DialogService &m_dialogs;
    QSerialPort m_port;
    QTimer m_timer; // tmrTime1: the reply time-out of one attempt
    PortBinding *m_binding = nullptr;

    int m_portNumber = 1;
    QString m_portName;
    QString m_settings;
    int m_rate = 9600;
    int m_bitsPerCharacter = 10;
    QSerialPort::SerialPortError m_openError = QSerialPort::NoError;

    QChar m_replyStatus;
    QByteArray m_lastReply;
    QByteArray m_rxBuffer;
    bool m_inTime = true;
    int m_deviceClass = 0;
    bool m_cancelRequested = false;
    bool m_waiting = false;
    double m_timeoutScale = 1.0;

    QEventLoop *m_loop = nullptr;
    QString m_portFailure; // set when the port failed while a command was outstanding
    bool m_sending = false;
    bool m_receivePending = false;
    bool m_closePending = false;
};
