#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

class PortBinding;

// The "ports" command: every serial port the system lists, with its adapter, the COM option bound
// to it and the adapter's latency timer where the system shows it, as text or as JSON. Nothing is
// opened.
class PortList
{
public:
    struct Port {
        QString name; // as --port takes it: "/dev/ttyUSB0", "COM12"
        QString description;
        QString manufacturer;
        QString serialNumber;
        QString usbId;                   // "0403:6001"; empty when the system gives none
        int option = 0;                  // the COM option bound to it; 0 for none
        std::optional<int> latencyTimer; // milliseconds
    };

    // The system's ports, in the bindings' order.
    static QList<Port> collect(const PortBinding &binding);
    // One line per port (or a line saying there are none).
    static QString toText(const QList<Port> &ports);
    // An array of objects with the keys "port", "description", "manufacturer",
    // "serial_number", "usb_id", "com_option" and "latency_timer_ms" (null where unknown).
    static QByteArray toJson(const QList<Port> &ports);
};
