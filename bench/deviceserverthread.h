#pragma once

#include "simulateddevice.h"

#include <QSemaphore>
#include <QString>
#include <QThread>
#include <functional>

// Serves a simulated device on a pseudo-terminal from a thread of its own, so that the device's
// work is neither charged to nor delayed by the thread that runs the link.
class DeviceServerThread : public QThread
{
public:
    DeviceServerThread(SimulatedDevice::Model model, SimulatedDevice::Application application,
                       int lineRate);
    ~DeviceServerThread() override;

    // Called in the server's thread whenever the device has taken in a complete command line;
    // set before startServer().
    void setCommandObserver(std::function<void()> observer) { m_observer = std::move(observer); }

    // Starts the thread and returns once the device listens; false with the reason on failure.
    bool startServer(QString *error);
    void stopServer();
    QString slavePath() const { return m_slavePath; }

protected:
    void run() override;

private:
    SimulatedDevice::Model m_model;
    SimulatedDevice::Application m_application;
    int m_lineRate;
    std::function<void()> m_observer;
    QSemaphore m_ready;
    bool m_started = false;
    QString m_slavePath;
    QString m_error;
};
