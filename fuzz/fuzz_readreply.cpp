// Read replies, for every device class: the data bytes come only from a complete hexadecimal
// field at the eighth character, one pair per byte of the class's access unit; a reply in the
// format the commands use gives back its bytes; the text shown for any reply stays short.
#include "memorymap.h"
#include "require.h"

#include <QString>
#include <cctype>

namespace
{

bool isHexField(const QByteArray &field)
{
    for (char c : field) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

void checkDecoding(const QByteArray &reply, DeviceClass deviceClass)
{
    const int unit = MemoryLayout::of(deviceClass).accessBytes();
    const std::optional<QByteArray> bytes = readReplyBytes(reply, deviceClass);
    const QByteArray field = reply.mid(7, 2 * unit);
    const bool decodable = unit > 0 && field.size() == 2 * unit && isHexField(field);
    require(bytes.has_value() == decodable, "decoded exactly when the field is complete hex");
    if (bytes) {
        require(bytes->size() == unit, "one byte per pair of the access unit");
        require(bytes->toHex().toUpper() == field.toUpper(), "the bytes are the field's");
    }
}

// The first two bytes make an address and the next ones the data of a reply as the device sends
// it; it must decode to that data.
void checkFormatted(const QByteArray &input, DeviceClass deviceClass)
{
    const int unit = MemoryLayout::of(deviceClass).accessBytes();
    if (unit == 0 || input.size() < 2 + unit)
        return;
    const auto address = quint16(quint8(input.at(0)) << 8 | quint8(input.at(1)));
    const QByteArray data = input.mid(2, unit);
    const std::optional<QByteArray> bytes =
        readReplyBytes(memoryWriteCommand(address, data), deviceClass);
    require(bytes && *bytes == data, "a well-formed reply gives back its bytes");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray reply(reinterpret_cast<const char *>(data), qsizetype(size));
    for (DeviceClass deviceClass :
         {DeviceClass::None, DeviceClass::ZorlaOld, DeviceClass::Zorla, DeviceClass::Velmar}) {
        checkDecoding(reply, deviceClass);
        checkFormatted(reply, deviceClass);
    }
    // 64 characters at most, each shown as at most four ("<CR>", "<1B>"), then "...".
    require(printableReply(reply).size() <= 64 * 4 + 3, "a reply is shown short");
    return 0;
}
