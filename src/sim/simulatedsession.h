#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>

class PortBinding;
class PtyDeviceServer;
class SettingsStore;

// A run of the window or the command line against a simulated device: serves the device on a
// pseudo-terminal and keeps a settings store of its own for the run, in which COM 1 is bound to
// the terminal and chosen, so that the user's own settings stay untouched.
class SimulatedSession
{
public:
    SimulatedSession();
    ~SimulatedSession();

    // model is "zorla-old", "zorla" or "velmar", optionally followed by ":none", ":industrial" or
    // ":truck". False, with a reason, when the model is unknown or the terminal cannot be opened.
    bool start(const QString &model, QString *error);

    SettingsStore &settings() { return *m_settings; }
    PortBinding &ports() { return *m_ports; }
    PtyDeviceServer &server() { return *m_server; }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<PtyDeviceServer> m_server;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<PortBinding> m_ports;
};
