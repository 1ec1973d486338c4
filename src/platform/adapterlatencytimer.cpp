#include "adapterlatencytimer.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>

std::optional<int> AdapterLatencyTimer::milliseconds(const QString &portName)
{
#ifdef Q_OS_WIN
    QSettings ftdiBus(ftdiBusKey(), QSettings::NativeFormat);
    return fromFtdiBus(ftdiBus, portName);
#else
    return fromSysfs(QStringLiteral("/sys/class/tty"), portName);
#endif
}

std::optional<int> AdapterLatencyTimer::fromSysfs(const QString &ttyClassDir,
                                                  const QString &portName)
{
    // Only read: the file is the driver's, and reading it does not touch the port.
    QFile file(ttyClassDir + QLatin1Char('/') + QFileInfo(portName).fileName() +
               QStringLiteral("/device/latency_timer"));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool number = false;
    const int value = QString::fromLatin1(file.read(16)).trimmed().toInt(&number);
    return number ? std::optional<int>(value) : std::nullopt;
}

std::optional<int> AdapterLatencyTimer::fromFtdiBus(QSettings &ftdiBus, const QString &portName)
{
    QString port = portName;
    if (port.startsWith(QStringLiteral("\\\\.\\"))) // "\\.\COM12" is COM12
        port = port.mid(4);
    const QStringList adapters = ftdiBus.childGroups();
    for (const QString &adapter : adapters) {
        ftdiBus.beginGroup(adapter);
        const QStringList instances = ftdiBus.childGroups();
        for (const QString &instance : instances) {
            const QString parameters = instance + QStringLiteral("/Device Parameters/");
            if (ftdiBus.value(parameters + QStringLiteral("PortName"))
                    .toString()
                    .compare(port, Qt::CaseInsensitive) != 0)
                continue;
            bool number = false;
            const int value =
                ftdiBus.value(parameters + QStringLiteral("LatencyTimer")).toInt(&number);
            ftdiBus.endGroup();
            return number ? std::optional<int>(value) : std::nullopt;
        }
        ftdiBus.endGroup();
    }
    return std::nullopt;
}
