#pragma once

#include "deviceserver.h"
#include "replyschedule.h"
#include "replytimer.h"
#include "simulateddevice.h"

#include <QTcpServer>

class QTcpSocket;

// Serves a SimulatedDevice on a TCP port of the loopback interface, as a serial server hands a
// serial line over a raw TCP stream: whatever opens "socket://127.0.0.1:PORT" talks to the device.
// Carries out the reply delays, chunked replies and line drops that the device's faults ask for,
// and can emulate the time characters take on a line. A line drop closes the connection; the
// server goes on listening.
//
// One connection at a time: a new connection takes the line over and the one before is closed,
// as a serial port goes to whoever opens it last. A client that closes and at once connects again
// is so never turned away because its old connection has not been seen closing yet.
class TcpDeviceServer : public DeviceServer
{
    Q_OBJECT
public:
    // `port` 0: any free port, which serverPort() tells once started.
    TcpDeviceServer(SimulatedDevice::Model model, SimulatedDevice::Application application,
                    quint16 port = 0, QObject *parent = nullptr);
    ~TcpDeviceServer() override;

    bool start(QString *error = nullptr) override;
    void stop() override;
    bool isRunning() const override { return m_server.isListening(); }
    quint16 serverPort() const { return m_server.serverPort(); }
    // "socket://127.0.0.1:PORT"; empty while stopped.
    QString portName() const override;
    SimulatedDevice &device() override { return *m_device; }
    void setLineRate(int bitsPerSecond) override { m_schedule.setLineRate(bitsPerSecond); }

private:
    void acceptClients();
    void readFromClient();
    void transmitDue();
    void dropLine();
    void releaseClient();

    SimulatedDevice *m_device;
    quint16 m_port;
    QTcpServer m_server;
    QTcpSocket *m_client = nullptr;
    ReplySchedule m_schedule;
    ReplyTimer m_transmitTimer{this};
};
