#pragma once

#include <QObject>
#include <QString>

class SimulatedDevice;

// A simulated device served to programs that open it as their port: where they reach it, the
// device itself and the emulated line rate, whatever carries the bytes.
class DeviceServer : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual bool start(QString *error = nullptr) = 0;
    virtual void stop() = 0;
    virtual bool isRunning() const = 0;
    // The name a program opens as its port: a pseudo-terminal's path, or
    // "socket://127.0.0.1:PORT".
    virtual QString portName() const = 0;
    virtual SimulatedDevice &device() = 0;
    // Line-rate emulation as ReplySchedule::setLineRate() describes it; 0 switches it off.
    virtual void setLineRate(int bitsPerSecond) = 0;

signals:
    // The line was dropped on the device's request.
    void lineDropped();
    // Replies, or pieces of them, have been handed to the line, the last `lateNs` after it was
    // due: how far the emulated line lags behind the time its characters would take. The time the
    // system then takes to deliver them belongs to the line, as it does on a serial port.
    void transmitted(qint64 lateNs);
};
