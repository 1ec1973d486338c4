#pragma once

#include "linkreply.h"
#include "transferresult.h"

#include <QByteArray>

class DeviceSession;
class ProgressCounter;
class TicketProject;

// The Program command: checks that the project fits, erases the device's ticket directory, writes
// the ticket stream and the directory entries, announcing its progress through the session.
class DeviceProgrammer
{
public:
    DeviceProgrammer(TicketProject &project, DeviceSession &session);

    TransferResult run();

private:
    enum class Step { Continue, Cancel, Fail };

    // Sends one write command and judges its reply; a progress step follows when step > 0.
    Step write(quint16 address, const QByteArray &bytes, ProgressCounter &progress, int step);
    bool confirmUnreadableSlots();
    Step eraseDirectory(int entries, ProgressCounter &progress);
    Step writeStream(const QByteArray &stream, ProgressCounter &progress);
    Step writeDirectory(int entries, ProgressCounter &progress);
    void showProgress(const ProgressCounter &progress);
    TransferResult finish(Step step);
    TransferResult finish(TransferResult result);

    TicketProject &m_project;
    DeviceSession &m_session;
    LinkReply m_failedReply; // the reply of the command that ended the run, when one did
};
