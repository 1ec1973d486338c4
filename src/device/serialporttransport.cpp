#include "serialporttransport.h"

namespace
{

QSerialPort::Parity serialParity(LineSettings::Parity parity)
{
    switch (parity) {
    case LineSettings::Parity::Even:
        return QSerialPort::EvenParity;
    case LineSettings::Parity::Odd:
        return QSerialPort::OddParity;
    case LineSettings::Parity::Mark:
        return QSerialPort::MarkParity;
    case LineSettings::Parity::Space:
        return QSerialPort::SpaceParity;
    case LineSettings::Parity::None:
        break;
    }
    return QSerialPort::NoParity;
}

} // namespace

SerialPortTransport::SerialPortTransport(const QString &systemName, QObject *parent)
    : PortTransport(parent)
{
    m_port.setPortName(systemName);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    apply(m_settings);
    connect(&m_port, &QSerialPort::readyRead, this, &PortTransport::readyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialPortTransport::onError);
}

bool SerialPortTransport::open(QString *error)
{
    m_port.clearError();
    if (m_port.open(QIODevice::ReadWrite))
        return true;
    if (error)
        *error = QStringLiteral("%1: %2").arg(m_port.portName(), m_port.errorString());
    return false;
}

void SerialPortTransport::close()
{
    m_port.close();
}

bool SerialPortTransport::setLineSettings(const LineSettings &settings)
{
    if (!apply(settings)) {
        apply(m_settings);
        return false;
    }
    m_settings = settings;
    return true;
}

bool SerialPortTransport::apply(const LineSettings &settings)
{
    return m_port.setBaudRate(settings.rate) && m_port.setParity(serialParity(settings.parity)) &&
           m_port.setDataBits(QSerialPort::DataBits(settings.dataBits)) &&
           m_port.setStopBits(settings.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
}

bool SerialPortTransport::write(const QByteArray &bytes)
{
    return m_port.write(bytes) == bytes.size();
}

bool SerialPortTransport::waitForBytesWritten(int msecs)
{
    return m_port.bytesToWrite() == 0 || m_port.waitForBytesWritten(msecs);
}

QByteArray SerialPortTransport::readAll()
{
    return m_port.readAll();
}

void SerialPortTransport::discardInput()
{
    m_port.readAll();
    if (m_port.isOpen())
        m_port.clear(QSerialPort::Input);
}

// A device that vanished or a port that broke cannot be used again: it is closed and reported.
void SerialPortTransport::onError(QSerialPort::SerialPortError error)
{
    if (!m_port.isOpen() || (error != QSerialPort::ResourceError &&
                             error != QSerialPort::ReadError && error != QSerialPort::WriteError))
        return;
    const QString message = m_port.errorString();
    m_port.close();
    emit lost(message);
}
