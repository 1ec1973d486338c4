#include "tcpdeviceserver.h"

#include <QTcpSocket>
#include <utility>

TcpDeviceServer::TcpDeviceServer(SimulatedDevice::Model model,
                                 SimulatedDevice::Application application, quint16 port,
                                 QObject *parent)
    : DeviceServer(parent), m_device(new SimulatedDevice(model, application, this)), m_port(port)
{
    connect(&m_transmitTimer, &ReplyTimer::timeout, this, &TcpDeviceServer::transmitDue);
    connect(&m_server, &QTcpServer::newConnection, this, &TcpDeviceServer::acceptClients);
}

TcpDeviceServer::~TcpDeviceServer()
{
    stop();
}

bool TcpDeviceServer::start(QString *error)
{
    stop();
    if (m_server.listen(QHostAddress::LocalHost, m_port))
        return true;
    if (error) {
        *error = QStringLiteral("cannot listen on 127.0.0.1:%1: %2")
                     .arg(m_port)
                     .arg(m_server.errorString());
    }
    return false;
}

void TcpDeviceServer::stop()
{
    releaseClient();
    m_server.close();
}

QString TcpDeviceServer::portName() const
{
    if (!isRunning())
        return {};
    return QStringLiteral("socket://127.0.0.1:%1").arg(m_server.serverPort());
}

void TcpDeviceServer::acceptClients()
{
    while (QTcpSocket *next = m_server.nextPendingConnection()) {
        releaseClient();
        m_client = next;
        // Each reply, and each chunk of a split one, leaves when it is due.
        m_client->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        connect(m_client, &QTcpSocket::readyRead, this, &TcpDeviceServer::readFromClient);
        connect(m_client, &QTcpSocket::disconnected, this, &TcpDeviceServer::releaseClient);
    }
}

void TcpDeviceServer::readFromClient()
{
    QTcpSocket *const client = m_client;
    if (!client)
        return;
    const QByteArray bytes = client->readAll();
    const qint64 now = ReplySchedule::now();
    // One character at a time, so that each reply knows when its command's last character
    // arrived on the emulated line.
    for (const char c : bytes) {
        const qint64 arrived = m_schedule.characterArrived(now);
        const auto replies = m_device->receiveReplies(QByteArray(1, c));
        for (const SimulatedDevice::Reply &reply : replies)
            m_schedule.add(reply, arrived);
        // Whoever watches the device may have stopped the server.
        if (m_client != client)
            return;
    }
    transmitDue();
}

void TcpDeviceServer::transmitDue()
{
    if (!m_client)
        return;
    std::optional<qint64> lastDueNs;
    for (const ReplySchedule::Transmission &next : m_schedule.takeDue()) {
        if (next.dropLine) {
            dropLine();
            return;
        }
        m_client->write(next.bytes);
        lastDueNs = next.dueNs;
    }
    const qint64 handedNs = ReplySchedule::now();
    m_client->flush();
    if (lastDueNs)
        emit transmitted(handedNs - *lastDueNs);
    if (const std::optional<qint64> due = m_schedule.nextDueNs())
        m_transmitTimer.start(*due);
}

// The connection closes once what was sent before the drop has gone out.
void TcpDeviceServer::dropLine()
{
    QTcpSocket *const client = std::exchange(m_client, nullptr);
    m_schedule.clear();
    m_transmitTimer.stop();
    disconnect(client, nullptr, this, nullptr);
    connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
    client->disconnectFromHost();
    if (client->state() == QAbstractSocket::UnconnectedState)
        client->deleteLater();
    emit lineDropped();
}

// Replies still waiting were meant for this client and go with it.
void TcpDeviceServer::releaseClient()
{
    m_schedule.clear();
    m_transmitTimer.stop();
    QTcpSocket *const client = std::exchange(m_client, nullptr);
    if (!client)
        return;
    disconnect(client, nullptr, this, nullptr);
    client->abort();
    // Possibly within one of its own signals.
    client->deleteLater();
}
