#pragma once

#include "deviceclass.h"

#include <QtGlobal>

// Where one device class keeps its ticket directory and ticket data, how many bytes one memory
// access carries, and how far the progress of each transfer step goes: the one table that
// identification, programming and reading all take their numbers from.
class MemoryLayout
{
public:
    // The two memory organisations; None when no device class is known (nothing is written or
    // read).
    enum class Family { None, Zorla, Velmar };

    static constexpr int EntryBytes = 4; // first address then last address, high bytes first

    static const MemoryLayout &of(DeviceClass deviceClass);

    Family family() const { return m_family; }
    bool known() const { return m_family != Family::None; }

    // Bytes carried by one memory write and returned by one memory read (0 when unknown).
    int accessBytes() const { return m_accessBytes; }

    // Slots 1.. entrySlots() own a directory entry, in slot order: T, H, B, F and, in the
    // Velmar layout, P1 and P2.
    int entrySlots() const { return m_entrySlots; }
    bool hasEntry(int slot) const { return slot >= 1 && slot <= m_entrySlots; }
    // Address of slot's entry; the entries follow each other upwards from the directory start in
    // the Zorla layout and downwards in the Velmar layout.
    quint16 entryAddress(int slot) const
    {
        return quint16(m_directoryStart + m_entryStride * (slot - 1));
    }
    // The directory's bytes, read as one block where the entries lie one after the other upwards.
    int directoryBytes() const { return m_entrySlots * EntryBytes; }
    bool directoryIsOneBlock() const { return m_entryStride == EntryBytes; }

    // First and last address of the data area; the ticket stream starts at the first.
    quint16 dataStart() const { return m_dataStart; }
    quint16 dataEnd() const { return m_dataEnd; }
    // Free ticket memory: the whole data area.
    qint64 freeSpace() const { return known() ? qint64(m_dataEnd) - m_dataStart + 1 : 0; }

    // Progress that programming adds per erase command and per data command, and that reading
    // looks ahead before it adds one access's worth (the device family counts erases by its
    // class number, and the Velmar reading looks two accesses ahead).
    int eraseProgressStep() const { return m_eraseStep; }
    int dataProgressStep() const { return m_accessBytes; }
    int readProgressLookahead() const { return m_readLookahead; }

    constexpr MemoryLayout(Family family, int accessBytes, quint16 directoryStart, int entryStride,
                           int entrySlots, quint16 dataStart, quint16 dataEnd, int eraseStep,
                           int readLookahead)
        : m_family(family), m_accessBytes(accessBytes), m_directoryStart(directoryStart),
          m_entryStride(entryStride), m_entrySlots(entrySlots), m_dataStart(dataStart),
          m_dataEnd(dataEnd), m_eraseStep(eraseStep), m_readLookahead(readLookahead)
    {
    }

private:
    Family m_family;
    int m_accessBytes;
    quint16 m_directoryStart; // the T entry
    int m_entryStride;        // from one slot's entry to the next
    int m_entrySlots;
    quint16 m_dataStart;
    quint16 m_dataEnd;
    int m_eraseStep;
    int m_readLookahead;
};
