#pragma once

#include "deviceidentity.h"

#include <QObject>

class DeviceStatus;
class DialogService;
class SerialLink;

// The connect command: when not connected, opens the port if needed, identifies the device and
// shows its identity; when connected, closes the port and clears the identity.
class DeviceConnection : public QObject
{
    Q_OBJECT

public:
    static constexpr char identificationCommand[] = "@C4\r";

    DeviceConnection(SerialLink &link, DeviceStatus &status, DialogService &dialogs,
                     QObject *parent = nullptr);

    void toggle();
    // The connection state is the Connect button's image ("cmdDisconnectIcon" while connected).
    bool Connected() const;
    DeviceIdentity identity() const { return m_identity; }

private:
    void connectAndIdentify();
    void disconnectDevice();
    void failed(const QString &description);

    SerialLink &m_link;
    DeviceStatus &m_status;
    DialogService &m_dialogs;
    DeviceIdentity m_identity;
};
