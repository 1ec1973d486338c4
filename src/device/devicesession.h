#pragma once

#include "deviceidentity.h"
#include "linkreply.h"
#include "transferprogress.h"
#include "transferresult.h"

#include <QObject>

class DialogService;
class DeviceLink;

// One device on one device link, as the connect, program and read procedures leave it: the state
// of the port, the identified device, whether transfers may start, the transfer in progress and
// its cancel request. Sends the procedures' commands and reports the link's failures to the
// operator, so that the window and the command line only show what it announces.
class DeviceSession : public QObject
{
    Q_OBJECT

public:
    // The port is closed, open with no device identified on it, or open to an identified device.
    enum class PortState { NotConnected, PortOpened, Connected };

    DeviceSession(DeviceLink &link, DialogService &dialogs, QObject *parent = nullptr);

    DeviceLink &link() { return m_link; }
    DialogService &dialogs() { return m_dialogs; }

    // Sends one command with its attempts (see DeviceLink::exchange for the echo). A refusal is
    // reported as it arrives (the time-out keeps running meanwhile); a lost port and a time-out are
    // reported once the command has ended; an aborted wait is not reported.
    LinkReply send(const QByteArray &command, int attempts = 3,
                   const QByteArray &echo = QByteArray());

    PortState portState() const { return m_portState; }
    void setPortState(PortState state);

    // Connected: a device was identified and the port stays open for it.
    bool isConnected() const { return m_connected; }
    // The device the last identification found (model "UNKNOWN" included); empty when none.
    const DeviceIdentity &identity() const { return m_identity; }
    // Takes an identification: sets the link's device class and, for a known model, connects.
    void setIdentity(const DeviceIdentity &identity);
    // Closes the port and forgets the device.
    void disconnectDevice();

    // Program and Read may start.
    bool transfersEnabled() const { return m_transfersEnabled; }
    void setTransfersEnabled(bool enabled);

    TransferProgress progress() const { return m_progress; }
    void setProgress(const TransferProgress &progress);
    // Announces how a transfer ended, before its failure is reported to the operator.
    void announceResult(const TransferResult &result);

    // Asks the running transfer to stop after the command in progress.
    void requestCancel() { m_cancelRequested = true; }
    // Stops at once: the command in progress ends without waiting for its reply, and the
    // running procedure ends as cancelled.
    void abort();
    bool cancelRequested() const { return m_cancelRequested || m_aborted; }
    void clearCancel() { m_cancelRequested = false; }

signals:
    void portStateChanged(DeviceSession::PortState state);
    // The identity or the connected state changed.
    void identityChanged();
    void transfersEnabledChanged(bool enabled);
    void progressChanged(const TransferProgress &progress);
    void transferEnded(const TransferResult &result);

private:
    DeviceLink &m_link;
    DialogService &m_dialogs;
    PortState m_portState = PortState::NotConnected;
    bool m_connected = false;
    DeviceIdentity m_identity;
    bool m_transfersEnabled = false;
    TransferProgress m_progress;
    bool m_cancelRequested = false;
    bool m_aborted = false; // for good: nothing more is sent
};
