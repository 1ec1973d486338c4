#pragma once

#include <QString>

class PortTransport;
class QObject;

// The byte channel for a port name: a NetworkTransport for a URL ("socket://HOST:PORT",
// "rfc2217://HOST:PORT"; any other "scheme://..." too, whose open() then says what is wrong with
// it), a SerialPortTransport for a system serial port ("ttyUSB0", "/dev/pts/3", "COM3"). The
// transport belongs to `parent`.
PortTransport *makePortTransport(const QString &portName, QObject *parent = nullptr);

// Whether a port could be opened now. A system serial port is opened and closed again: one that
// is not there is Missing, one that another program holds (or that is not accessible) InUse. A
// serial server is not contacted, since an unreachable one would hold the caller up: a valid
// address counts as Free.
enum class PortAvailability { Free, InUse, Missing };
PortAvailability probePort(const QString &portName);
