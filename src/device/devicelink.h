#pragma once

#include "deviceclass.h"
#include "linesettings.h"
#include "linkreply.h"
#include "replyassembler.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>

class PortBinding;
class PortTransport;
class QEventLoop;

// The link to the device on one port, a local serial port or a serial server on the network:
// sends one command at a time, assembles the reply (complete at a carriage return, or at nine
// characters holding "@" once the line has gone quiet after them), repeats the command when no
// reply comes in time, and says how the command ended. It shows nothing: refusals are announced as
// they arrive, everything else in the returned LinkReply.
//
// Port numbers 1..4 are resolved to system devices through the PortBinding given with
// setPortBinding(); without one, "COMn" on Windows and elsewhere the n-th system serial port in
// PortBinding's default order. A port name may also be a network port (socket://, rfc2217://).
class DeviceLink : public QObject
{
    Q_OBJECT

public:
    static constexpr int slowTimeoutMs = 4000; // no device class, and the older ZORLA
    static constexpr int fastTimeoutMs = 2000; // the later ZORLA and the VELMAR
    static constexpr char nak = 21;
    // Idle line time left after each character for devices that assemble commands one character
    // at a time (see characterPause()).
    static constexpr std::chrono::microseconds deviceSettleTime{1000};
    static constexpr qsizetype keptAfterFlood = ReplyAssembler::keptAfterOverflow;
    // The quiet time after nine characters holding "@" that makes them a reply on a network port.
    static constexpr std::chrono::milliseconds networkQuietGap{50};

    explicit DeviceLink(QObject *parent = nullptr);
    ~DeviceLink() override;

    void setPortBinding(PortBinding *binding) { m_binding = binding; }

    // Selects port option 1..4; takes effect at the next open.
    void setPortNumber(int number);
    int portNumber() const { return m_portNumber; }
    // Selects a port by system name, path or network address ("ttyUSB0", "/dev/pts/3", "COM3",
    // "socket://host:4001"); takes effect at the next open.
    void setPortName(const QString &systemName);
    QString portName() const { return m_portName; }

    // Applies at once to an open port. False, keeping the previous settings, when the port
    // rejects them.
    bool setLineSettings(const LineSettings &settings);
    LineSettings lineSettings() const { return m_lineSettings; }

    bool open(QString *error = nullptr);
    void close();
    bool isOpen() const;
    // What opening the port found out about its adapter's latency (see PortTransport), while it
    // is open.
    QString adapterNote() const;
    QString adapterWarning() const;

    // Sends the command and waits for its reply, sending it again up to `attempts` times in all
    // (at least once) while no reply comes within the time-out. Events are processed meanwhile.
    // What waits in the port's input, or was left of an unfinished reply, is dropped before each
    // attempt. With an echo, a reply counts only if it
    // starts with it (or is a refusal) and ends at its carriage return; any other is stale: it is
    // dropped and the wait goes on within the same time-out.
    LinkReply exchange(const QByteArray &command, int attempts = 3,
                       const QByteArray &echo = QByteArray());
    bool isWaiting() const { return m_waiting != Waiting::Nothing; }
    // Ends the wait in progress at once, without sending the command again; the exchange returns
    // Aborted. Nothing happens when no command waits.
    void abort();

    DeviceClass deviceClass() const { return m_deviceClass; }
    void setDeviceClass(DeviceClass deviceClass) { m_deviceClass = deviceClass; }

    // Reply time-out of one attempt for the current device class, in milliseconds.
    int replyTimeout() const;
    // Test-only: multiplies the reply time-outs.
    void setTimeoutScale(double factor) { m_timeoutScale = factor; }
    // Test-only: changes what an unfinished reply may grow to (see ReplyAssembler).
    void setReceiveLimit(qsizetype bytes) { m_assembler.setLimit(bytes); }
    // Test-only: called with the index of each character of a command just before it is written
    // (with 0 before a command that goes out at once).
    void setBeforeCharacter(std::function<void(qsizetype)> hook)
    {
        m_beforeCharacter = std::move(hook);
    }
    // The pause after each character sent to a device of the older classes at the current rate.
    std::chrono::microseconds characterPause() const;

signals:
    void portOpened();
    void commandSent(const QByteArray &command);
    void replyCompleted(const QByteArray &reply);
    // A refusal (NAK) completed; while a command waits, its time-out keeps running meanwhile.
    void refused();

private:
    // Where the command in progress is. While it is Sending, no events are processed (the pauses
    // between characters sleep), and input the transport announces meanwhile is held and read as
    // soon as the command is out, so that no reply is taken in before its command has gone.
    //
    // Otherwise, while a command is in progress, it is Reply, and a nested event loop runs until
    // the reply completes, the attempt's time-out passes, the port is lost or abort() is called.
    // Everything else in the application runs meanwhile: the window repaints and takes input, the
    // refusal box opens with its own nested loop (the time-out keeps running under it), the
    // operator cancels, and links on other ports send and wait in loops nested inside this one.
    // What is forbidden is a second command on this same link before the first has returned: the
    // front ends run one procedure per link at a time, and debug builds stop on it.
    enum class Waiting {
        Nothing,          // no command in progress
        Sending,          // the command is going out
        SendingInputHeld, // the command is going out, and input arrived meanwhile
        Reply,            // a command is in progress, and a reply to it is taken as it arrives
    };

    bool send(const QByteArray &command, QString *failure);
    bool sendByCharacter(const QByteArray &command, QString *failure);
    QString sendFailure() const;
    LinkReply finishExchange(const QString &failure);
    void startAttempt();
    void receive();
    bool acceptReply(const QByteArray &reply);
    void completeReply(const QByteArray &reply);
    void onTimeout();
    void onQuiet();
    std::chrono::milliseconds quietGap() const;
    void onLost(const QString &description);
    QString portDescription(const QString &what) const;
    QString portLabel() const;
    bool slowDevice() const;

    std::unique_ptr<PortTransport> m_transport;
    QTimer m_timer;      // the reply time-out of one attempt
    QTimer m_quietTimer; // the quiet line after what may be a short reply
    PortBinding *m_binding = nullptr;

    // Port option 1 until another is chosen; its system device is looked up only when the port
    // opens, since listing the system's serial ports takes milliseconds of work.
    int m_portNumber = 1;
    bool m_byNumber = true; // the port was chosen as an option, not by name
    QString m_portName;
    LineSettings m_lineSettings;

    LinkReply::Status m_status = LinkReply::Status::TimedOut;
    QByteArray m_reply;
    ReplyAssembler m_assembler;
    Waiting m_waiting = Waiting::Nothing;
    // How the attempt's wait ended besides a reply; a refusal may come with both.
    bool m_inTime = true;   // false once the attempt's time-out has passed
    bool m_aborted = false; // abort() ended it
    DeviceClass m_deviceClass = DeviceClass::None;
    QByteArray m_echo;
    double m_timeoutScale = 1.0;

    QEventLoop *m_loop = nullptr;
    QString m_portFailure; // set when the port failed while a command was outstanding
    QString m_lost;        // why the port was lost, until it is opened or closed again
    std::function<void(qsizetype)> m_beforeCharacter;
};
