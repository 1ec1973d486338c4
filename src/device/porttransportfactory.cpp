#include "porttransportfactory.h"

#include "serialporttransport.h"

std::unique_ptr<PortTransport> makePortTransport(const QString &portName, QObject *parent)
{
    return std::make_unique<SerialPortTransport>(portName, parent);
}
