#pragma once

#include "linkreply.h"
#include "memorymap.h"
#include "transferresult.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>

class DeviceSession;
class ProgressCounter;
class TicketProject;

// The Read command: empties the project, reads the device's ticket directory and then every
// occupied slot back into it, announcing its progress through the session.
class DeviceReader
{
public:
    DeviceReader(TicketProject &project, DeviceSession &session);

    TransferResult run();

private:
    struct Entry {
        quint16 first = 0xFFFF;
        quint16 last = 0xFFFF;
        int length = 0;
    };

    // One memory read and its data; false when no usable reply came (m_failedReply tells why,
    // or m_invalid says what the device sent instead).
    bool read(quint16 address, QByteArray *bytes);
    bool readDirectory(const MemoryLayout &layout);
    // Takes one entry and shows its length; one that cannot be read is taken as an empty slot.
    bool takeEntry(int slot, const QByteArray &bytes);
    QString entryProblem(int slot, const Entry &entry) const;
    TransferResult readData(const MemoryLayout &layout);
    void showProgress(const ProgressCounter &progress);
    TransferResult finish(TransferResult::Outcome outcome);
    TransferResult failed();
    // Empties every slot whose content is not as long as its byte count.
    void dropIncompleteSlots();

    TicketProject &m_project;
    DeviceSession &m_session;
    DeviceClass m_deviceClass = DeviceClass::None;
    bool m_truckSet = false;
    QStringList m_skipped;        // slots read as empty: "P1: why", for the operator
    QStringList m_skippedEntries; // ... and their directory entries' addresses
    std::array<Entry, 6> m_entries;
    LinkReply m_failedReply;
    // Whether the device echoes the address in its read replies, learnt from the first one.
    enum class Echo { Unknown, Checked, Missing };
    Echo m_echo = Echo::Unknown;
    bool isUnechoedReply(const QByteArray &reply) const;
    void warnUnchecked();
    QString m_invalid; // message for a reply that could not be used
};
