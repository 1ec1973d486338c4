#include "porttransportfactory.h"

#include "networkportaddress.h"
#include "networktransport.h"
#include "serialporttransport.h"

PortTransport *makePortTransport(const QString &portName, QObject *parent)
{
    if (NetworkPortAddress::isUrl(portName))
        return new NetworkTransport(portName, parent);
    return new SerialPortTransport(portName, parent);
}

PortAvailability probePort(const QString &portName)
{
    if (portName.isEmpty())
        return PortAvailability::Missing;
    if (NetworkPortAddress::isUrl(portName))
        return NetworkPortAddress::parse(portName) ? PortAvailability::Free
                                                   : PortAvailability::Missing;
    return SerialPortTransport::probe(portName);
}
