#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

class QSerialPortInfo;
class SettingsStore;

// Binds each of the four port options "COM 1".."COM 4" to a system serial device and keeps the
// user's own bindings in the settings store beside the port choice.
//
// An option the user has bound keeps that device: any system port (also one the system does not
// list, such as a pseudo-terminal) or a network port ("socket://HOST:PORT"). With Windows' port
// numbers an unbound option n is the system port "COMn", and a bound one any of COM1..COM256
// (also written "\\.\COM12"). Elsewhere the options left unbound take the system's serial ports
// in a stable order: USB and ACM adapters first, then built-in ports, then any others, by name
// within each group, skipping devices that the user has bound to another option.
class PortBinding
{
public:
    static constexpr int optionCount = 4;
    static constexpr int maxComNumber = 256;

    // How the system names its serial ports: "COM1".."COM256", or devices in no fixed order.
    enum class Naming { ComNumbers, SystemOrder };
    static constexpr Naming systemNaming()
    {
#ifdef Q_OS_WIN
        return Naming::ComNumbers;
#else
        return Naming::SystemOrder;
#endif
    }

    explicit PortBinding(SettingsStore &store, Naming naming = systemNaming());

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
    QStringList availablePorts() const
    {
        return m_available;
    }
    // A port for display: its name, and its adapter's description and maker where the system
    // listed them at the last refresh().
    QString describePort(const QString &systemName) const;

    // The settings key of option n: "PortBinding1".."PortBinding4".
    static QString settingsKey(int n);
    // The system's serial ports as it lists them (system locations; on Windows the names
    // "COMn"), in no particular order.
    static QStringList systemPorts();
    // The name by which a port is opened and listed: systemPorts()'s name for a listed port.
    static QString systemNameOf(const QSerialPortInfo &info);
    // "USB Serial Port, FTDI": the adapter's description and maker as the system gives them.
    static QString adapterDetails(const QSerialPortInfo &info);
    // A name as typed, in the form the bindings keep: trimmed, and with Windows' port numbers
    // "\\.\com12" as "COM12".
    QString normalizedName(const QString &name) const;
    // Orders system locations for default binding; exposed for tests.
    static QStringList defaultOrder(QStringList systemLocations);

private:
    QString storedBinding(int n) const;

    SettingsStore &m_store;
    Naming m_naming;
    QStringList m_available;
    QHash<QString, QString> m_details; // adapterDetails() of the listed ports, by name
};
