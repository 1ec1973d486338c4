#pragma once

#include <QString>
#include <memory>

class PortTransport;
class QObject;

// The channel for a port name: a network serial server for "socket://HOST:PORT" and
// "rfc2217://HOST:PORT", a local serial port for anything else.
std::unique_ptr<PortTransport> makePortTransport(const QString &portName,
                                                 QObject *parent = nullptr);
