#pragma once

#include "deviceclass.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <optional>

// Where the device keeps its ticket directory and ticket data, and the text of the memory access
// command that writes or reads it. Pure formatting; the conversation belongs to SerialLink.

// The two memory organisations; None when no device class is known (nothing is written or read).
enum class Layout { None, Zorla, Velmar };

Layout layoutFor(DeviceClass deviceClass);

// Bytes carried by one memory write and returned by one memory read: 1 for the older ZORLA, 4 for
// the later ZORLA and the VELMAR, 0 when the class selects no layout.
int writeUnit(DeviceClass deviceClass);

// Number of slots that own a directory entry: 4 (T, H, B, F) or 6 (also P1, P2).
int directorySlotCount(Layout layout);

// First and last address of the data area (the ticket stream starts at the first).
quint16 dataAreaStart(Layout layout);
quint16 dataAreaEnd(DeviceClass deviceClass);

// Address of the 4-byte directory entry of slot 1..6; slots 5 and 6 have none in the Zorla layout.
quint16 directoryEntryAddress(Layout layout, int slot);

// The 4 entry bytes: first address then last address, high bytes first.
QByteArray directoryEntryBytes(quint16 first, quint16 last);

// "@E<addr>-<hex bytes>\r" with four upper-case address digits and two digits per byte.
QByteArray memoryWriteCommand(quint16 address, const QByteArray &bytes);
// "@E<addr>-??\r"
QByteArray memoryReadCommand(quint16 address);

// The data bytes of a read reply: digit pairs from the eighth character, one pair per byte
// (one pair per byte of writeUnit()). nullopt when the field is short or not hexadecimal.
std::optional<QByteArray> readReplyBytes(const QByteArray &reply, DeviceClass deviceClass);

// A reply as readable text for messages: control characters and bytes above 126 as <CR>, <LF>
// or <hex>, cut after 64 characters.
QString printableReply(const QByteArray &reply);
