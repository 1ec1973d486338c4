#include "simulatedsession.h"

#include "linesettings.h"
#include "portbinding.h"
#include "settingsstore.h"

#ifdef Q_OS_WIN
#include "tcpdeviceserver.h"
#else
#include "ptydeviceserver.h"
#endif

SimulatedSession::SimulatedSession() = default;
SimulatedSession::~SimulatedSession() = default;

bool SimulatedSession::start(const QString &model, QString *error)
{
    const auto parsed = SimulatedDevice::parseModel(model);
    if (!parsed) {
        *error = QStringLiteral("unknown device \"%1\": expected zorla-old, zorla or velmar, "
                                "optionally followed by :none, :industrial or :truck")
                     .arg(model);
        return false;
    }
    if (!m_dir.isValid()) {
        *error = QStringLiteral("no temporary folder for the run's settings: %1")
                     .arg(m_dir.errorString());
        return false;
    }
#ifdef Q_OS_WIN
    m_server = std::make_unique<TcpDeviceServer>(parsed->first, parsed->second);
#else
    m_server = std::make_unique<PtyDeviceServer>(parsed->first, parsed->second);
#endif
    if (!m_server->start(error))
        return false;

    m_settings = std::make_unique<SettingsStore>(m_dir.filePath(QStringLiteral("settings.ini")));
    m_settings->setValue(SettingsStore::portKey(), QStringLiteral("1"));
    m_settings->setValue(SettingsStore::lineSettingsKey(), LineSettings().toString());
    m_ports = std::make_unique<PortBinding>(*m_settings);
    m_ports->bind(1, m_server->portName());
    return true;
}
