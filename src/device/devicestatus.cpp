#include "devicestatus.h"

DeviceStatus::DeviceStatus(QObject *parent) : QObject(parent) {}

template <typename T> void DeviceStatus::assign(T &field, const T &value)
{
    if (field == value)
        return;
    field = value;
    emit changed();
}

void DeviceStatus::setPortState(const QString &text)
{
    assign(m_portState, text);
}

void DeviceStatus::setPortSummary(const QString &text)
{
    assign(m_portSummary, text);
}

QString DeviceStatus::statusText(int i) const
{
    if (i < 1 || i > statusCount)
        return {};
    return m_statusTexts[static_cast<size_t>(i - 1)];
}

void DeviceStatus::setStatusText(int i, const QString &text)
{
    if (i < 1 || i > statusCount)
        return;
    assign(m_statusTexts[static_cast<size_t>(i - 1)], text);
}

qint64 DeviceStatus::spaceAvailableValue() const
{
    return m_spaceAvailable.toLongLong();
}

void DeviceStatus::setSpaceAvailable(const QString &text)
{
    assign(m_spaceAvailable, text);
}

void DeviceStatus::setSpaceAvailable(qint64 bytes)
{
    assign(m_spaceAvailable, QString::number(bytes));
}

QString DeviceStatus::connectIcon() const
{
    return m_connected ? QStringLiteral("cmdDisconnectIcon") : QStringLiteral("cmdConnectIcon");
}

void DeviceStatus::setConnected(bool connected)
{
    assign(m_connected, connected);
}

void DeviceStatus::setConnectTooltip(const QString &text)
{
    assign(m_connectTooltip, text);
}

void DeviceStatus::setProgramEnabled(bool enabled)
{
    assign(m_programEnabled, enabled);
}

void DeviceStatus::setLoadEnabled(bool enabled)
{
    assign(m_loadEnabled, enabled);
}

void DeviceStatus::setConnectEnabled(bool enabled)
{
    assign(m_connectEnabled, enabled);
}

void DeviceStatus::setTruckVisible(bool visible)
{
    assign(m_truckVisible, visible);
}

void DeviceStatus::setTotalVisible(bool visible)
{
    assign(m_totalVisible, visible);
}

void DeviceStatus::setCommandButtonsEnabled(bool enabled)
{
    assign(m_commandButtonsEnabled, enabled);
}

void DeviceStatus::setCancelVisible(bool visible)
{
    assign(m_cancelVisible, visible);
}

void DeviceStatus::setCancelEnabled(bool enabled)
{
    assign(m_cancelEnabled, enabled);
}

void DeviceStatus::setBusy(bool busy)
{
    assign(m_busy, busy);
}

void DeviceStatus::setProgressVisible(bool visible)
{
    assign(m_progressVisible, visible);
}

void DeviceStatus::setProgressRange(int maximum)
{
    assign(m_progressMaximum, maximum);
}

void DeviceStatus::setProgressValue(int value)
{
    assign(m_progressValue, value);
}
