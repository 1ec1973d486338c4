#include "deviceserverthread.h"

#include "ptydeviceserver.h"
#include "replugsimulator.h"

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
    std::unique_ptr<ReplugSimulator> replug;
    if (m_replugging)
        replug = std::make_unique<ReplugSimulator>(server.device(), std::chrono::milliseconds(0));
    m_started = server.start(&m_error);
    m_slavePath = server.slavePath();
    m_ready.release();
    if (m_started)
        exec();
}

// A turnaround runs from the later of the reply's last byte written and the end of the other
// end's pause after the command's last character, to the next command's first byte read.
void DeviceServerThread::recordTurnarounds(PtyDeviceServer &server)
{
    using Clock = std::chrono::steady_clock;
    struct Marks {
        std::optional<Clock::time_point> readyAt;
        Clock::time_point lastReadAt;
    };
    auto marks = std::make_shared<Marks>();
    const auto pause = std::chrono::nanoseconds(m_pauseNs);
    QObject::connect(&server, &PtyDeviceServer::outputDrained, [marks, pause] {
        marks->readyAt = std::max(Clock::now(), marks->lastReadAt + pause);
    });
    QObject::connect(&server, &PtyDeviceServer::inputRead, [this, marks] {
        const Clock::time_point now = Clock::now();
        if (marks->readyAt.has_value() && m_recording.load(std::memory_order_relaxed))
            m_turnaroundsNs.push_back(
                std::chrono::duration_cast<std::chrono::nanoseconds>(now - *marks->readyAt)
                    .count());
        marks->readyAt.reset();
        marks->lastReadAt = now;
    });
    QObject::connect(&server, &DeviceServer::transmitted, [this](qint64 lateNs) {
        if (m_recording.load(std::memory_order_relaxed))
            m_latenessNs.push_back(lateNs);
    });
}
