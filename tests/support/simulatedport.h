#pragma once

#include "ptydeviceserver.h"

using Model = SimulatedDevice::Model;
using Application = SimulatedDevice::Application;
using Fault = SimulatedDevice::Fault;

// A simulated ticket device served on a pseudo-terminal for the length of a test: open
// slavePath() as the serial port, inspect and steer the device through device().
class SimulatedPort
{
public:
    explicit SimulatedPort(Model model = Model::Velmar,
                           Application application = Application::Industrial)
        : m_server(model, application)
    {
        m_server.start(&m_error);
    }

    // Empty when the pseudo-terminal could not be opened (the reason is in errorString()).
    QString slavePath() const { return m_server.slavePath(); }
    QString errorString() const { return m_error; }
    SimulatedDevice &device() { return m_server.device(); }
    PtyDeviceServer &server() { return m_server; }

private:
    PtyDeviceServer m_server;
    QString m_error;
};
