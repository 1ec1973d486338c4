#pragma once

#include <QString>

class DeviceSession;
class TicketProject;

// "Verify after programming": reads a programmed device back and compares it with what
// programming wrote, telling the operator the first slot and offset that differ and which slots
// the device cannot give back. Says "verified" only for what was read back and found equal.
class ProgramVerification
{
public:
    ProgramVerification(TicketProject &programmed, DeviceSession &session);

    // Reads back and reports; returns the status line it leaves (empty after a failed read).
    QString run();

private:
    TicketProject &m_programmed;
    DeviceSession &m_session;
};
