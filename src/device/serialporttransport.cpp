#include "serialporttransport.h"

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace
{

QSerialPort::Parity parityOf(LineSettings::Parity parity)
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

bool applyTo(QSerialPort &port, const LineSettings &settings)
{
    return port.setBaudRate(settings.rate) && port.setParity(parityOf(settings.parity)) &&
           port.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits)) &&
           port.setStopBits(settings.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
}

bool isPortFailure(QSerialPort::SerialPortError error)
{
    return error == QSerialPort::ResourceError || error == QSerialPort::ReadError ||
           error == QSerialPort::WriteError;
}

} // namespace

SerialPortTransport::SerialPortTransport(const QString &systemName, QObject *parent,
                                         std::unique_ptr<AdapterLatency::Setting> latency)
    : PortTransport(parent), m_latency(std::move(latency))
{
    m_port.setPortName(systemName);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    applyTo(m_port, m_settings);
    connect(&m_port, &QSerialPort::readyRead, this, &PortTransport::readyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialPortTransport::onError);
}

SerialPortTransport::~SerialPortTransport()
{
    disconnect(&m_port, nullptr, this, nullptr);
    closePort();
}

PortAvailability SerialPortTransport::probe(const QString &systemName)
{
    QSerialPort port;
    port.setPortName(systemName);
    if (port.open(QIODevice::ReadWrite)) {
        port.close();
        return PortAvailability::Free;
    }
    if (port.error() == QSerialPort::DeviceNotFoundError ||
        port.error() == QSerialPort::UnsupportedOperationError)
        return PortAvailability::Missing;
    return PortAvailability::InUse;
}

bool SerialPortTransport::open(QString *error)
{
    m_port.clearError();
    if (m_port.open(QIODevice::ReadWrite)) {
        m_latency.engage(qintptr(m_port.handle()));
        m_warning = AdapterLatency::timerWarning(m_port.portName());
        return true;
    }
    if (error)
        *error = describeOpenFailure();
    return false;
}

QString SerialPortTransport::describeOpenFailure() const
{
    if (m_port.error() == QSerialPort::PermissionError) {
#ifdef Q_OS_UNIX
        const QString name = m_port.portName();
        const QString path =
            name.startsWith(QLatin1Char('/')) ? name : QStringLiteral("/dev/") + name;
        if (::access(path.toLocal8Bit().constData(), R_OK | W_OK) != 0) {
            return QStringLiteral("permission denied. To get access to serial ports, add your user "
                                  "to the \"dialout\" group (sudo usermod -aG dialout $USER) and "
                                  "log in again.");
        }
#endif
        return QStringLiteral("the port is in use by another program.");
    }
    return m_port.errorString();
}

void SerialPortTransport::close()
{
    closePort();
}

void SerialPortTransport::closePort()
{
    if (m_port.isOpen())
        m_latency.release(qintptr(m_port.handle()));
    m_port.close();
}

bool SerialPortTransport::setLineSettings(const LineSettings &settings)
{
    if (!applyTo(m_port, settings)) {
        applyTo(m_port, m_settings);
        return false;
    }
    m_settings = settings;
    return true;
}

bool SerialPortTransport::write(const QByteArray &bytes)
{
    if (m_port.write(bytes) != bytes.size())
        return false;
    // QSerialPort would hand the bytes to the system at its next write notification, a turn of
    // the event loop later; the link waits for the reply from now on, so they go at once.
    m_port.flush();
    return true;
}

bool SerialPortTransport::waitForBytesWritten(int msecs)
{
    return m_port.isOpen() && (m_port.bytesToWrite() == 0 || m_port.waitForBytesWritten(msecs));
}

QByteArray SerialPortTransport::readAll()
{
    return m_port.readAll();
}

void SerialPortTransport::discardInput()
{
    m_port.clear(QSerialPort::Input);
    m_port.readAll();
}

void SerialPortTransport::onError(QSerialPort::SerialPortError error)
{
    // The device is gone or the port broke: nothing more can be read from it.
    if (!isPortFailure(error) || !m_port.isOpen())
        return;
    closePort();
    emit lost(QStringLiteral("the device was disconnected"));
}
