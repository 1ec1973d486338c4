#pragma once

#include <QString>
#include <optional>

class QSettings;

// Reads a USB serial adapter's latency timer where the system shows it without opening the port:
// the adapter's "latency_timer" in sysfs on Linux, the "LatencyTimer" that FTDI's driver keeps
// per adapter in the registry on Windows (beside the adapter's "PortName" under
// FTDIBUS\<adapter>\<instance>\Device Parameters).
class AdapterLatencyTimer
{
public:
    // The registry key of FTDI's adapters on Windows.
    static QString ftdiBusKey()
    {
        return QStringLiteral("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\FTDIBUS");
    }

    // The timer in milliseconds of the adapter behind a port ("/dev/ttyUSB0", "COM12"); none
    // where the system does not show it.
    static std::optional<int> milliseconds(const QString &portName);
    // From a sysfs tty class folder ("/sys/class/tty").
    static std::optional<int> fromSysfs(const QString &ttyClassDir, const QString &portName);
    // From the FTDIBUS key, or a copy of it.
    static std::optional<int> fromFtdiBus(QSettings &ftdiBus, const QString &portName);
};
