#pragma once

#include <QByteArray>
#include <QObject>

class DeviceConnection;
class DeviceStatus;
class DialogService;
class ProgressCounter;
class SerialLink;
class TicketProject;

// The Program command: checks that the project fits, erases the device's ticket directory, writes
// the ticket stream and the directory entries, and reports its progress and outcome through
// DeviceStatus.
class DeviceProgrammer
{
public:
    enum class Outcome { Programmed, Cancelled, Failed, Refused, NoDevice };

    DeviceProgrammer(TicketProject &project, SerialLink &link, DeviceStatus &status,
                     DeviceConnection &connection, DialogService &dialogs);

    Outcome run();

    static QString progressWord() { return QStringLiteral("Programming ..."); }

private:
    enum class Step { Continue, Cancel, Fail };

    // Sends one write command and judges its reply; a progress step follows when step > 0.
    Step write(quint16 address, const QByteArray &bytes, ProgressCounter &progress, int step);
    void prepare();
    Outcome finish(Outcome outcome);

    TicketProject &m_project;
    SerialLink &m_link;
    DeviceStatus &m_status;
    DeviceConnection &m_connection;
    DialogService &m_dialogs;
};
