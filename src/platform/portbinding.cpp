#include "portbinding.h"

#include "settingsstore.h"

#include <QFileInfo>
#include <QRegularExpression>
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

} // namespace

PortBinding::PortBinding(SettingsStore &store, Naming naming) : m_store(store), m_naming(naming)
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

QString PortBinding::systemNameOf(const QSerialPortInfo &info)
{
#ifdef Q_OS_WIN
    return info.portName();
#else
    return info.systemLocation();
#endif
}

QStringList PortBinding::systemPorts()
{
    QStringList locations;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports)
        locations.append(systemNameOf(info));
    return locations;
}

QString PortBinding::adapterDetails(const QSerialPortInfo &info)
{
    QStringList details;
    if (!info.description().isEmpty())
        details.append(info.description());
    if (!info.manufacturer().isEmpty() && !info.description().contains(info.manufacturer()))
        details.append(info.manufacturer());
    return details.join(QStringLiteral(", "));
}

void PortBinding::refresh()
{
    QStringList names;
    QHash<QString, QString> details;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports) {
        names.append(systemNameOf(info));
        details.insert(names.last(), adapterDetails(info));
    }
    refresh(names);
    m_details = details;
}

void PortBinding::refresh(const QStringList &systemLocations)
{
    m_details.clear();
    if (m_naming == Naming::SystemOrder) {
        m_available = defaultOrder(systemLocations);
        return;
    }
    m_available.clear();
    for (const QString &name : systemLocations)
        m_available.append(normalizedName(name));
    std::sort(m_available.begin(), m_available.end(), nameLess);
    m_available.removeDuplicates();
}

QString PortBinding::normalizedName(const QString &name) const
{
    static const QRegularExpression comPort(QStringLiteral(R"(^(?:\\\\\.\\)?COM(\d{1,3})$)"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QString trimmed = name.trimmed();
    if (m_naming != Naming::ComNumbers)
        return trimmed;
    const QRegularExpressionMatch match = comPort.match(trimmed);
    const int number = match.hasMatch() ? match.captured(1).toInt() : 0;
    return number >= 1 && number <= maxComNumber ? QStringLiteral("COM%1").arg(number) : trimmed;
}

QString PortBinding::storedBinding(int n) const
{
    return normalizedName(m_store.value(settingsKey(n), QString()));
}

bool PortBinding::isBound(int n) const
{
    return validOption(n) && !storedBinding(n).isEmpty();
}

QString PortBinding::systemName(int n) const
{
    if (!validOption(n))
        return {};
    const QString own = storedBinding(n);
    if (!own.isEmpty())
        return own;
    if (m_naming == Naming::ComNumbers)
        return QStringLiteral("COM%1").arg(n);

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
}

QString PortBinding::describePort(const QString &systemName) const
{
    const QString details = m_details.value(systemName);
    return details.isEmpty() ? systemName : QStringLiteral("%1 (%2)").arg(systemName, details);
}

QString PortBinding::describe(int n) const
{
    const QString name = systemName(n);
    return name.isEmpty() ? QStringLiteral("no device") : describePort(name);
}

void PortBinding::bind(int n, const QString &systemName)
{
    if (!validOption(n))
        return;
    m_store.setValue(settingsKey(n), normalizedName(systemName));
    m_store.sync();
}
