#include "portbinding.h"

#include "settingsstore.h"

#include <QFileInfo>
#include <QSerialPortInfo>
#include <algorithm>

namespace
{

// 0: USB and ACM adapters, 1: built-in ports, 2: anything else.
int groupOf(const QString &systemLocation)
{
    const QString name = QFileInfo(systemLocation).fileName();
    if (name.startsWith(QLatin1String("ttyUSB")) || name.startsWith(QLatin1String("ttyACM")))
        return 0;
    if (name.startsWith(QLatin1String("ttyS")))
        return 1;
    return 2;
}

// Name order with the trailing number compared as a number, so that ttyS2 comes before ttyS10.
bool nameLess(const QString &a, const QString &b)
{
    auto split = [](const QString &s) {
        qsizetype digits = s.size();
        while (digits > 0 && s.at(digits - 1).isDigit())
            --digits;
        const QString number = s.mid(digits);
        return std::pair{s.left(digits), number.isEmpty() ? -1LL : number.toLongLong()};
    };
    const auto [prefixA, numberA] = split(a);
    const auto [prefixB, numberB] = split(b);
    if (prefixA != prefixB)
        return prefixA < prefixB;
    return numberA < numberB;
}

bool validOption(int n)
{
    return n >= 1 && n <= PortBinding::optionCount;
}

#ifdef Q_OS_WIN
// "socket://HOST:PORT" and the like: a serial server on the network.
bool isNetworkPort(const QString &name)
{
    return name.contains(QLatin1String("://"));
}
#endif

} // namespace

PortBinding::PortBinding(SettingsStore &store) : m_store(store)
{
    refresh();
}

QString PortBinding::settingsKey(int n)
{
    return QStringLiteral("PortBinding%1").arg(n);
}

QStringList PortBinding::defaultOrder(QStringList systemLocations)
{
    std::sort(systemLocations.begin(), systemLocations.end(),
              [](const QString &a, const QString &b) {
                  const int groupA = groupOf(a);
                  const int groupB = groupOf(b);
                  if (groupA != groupB)
                      return groupA < groupB;
                  return nameLess(QFileInfo(a).fileName(), QFileInfo(b).fileName());
              });
    systemLocations.removeDuplicates();
    return systemLocations;
}

QStringList PortBinding::systemPorts()
{
    QStringList locations;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports)
        locations.append(info.systemLocation());
    return locations;
}

void PortBinding::refresh()
{
    refresh(systemPorts());
}

void PortBinding::refresh(const QStringList &systemLocations)
{
    m_available = defaultOrder(systemLocations);
}

QString PortBinding::storedBinding(int n) const
{
    return m_store.value(settingsKey(n), QString()).trimmed();
}

bool PortBinding::isBound(int n) const
{
#ifdef Q_OS_WIN
    return validOption(n) && isNetworkPort(storedBinding(n));
#else
    return validOption(n) && !storedBinding(n).isEmpty();
#endif
}

QString PortBinding::systemName(int n) const
{
#ifdef Q_OS_WIN
    return isBound(n) ? storedBinding(n) : QStringLiteral("COM%1").arg(n);
#else
    if (!validOption(n))
        return {};
    const QString own = storedBinding(n);
    if (!own.isEmpty())
        return own;

    QStringList taken;
    for (int option = 1; option <= optionCount; ++option) {
        if (isBound(option))
            taken.append(storedBinding(option));
    }
    // Unbound options take the free devices in order: the k-th unbound option gets the k-th.
    QString result;
    qsizetype next = 0;
    for (int option = 1; option <= n; ++option) {
        if (isBound(option))
            continue;
        while (next < m_available.size() && taken.contains(m_available.at(next)))
            ++next;
        result = next < m_available.size() ? m_available.at(next++) : QString();
    }
    return result;
#endif
}

QString PortBinding::describe(int n) const
{
    const QString name = systemName(n);
    if (name.isEmpty())
        return QStringLiteral("no device");
    const QSerialPortInfo info(name);
    QStringList details;
    if (!info.description().isEmpty())
        details.append(info.description());
    if (!info.manufacturer().isEmpty() && !info.description().contains(info.manufacturer()))
        details.append(info.manufacturer());
    if (details.isEmpty())
        return name;
    return QStringLiteral("%1 (%2)").arg(name, details.join(QStringLiteral(", ")));
}

void PortBinding::bind(int n, const QString &systemName)
{
    if (!validOption(n))
        return;
    m_store.setValue(settingsKey(n), systemName.trimmed());
    m_store.sync();
}
