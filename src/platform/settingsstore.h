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

    // The keys of the port choice: the port number 1..4 and the line settings "9600,n,8,1".
    static QString portKey() { return QStringLiteral("CommPort"); }
    static QString lineSettingsKey() { return QStringLiteral("CommSettings"); }

    QString value(const QString &key, const QString &defaultValue) const;
    void setValue(const QString &key, const QString &value);
    void sync();

private:
    std::unique_ptr<QSettings> m_settings;
};
