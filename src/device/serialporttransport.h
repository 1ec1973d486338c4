#pragma once

#include "porttransport.h"

#include <QSerialPort>

// A local serial port (or pseudo-terminal) as the byte channel of a link.
class SerialPortTransport : public PortTransport
{
    Q_OBJECT

public:
    SerialPortTransport(const QString &systemName, QObject *parent = nullptr);

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
    bool apply(const LineSettings &settings);
    void onError(QSerialPort::SerialPortError error);

    QSerialPort m_port;
    LineSettings m_settings;
};
