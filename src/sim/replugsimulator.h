#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>

class SimulatedDevice;

// Plays the operator of a production station who swaps devices: unplugs the simulated device
// once a programming run (and the read-back that may follow) is over, or every so many seconds,
// whichever comes first, keeps the line silent for a while and plugs in a fresh, erased device.
//
// A programming run is taken as over when a directory entry has been written (the last step of
// a run, and the first as well) and then no memory access command has come for the quiet time:
// the commands of a run and of its read-back follow each other closely, while a station polling
// with the identification command to see the device go and come does not hold the swap off.
class ReplugSimulator : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds defaultQuietTime{1000};
    static constexpr std::chrono::milliseconds defaultAbsentTime{2000};

    // `every` 0: only after each programming run.
    ReplugSimulator(SimulatedDevice &device, std::chrono::milliseconds every,
                    QObject *parent = nullptr);

    // Scaled-down times for tests.
    void setQuietTime(std::chrono::milliseconds quiet) { m_quietTime = quiet; }
    void setAbsentTime(std::chrono::milliseconds absent) { m_absentTimer.setInterval(absent); }

    int replugCount() const { return m_replugs; }

signals:
    void unplugged();
    void pluggedIn();

private:
    void onCommand(const QByteArray &command);
    void onDirectoryWritten();
    void unplug();
    void plugIn();

    SimulatedDevice &m_device;
    QTimer m_everyTimer;
    QTimer m_quietTimer;
    QTimer m_absentTimer;
    std::chrono::milliseconds m_quietTime = defaultQuietTime;
    bool m_programmed = false;
    int m_replugs = 0;
};
