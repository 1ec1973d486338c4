#include "memorymap.h"

namespace
{

constexpr quint16 ZorlaDirectory = 0x0400;
constexpr quint16 ZorlaData = 0x0410;
constexpr quint16 VelmarDirectory = 0x9FFE;
constexpr quint16 VelmarData = 0xA000;

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

Layout layoutFor(int deviceClass)
{
    switch (deviceClass) {
    case 1:
    case 4:
        return Layout::Zorla;
    case 8:
        return Layout::Velmar;
    default:
        return Layout::None;
    }
}

int writeUnit(int deviceClass)
{
    switch (deviceClass) {
    case 1:
        return 1;
    case 4:
    case 8:
        return 4;
    default:
        return 0;
    }
}

int directorySlotCount(Layout layout)
{
    switch (layout) {
    case Layout::Zorla:
        return 4;
    case Layout::Velmar:
        return 6;
    case Layout::None:
        break;
    }
    return 0;
}

quint16 dataAreaStart(Layout layout)
{
    return layout == Layout::Velmar ? VelmarData : ZorlaData;
}

quint16 dataAreaEnd(int deviceClass)
{
    switch (deviceClass) {
    case 1:
        return 0x0FFF;
    case 4:
        return 0x1FFF;
    case 8:
        return 0xEFFF;
    default:
        return 0;
    }
}

quint16 DirectoryEntryAddress(Layout layout, int slot)
{
    if (layout == Layout::Velmar)
        return quint16(VelmarDirectory - 4 * (slot - 1));
    return quint16(ZorlaDirectory + 4 * (slot - 1));
}

QByteArray directoryEntryBytes(quint16 first, quint16 last)
{
    QByteArray entry(4, Qt::Uninitialized);
    entry[0] = char(first >> 8);
    entry[1] = char(first & 0xFF);
    entry[2] = char(last >> 8);
    entry[3] = char(last & 0xFF);
    return entry;
}

QByteArray MemoryWriteCommand(quint16 address, const QByteArray &bytes)
{
    QByteArray command = commandPrefix(address, 2 * bytes.size());
    for (char byte : bytes)
        appendHexByte(command, quint8(byte));
    command.append('\r');
    return command;
}

QByteArray MemoryReadCommand(quint16 address)
{
    QByteArray command = commandPrefix(address, 2);
    command.append("??\r");
    return command;
}

std::optional<QByteArray> ReadReplyBytes(const QByteArray &reply, int deviceClass)
{
    constexpr qsizetype DataStart = 7; // the eighth character
    const int count = writeUnit(deviceClass);
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
    constexpr qsizetype Limit = 64;
    QString text;
    for (qsizetype i = 0; i < reply.size() && i < Limit; ++i) {
        const uchar c = uchar(reply.at(i));
        if (c == '\r')
            text += QLatin1String("<CR>");
        else if (c == '\n')
            text += QLatin1String("<LF>");
        else if (c < 0x20 || c > 0x7E)
            text += QLatin1Char('<') +
                    QString::number(c, 16).toUpper().rightJustified(2, QLatin1Char('0')) +
                    QLatin1Char('>');
        else
            text += QLatin1Char(char(c));
    }
    if (reply.size() > Limit)
        text += QLatin1String("...");
    if (reply.isEmpty())
        text = QStringLiteral("(nothing)");
    return text;
}
