#pragma once

#include <QString>
#include <memory>

class QSettings;

// The per-user settings store of the port choice: application "Dravenco", section "Zorla Ticket".
class SettingsStore
{
public:
    // The user's own store (on Windows the registry key that the uninstall log names).
    SettingsStore();
    // A store kept in an INI file at the given path, for tests and isolated runs.
    explicit SettingsStore(const QString &iniPath);
    ~SettingsStore();

    QString value(const QString &key, const QString &defaultValue) const;
    void setValue(const QString &key, const QString &value);
    void sync();

private:
    std::unique_ptr<QSettings> m_settings;
};
