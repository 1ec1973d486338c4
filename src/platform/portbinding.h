#pragma once

#include <QString>
#include <QStringList>

class SettingsStore;

// Binds each of the four port options "COM 1".."COM 4" to a system serial device and keeps the
// user's own bindings in the settings store beside the port choice.
//
// On Windows option n is the system port "COMn", unless it is bound to a network port
// ("socket://HOST:PORT", as a simulated device is served there). Elsewhere an option the user has
// bound keeps that device (any path, also one the system does not list as a serial port, such as a
// pseudo-terminal); the options left unbound take the system's serial ports in a stable order:
// USB and ACM adapters first, then built-in ports, then any others, by name within each group,
// skipping devices that the user has bound to another option.
class PortBinding
{
public:
    static constexpr int optionCount = 4;

    explicit PortBinding(SettingsStore &store);

    // The system name or path of the device behind option n (1..4); empty when there is none.
    QString systemName(int n) const;
    // The device of option n for display: its name, and the adapter's description where known.
    QString describe(int n) const;
    // Binds option n to a device; an empty name returns the option to the default order.
    void bind(int n, const QString &systemName);
    // True when the user has bound option n to a device of their own choice.
    bool isBound(int n) const;
    // Enumerates the system's serial ports again (after an adapter was plugged in or out).
    void refresh();
    // Takes the given system locations as the system's serial ports (for tests).
    void refresh(const QStringList &systemLocations);
    // The system's serial ports in default-binding order (system locations).
    QStringList availablePorts() const { return m_available; }

    // The settings key of option n: "PortBinding1".."PortBinding4".
    static QString settingsKey(int n);
    // The system's serial ports as it lists them (system locations), in no particular order.
    static QStringList systemPorts();
    // Orders system locations for default binding; exposed for tests.
    static QStringList defaultOrder(QStringList systemLocations);

private:
    QString storedBinding(int n) const;

    SettingsStore &m_store;
    QStringList m_available;
};
