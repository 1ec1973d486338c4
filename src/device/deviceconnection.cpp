#include "deviceconnection.h"

#include "devicelink.h"
#include "devicesession.h"
#include "dialogservice.h"
#include "errors.h"

void DeviceConnection::toggle()
{
    if (m_session.isConnected())
        m_session.disconnectDevice();
    else
        connectAndIdentify();
}

void DeviceConnection::failed(const QString &description)
{
    m_session.setPortState(DeviceSession::PortState::NotConnected);
    showError(m_session.dialogs(), ErrorCode::Communication, description);
}

void DeviceConnection::connectAndIdentify()
{
    DeviceLink &link = m_session.link();
    if (!link.isOpen()) {
        QString error;
        if (!link.open(&error)) {
            failed(error);
            return;
        }
    }
    m_session.setPortState(DeviceSession::PortState::PortOpened);

    const LinkReply reply = m_session.send(QByteArray(identificationCommand));
    // A time-out, refusal or port failure has been reported already.
    if (!reply.answered())
        return;

    const DeviceIdentity identity = DeviceIdentity::fromReply(reply.bytes);
    switch (identity.parse) {
    case DeviceIdentity::Parse::NoVersion:
        showError(m_session.dialogs(), ErrorCode::UnknownVersion);
        return;
    case DeviceIdentity::Parse::VersionMisplaced:
        failed(identity.failure);
        return;
    case DeviceIdentity::Parse::UnknownModel:
    case DeviceIdentity::Parse::Identified:
        break;
    }
    // An unknown model still enables Program and Read, but leaves the device not connected: the
    // next Connect identifies again.
    m_session.setPortState(DeviceSession::PortState::Connected);
    m_session.setTransfersEnabled(true);
    m_session.setIdentity(identity);
    // Once per connection: an adapter that holds every reply back slows each command down.
    const QString warning = link.adapterWarning();
    if (!warning.isEmpty())
        m_session.dialogs().showNotice(warning, QStringLiteral("Warning"));
}
