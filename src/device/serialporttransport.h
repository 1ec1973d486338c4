#pragma once

#include "adapterlatency.h"
#include "porttransport.h"
#include "porttransportfactory.h"

#include <QSerialPort>

// A local serial port (a system device, a USB adapter or a pseudo-terminal) as the link's channel.
// While open, the adapter is asked to pass replies on at once (see AdapterLatency).
class SerialPortTransport : public PortTransport
{
    Q_OBJECT

public:
    explicit SerialPortTransport(
        const QString &systemName, QObject *parent = nullptr,
        std::unique_ptr<AdapterLatency::Setting> latency = AdapterLatency::systemSetting());
    ~SerialPortTransport() override;

    // Opens the system port and closes it again at once, leaving its adapter's settings alone.
    static PortAvailability probe(const QString &systemName);

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
    QString adapterNote() const override { return m_latency.note(); }
    QString adapterWarning() const override { return m_warning; }

private:
    void onError(QSerialPort::SerialPortError error);
    QString describeOpenFailure() const;
    void closePort();

    QSerialPort m_port;
    LineSettings m_settings;
    AdapterLatency m_latency;
    QString m_warning;
};
