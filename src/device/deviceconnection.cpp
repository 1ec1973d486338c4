#include "deviceconnection.h"

#include "devicestatus.h"
#include "errors.h"
#include "seriallink.h"

DeviceConnection::DeviceConnection(SerialLink &link, DeviceStatus &status, DialogService &dialogs,
                                   QObject *parent)
    : QObject(parent), m_link(link), m_status(status), m_dialogs(dialogs)
{
}

bool DeviceConnection::Connected() const
{
    return m_status.connected();
}

void DeviceConnection::toggle()
{
    if (Connected())
        disconnectDevice();
    else
        connectAndIdentify();
}

void DeviceConnection::disconnectDevice()
{
    m_link.setReplyStatus(QLatin1Char('N'));
    m_link.close();
    m_link.setDeviceClass(0);
    m_status.setConnected(false);
    m_status.setConnectTooltip(QStringLiteral("Connect with Device"));
    m_status.setPortState(QStringLiteral("Not Connected"));
    for (int i = 1; i <= DeviceStatus::statusCount; ++i)
        m_status.setStatusText(i, QString());
    m_status.setSpaceAvailable(QString());
    m_status.setLoadEnabled(false);
    m_status.setProgramEnabled(false);
    m_status.setTruckVisible(false);
    m_identity = DeviceIdentity();
}

void DeviceConnection::failed(const QString &description)
{
    m_status.setPortState(QStringLiteral("Not Connected"));
    ShowError(m_dialogs, 1, description);
    m_status.setConnectEnabled(true);
}

void DeviceConnection::connectAndIdentify()
{
    m_status.setConnectEnabled(false);

    if (!m_link.isOpen()) {
        QString error;
        if (!m_link.open(&error)) {
            failed(error);
            return;
        }
    }
    m_status.setPortState(QStringLiteral("Port Opened"));

    m_link.SendAndWait(QByteArray(identificationCommand), 3);
    if (m_link.ReplyStatus() != QLatin1Char('R')) {
        // Time-out, refusal or port failure: the link has told the user already.
        m_status.setConnectEnabled(true);
        return;
    }

    const DeviceIdentity identity = DeviceIdentity::fromReply(m_link.LastReply());
    switch (identity.parse) {
    case DeviceIdentity::Parse::NoVersion:
        ShowError(m_dialogs, 9);
        m_status.setConnectEnabled(true);
        return;
    case DeviceIdentity::Parse::VersionMisplaced:
        failed(identity.failure);
        return;
    case DeviceIdentity::Parse::UnknownModel:
    case DeviceIdentity::Parse::Identified:
        break;
    }

    m_status.setPortState(QStringLiteral("Connected !"));
    m_status.setLoadEnabled(true);
    m_status.setProgramEnabled(true);
    m_identity = identity;
    m_status.setStatusText(1, identity.model);
    if (!identity.identified()) {
        // Program and Load stay enabled, but the state stays not connected: the next connect
        // command identifies again.
        m_status.setConnectEnabled(true);
        return;
    }

    m_status.setStatusText(2, identity.version);
    m_status.setSpaceAvailable(identity.space);
    m_link.setDeviceClass(identity.deviceClass);

    if (!identity.application.isEmpty()) {
        m_status.setStatusText(3, identity.application);
        m_status.setTruckVisible(identity.truckApplication());
        m_status.setTotalVisible(!identity.truckApplication());
    }

    m_status.setConnected(true);
    m_status.setConnectTooltip(QStringLiteral("Break Communication"));
    m_status.setConnectEnabled(true);
}
