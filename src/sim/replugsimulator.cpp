#include "replugsimulator.h"

#include "simulateddevice.h"

ReplugSimulator::ReplugSimulator(SimulatedDevice &device, std::chrono::milliseconds every,
                                 QObject *parent)
    : QObject(parent), m_device(device)
{
    for (QTimer *timer : {&m_everyTimer, &m_quietTimer, &m_absentTimer}) {
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
    }
    m_everyTimer.setInterval(every);
    m_absentTimer.setInterval(defaultAbsentTime);
    connect(&m_everyTimer, &QTimer::timeout, this, &ReplugSimulator::unplug);
    connect(&m_quietTimer, &QTimer::timeout, this, &ReplugSimulator::unplug);
    connect(&m_absentTimer, &QTimer::timeout, this, &ReplugSimulator::plugIn);
    connect(&device, &SimulatedDevice::commandHandled, this, &ReplugSimulator::onCommand);
    connect(&device, &SimulatedDevice::directoryWritten, this,
            &ReplugSimulator::onDirectoryWritten);
    if (every.count() > 0)
        m_everyTimer.start();
}

void ReplugSimulator::onDirectoryWritten()
{
    m_programmed = true;
}

void ReplugSimulator::onCommand(const QByteArray &command)
{
    if (m_programmed && command.startsWith("@E"))
        m_quietTimer.start(m_quietTime);
}

void ReplugSimulator::unplug()
{
    m_everyTimer.stop();
    m_quietTimer.stop();
    m_programmed = false;
    m_device.setPluggedIn(false);
    emit unplugged();
    m_absentTimer.start();
}

void ReplugSimulator::plugIn()
{
    m_device.erase();
    m_device.setPluggedIn(true);
    ++m_replugs;
    emit pluggedIn();
    if (m_everyTimer.interval() > 0)
        m_everyTimer.start();
}
