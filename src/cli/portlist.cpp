#include "portlist.h"

#include "adapterlatencytimer.h"
#include "portbinding.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSerialPortInfo>

namespace
{

QString usbIdOf(const QSerialPortInfo &info)
{
    if (!info.hasVendorIdentifier() || !info.hasProductIdentifier())
        return {};
    return QStringLiteral("%1:%2")
        .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
        .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
}

int optionOf(const PortBinding &binding, const QString &name)
{
    for (int n = 1; n <= PortBinding::optionCount; ++n) {
        if (binding.systemName(n) == name)
            return n;
    }
    return 0;
}

QJsonValue textOrNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

} // namespace

QList<PortList::Port> PortList::collect(const PortBinding &binding)
{
    QList<Port> ports;
    const auto infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos) {
        Port port;
        port.name = PortBinding::systemNameOf(info);
        port.description = info.description();
        port.manufacturer = info.manufacturer();
        port.serialNumber = info.serialNumber();
        port.usbId = usbIdOf(info);
        port.option = optionOf(binding, port.name);
        port.latencyTimer = AdapterLatencyTimer::milliseconds(port.name);
        ports.append(port);
    }
    const QStringList order = binding.availablePorts();
    std::stable_sort(ports.begin(), ports.end(), [&order](const Port &a, const Port &b) {
        return order.indexOf(a.name) < order.indexOf(b.name);
    });
    return ports;
}

QString PortList::toText(const QList<Port> &ports)
{
    if (ports.isEmpty())
        return QStringLiteral("no serial ports\n");
    QString text;
    for (const Port &port : ports) {
        QStringList fields{port.name};
        fields << (port.option ? QStringLiteral("COM %1").arg(port.option) : QStringLiteral("-"));
        if (!port.description.isEmpty())
            fields << port.description;
        if (!port.manufacturer.isEmpty())
            fields << QStringLiteral("maker ") + port.manufacturer;
        if (!port.serialNumber.isEmpty())
            fields << QStringLiteral("serial ") + port.serialNumber;
        if (!port.usbId.isEmpty())
            fields << QStringLiteral("USB ") + port.usbId;
        if (port.latencyTimer)
            fields << QStringLiteral("latency timer %1 ms").arg(*port.latencyTimer);
        text += fields.join(QStringLiteral("  ")) + QLatin1Char('\n');
    }
    return text;
}

QByteArray PortList::toJson(const QList<Port> &ports)
{
    QJsonArray array;
    for (const Port &port : ports) {
        QJsonObject object;
        object.insert(QStringLiteral("port"), port.name);
        object.insert(QStringLiteral("description"), textOrNull(port.description));
        object.insert(QStringLiteral("manufacturer"), textOrNull(port.manufacturer));
        object.insert(QStringLiteral("serial_number"), textOrNull(port.serialNumber));
        object.insert(QStringLiteral("usb_id"), textOrNull(port.usbId));
        object.insert(QStringLiteral("com_option"),
                      port.option ? QJsonValue(port.option) : QJsonValue());
        object.insert(QStringLiteral("latency_timer_ms"),
                      port.latencyTimer ? QJsonValue(*port.latencyTimer) : QJsonValue());
        array.append(object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}
