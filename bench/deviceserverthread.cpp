#include "deviceserverthread.h"

#include "ptydeviceserver.h"

#include <chrono>
#include <memory>
#include <optional>

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
    recordTurnarounds(server);
    m_started = server.start(&m_error);
    m_slavePath = server.slavePath();
    m_ready.release();
    if (m_started)
        exec();
}

void DeviceServerThread::recordTurnarounds(PtyDeviceServer &server)
{
    using Clock = std::chrono::steady_clock;
    auto drainedAt = std::make_shared<std::optional<Clock::time_point>>();
    QObject::connect(&server, &PtyDeviceServer::outputDrained,
                     [drainedAt] { *drainedAt = Clock::now(); });
    QObject::connect(&server, &PtyDeviceServer::inputRead, [this, drainedAt] {
        const Clock::time_point now = Clock::now();
        if (drainedAt->has_value() && m_recording.load(std::memory_order_relaxed))
            m_turnaroundsNs.push_back(
                std::chrono::duration_cast<std::chrono::nanoseconds>(now - **drainedAt).count());
        drainedAt->reset();
    });
}
