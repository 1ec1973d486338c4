#pragma once

#include "simulateddevice.h"

#include <QSemaphore>
#include <QString>
#include <QThread>
#include <atomic>
#include <functional>
#include <vector>

class PtyDeviceServer;

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

    // While on, records the other end's turnaround as the device sees it: from the last byte of
    // a reply written to the line to the first byte of the next command read from it, and how
    // late the emulated line sent each reply. Read both once the server has stopped.
    void setRecordingTurnarounds(bool on) { m_recording.store(on, std::memory_order_relaxed); }
    const std::vector<qint64> &turnaroundsNs() const { return m_turnaroundsNs; }
    const std::vector<qint64> &latenessNs() const { return m_latenessNs; }
    // The other end's pause after each character it sends (classes 0 and 1): a turnaround then
    // starts no earlier than that pause after the command's last character has been read, so
    // that it holds the other end's own time and not its pause. Set before startServer().
    void setPauseAfterCharacter(qint64 ns) { m_pauseNs = ns; }
    // Unplugs the device after each programming run and plugs in a fresh one (ReplugSimulator's
    // defaults). Set before startServer().
    void setReplugging(bool on) { m_replugging = on; }

    // Starts the thread and returns once the device listens; false with the reason on failure.
    bool startServer(QString *error);
    void stopServer();
    QString slavePath() const { return m_slavePath; }

protected:
    void run() override;

private:
    void recordTurnarounds(PtyDeviceServer &server);

    SimulatedDevice::Model m_model;
    SimulatedDevice::Application m_application;
    int m_lineRate;
    std::function<void()> m_observer;
    QSemaphore m_ready;
    bool m_started = false;
    QString m_slavePath;
    QString m_error;
    std::atomic<bool> m_recording = false;
    qint64 m_pauseNs = 0;
    bool m_replugging = false;
    std::vector<qint64> m_turnaroundsNs; // written by the server's thread only
    std::vector<qint64> m_latenessNs;    // likewise
};
