#pragma once

#include "memorymap.h"

#include <QByteArray>
#include <QString>
#include <array>

class DeviceConnection;
class DeviceStatus;
class DialogService;
class ProjectCommands;
class SerialLink;
class TicketProject;

// The Read command: empties the project, reads the device's ticket directory and then every
// occupied slot back into it, and reports its progress and outcome through DeviceStatus.
class DeviceReader
{
public:
    enum class Outcome { Readed, Cancelled, Failed };

    DeviceReader(TicketProject &project, SerialLink &link, DeviceStatus &status,
                 DeviceConnection &connection, DialogService &dialogs, ProjectCommands &commands);

    Outcome run();

    static QString progressWord() { return QStringLiteral("Reading ..."); }

private:
    struct Entry {
        quint16 first = 0xFFFF;
        quint16 last = 0xFFFF;
        int length = 0;
    };

    // One memory read and its data; false when no usable reply came (ReplyStatus tells why, or
    // m_invalid says what the device sent instead).
    bool read(quint16 address, QByteArray *bytes);
    bool readDirectory(Layout layout, int deviceClass);
    // Checks one entry and shows its length; false when its range is not a part of the data area.
    bool takeEntry(int slot, const QByteArray &bytes, int deviceClass);
    Outcome readData(Layout layout, int deviceClass);
    Outcome finish(Outcome outcome);
    // Empties every slot whose content is not as long as its byte count.
    void dropIncompleteSlots();

    TicketProject &m_project;
    SerialLink &m_link;
    DeviceStatus &m_status;
    DeviceConnection &m_connection;
    DialogService &m_dialogs;
    ProjectCommands &m_commands;
    std::array<Entry, 6> m_entries;
    QString m_invalid; // message for a reply that could not be used
};
