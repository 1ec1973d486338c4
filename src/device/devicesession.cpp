#include "devicesession.h"

#include "devicelink.h"
#include "dialogservice.h"

DeviceSession::DeviceSession(DeviceLink &link, DialogService &dialogs, QObject *parent)
    : QObject(parent), m_link(link), m_dialogs(dialogs)
{
    // Shown while the command still waits, as the refusal arrives.
    connect(&m_link, &DeviceLink::refused, this,
            [this] { showError(m_dialogs, ErrorCode::CommandRefused); });
}

LinkReply DeviceSession::send(const QByteArray &command, int attempts, const QByteArray &echo)
{
    if (m_aborted)
        return {LinkReply::Status::Aborted, {}, {}, false};
    const LinkReply reply = m_link.exchange(command, attempts, echo);
    if (reply.status == LinkReply::Status::PortLost)
        showError(m_dialogs, ErrorCode::Communication, reply.description);
    else if (reply.status == LinkReply::Status::TimedOut || reply.timeoutPassed)
        showError(m_dialogs, ErrorCode::Timeout);
    return reply;
}

void DeviceSession::abort()
{
    m_aborted = true;
    m_link.abort();
}

void DeviceSession::setPortState(PortState state)
{
    if (state == m_portState)
        return;
    m_portState = state;
    emit portStateChanged(state);
}

void DeviceSession::setIdentity(const DeviceIdentity &identity)
{
    m_identity = identity;
    m_link.setDeviceClass(identity.deviceClass);
    m_connected = identity.identified();
    emit identityChanged();
}

void DeviceSession::disconnectDevice()
{
    m_link.close();
    m_link.setDeviceClass(DeviceClass::None);
    m_identity = DeviceIdentity();
    m_connected = false;
    setPortState(PortState::NotConnected);
    setTransfersEnabled(false);
    emit identityChanged();
}

void DeviceSession::setTransfersEnabled(bool enabled)
{
    if (enabled == m_transfersEnabled)
        return;
    m_transfersEnabled = enabled;
    emit transfersEnabledChanged(enabled);
}

void DeviceSession::setProgress(const TransferProgress &progress)
{
    if (progress == m_progress)
        return;
    m_progress = progress;
    emit progressChanged(progress);
}

void DeviceSession::announceResult(const TransferResult &result)
{
    emit transferEnded(result);
}
