#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>

class DeviceServer;
class PortBinding;
class SettingsStore;

// A run of the window or the command line against a simulated device: serves the device on a
// pseudo-terminal (on Windows, which has none, on a TCP port of the loopback interface) and keeps
// a settings store of its own for the run, in which COM 1 is bound to the device and chosen, so
// that the user's own settings stay untouched.
class SimulatedSession
{
public:
    SimulatedSession();
    ~SimulatedSession();

    // model is "zorla-old", "zorla" or "velmar", optionally followed by ":none", ":industrial" or
    // ":truck". False, with a reason, when the model is unknown or the device cannot be served.
    bool start(const QString &model, QString *error);

    SettingsStore &settings() { return *m_settings; }
    PortBinding &ports() { return *m_ports; }
    // Its portName() is what COM 1 is bound to.
    DeviceServer &server() { return *m_server; }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<DeviceServer> m_server;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<PortBinding> m_ports;
};
