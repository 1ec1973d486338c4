#pragma once

#include "deviceclass.h"
#include "memorylayout.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <optional>

// The text of the memory access command that writes or reads the device's memory, and of a
// directory entry (the addresses come from MemoryLayout). Pure formatting; the conversation
// belongs to DeviceLink.

// The 4 entry bytes: first address then last address, high bytes first.
QByteArray directoryEntryBytes(quint16 first, quint16 last);

// "@E<addr>-<hex bytes>\r" with four upper-case address digits and two digits per byte.
QByteArray memoryWriteCommand(quint16 address, const QByteArray &bytes);
// "@E<addr>-??\r"
QByteArray memoryReadCommand(quint16 address);

// The data bytes of a read reply: digit pairs from the eighth character, one pair per byte
// (one pair per byte of the class's access). nullopt when the field is short or not hexadecimal.
std::optional<QByteArray> readReplyBytes(const QByteArray &reply, DeviceClass deviceClass);

// A reply as readable text for messages: control characters and bytes above 126 as <CR>, <LF>
// or <hex>, cut after 64 characters.
QString printableReply(const QByteArray &reply);
