#include "deviceserverthread.h"

#include "ptydeviceserver.h"

DeviceServerThread::DeviceServerThread(SimulatedDevice::Model model,
                                       SimulatedDevice::Application application, int lineRate)
    : m_model(model), m_application(application), m_lineRate(lineRate)
{
}

DeviceServerThread::~DeviceServerThread()
{
    stopServer();
}

bool DeviceServerThread::startServer(QString *error)
{
    start();
    m_ready.acquire();
    if (!m_started && error)
        *error = m_error;
    return m_started;
}

void DeviceServerThread::stopServer()
{
    quit();
    wait();
}

void DeviceServerThread::run()
{
    PtyDeviceServer server(m_model, m_application);
    server.setLineRate(m_lineRate);
    if (m_observer)
        QObject::connect(&server.device(), &SimulatedDevice::commandHandled,
                         [this] { m_observer(); });
    m_started = server.start(&m_error);
    m_slavePath = server.slavePath();
    m_ready.release();
    if (m_started)
        exec();
}
