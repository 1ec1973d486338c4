#include "simulatedport.h"

SimulatedPort::SimulatedPort(SimulatedDevice::Model model, SimulatedDevice::Application application)
    : m_server(model, application)
{
    m_server.start(&m_error);
}
