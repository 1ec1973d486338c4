#pragma once

#include "linesettings.h"

#include <QByteArray>
#include <QObject>
#include <QString>

// One byte channel to a device, a local serial port or a serial server on the network, as the
// device link uses it: open, set the line, write, take what arrived, and hear when it is lost.
class PortTransport : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Opens the channel; on failure returns false and sets *error to a sentence for the operator.
    virtual bool open(QString *error) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Applies the line settings now when open, and at the next open otherwise. False when the
    // channel rejects them; the previous settings then stay in force.
    virtual bool setLineSettings(const LineSettings &settings) = 0;

    // Queues bytes for sending; false when the channel refused them.
    virtual bool write(const QByteArray &bytes) = 0;
    // Blocks until what write() queued has been handed to the system, at most msecs.
    virtual bool waitForBytesWritten(int msecs) = 0;
    // Takes everything received so far.
    virtual QByteArray readAll() = 0;
    // Drops what was received and not yet taken, here and in the system's buffers.
    virtual void discardInput() = 0;

    // Ends a wait of open() or setLineSettings() for the other end at once; it then fails.
    // Nothing happens when nothing waits.
    virtual void interruptWait() {}

    // What the channel is, for messages: "/dev/ttyUSB0", "rfc2217://10.0.0.5:4001".
    virtual QString description() const = 0;
    virtual QString errorString() const = 0;
    // What opening found out about the adapter's latency: a note for traces, and a warning for
    // the operator when the adapter holds replies back; empty where there is nothing to say.
    virtual QString adapterNote() const { return {}; }
    virtual QString adapterWarning() const { return {}; }

signals:
    void readyRead();
    // The channel failed while open (a device unplugged, a connection closed by the server);
    // it is closed when this is emitted.
    void lost(const QString &description);
};
