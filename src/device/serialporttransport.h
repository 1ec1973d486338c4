#pragma once

#include "porttransport.h"

#include <QSerialPort>

// A local serial port (a system device, a USB adapter or a pseudo-terminal) as the link's channel.
class SerialPortTransport : public PortTransport
{
    Q_OBJECT

public:
    explicit SerialPortTransport(const QString &systemName, QObject *parent = nullptr);
    ~SerialPortTransport() override;

    bool open(QString *error) override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    bool setLineSettings(const LineSettings &settings) override;
    bool write(const QByteArray &bytes) override;
    bool waitForBytesWritten(int msecs) override;
    QByteArray readAll() override;
    void discardInput() override;
    QString description() const override { return m_port.portName(); }
    QString errorString() const override { return m_port.errorString(); }

private:
    void onError(QSerialPort::SerialPortError error);
    QString describeOpenFailure() const;

    QSerialPort m_port;
    LineSettings m_settings;
};
