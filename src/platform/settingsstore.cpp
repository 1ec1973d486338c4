#include "settingsstore.h"

#include <QSettings>

namespace
{
const QString section = QStringLiteral("Zorla Ticket");
}

SettingsStore::SettingsStore()
{
#ifdef Q_OS_WIN
    // HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Dravenco\Zorla Ticket
    m_settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             QStringLiteral("VB and VBA Program Settings"),
                                             QStringLiteral("Dravenco"));
#else
    m_settings =
        std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                    QStringLiteral("Dravenco"), QStringLiteral("Dravenco"));
#endif
}

SettingsStore::SettingsStore(const QString &iniPath)
    : m_settings(std::make_unique<QSettings>(iniPath, QSettings::IniFormat))
{
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::value(const QString &key, const QString &defaultValue) const
{
    return m_settings->value(section + QLatin1Char('/') + key, defaultValue).toString();
}

void SettingsStore::setValue(const QString &key, const QString &value)
{
    m_settings->setValue(section + QLatin1Char('/') + key, value);
}

void SettingsStore::sync()
{
    m_settings->sync();
}
