#include "memorymap.h"

#include "bytetext.h"

namespace
{

const char HexDigits[] = "0123456789ABCDEF";

void appendHexByte(QByteArray &text, quint8 byte)
{
    text.append(HexDigits[byte >> 4]);
    text.append(HexDigits[byte & 0x0F]);
}

QByteArray commandPrefix(quint16 address, qsizetype dataDigits)
{
    QByteArray command;
    command.reserve(8 + dataDigits + 1);
    command.append("@E");
    appendHexByte(command, quint8(address >> 8));
    appendHexByte(command, quint8(address & 0xFF));
    command.append('-');
    return command;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

QByteArray directoryEntryBytes(quint16 first, quint16 last)
{
    QByteArray entry(MemoryLayout::EntryBytes, Qt::Uninitialized);
    entry[0] = char(first >> 8);
    entry[1] = char(first & 0xFF);
    entry[2] = char(last >> 8);
    entry[3] = char(last & 0xFF);
    return entry;
}

QByteArray memoryWriteCommand(quint16 address, const QByteArray &bytes)
{
    QByteArray command = commandPrefix(address, 2 * bytes.size());
    for (char byte : bytes)
        appendHexByte(command, quint8(byte));
    command.append('\r');
    return command;
}

QByteArray memoryReadCommand(quint16 address)
{
    QByteArray command = commandPrefix(address, 2);
    command.append("??\r");
    return command;
}

std::optional<QByteArray> readReplyBytes(const QByteArray &reply, DeviceClass deviceClass)
{
    constexpr qsizetype DataStart = 7; // the eighth character
    const int count = MemoryLayout::of(deviceClass).accessBytes();
    if (count == 0 || reply.size() < DataStart + 2 * count)
        return std::nullopt;
    QByteArray bytes(count, Qt::Uninitialized);
    for (int i = 0; i < count; ++i) {
        const int high = hexValue(reply.at(DataStart + 2 * i));
        const int low = hexValue(reply.at(DataStart + 2 * i + 1));
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes[i] = char(high << 4 | low);
    }
    return bytes;
}

QString printableReply(const QByteArray &reply)
{
    if (reply.isEmpty())
        return QStringLiteral("(nothing)");
    return escapedBytes(reply, {{'\r', "CR"}, {'\n', "LF"}}, 64);
}
