#include "memorylayout.h"

namespace
{

using Family = MemoryLayout::Family;

// clang-format off
//                                        access directory  stride slots data    data end erase look
constexpr MemoryLayout NoLayout        {Family::None,   0, 0x0000,  0, 0, 0x0000, 0x0000, 0, 0};
// Below software 1.024: 3056 bytes of data.
constexpr MemoryLayout ZorlaOldLayout  {Family::Zorla,  1, 0x0400, +4, 4, 0x0410, 0x0FFF, 1, 1};
// 7152 bytes of data.
constexpr MemoryLayout ZorlaLayout     {Family::Zorla,  4, 0x0400, +4, 4, 0x0410, 0x1FFF, 4, 4};
// 20480 bytes of data. The T entry occupies 0x9FFE to 0xA001, so its last two bytes are also the
// first two addresses of the data area; what the device keeps there is its own affair.
// Programming writes the directory after the data, and reading takes the entry from these same
// addresses.
constexpr MemoryLayout VelmarLayout    {Family::Velmar, 4, 0x9FFE, -4, 6, 0xA000, 0xEFFF, 8, 8};
// clang-format on

} // namespace

const MemoryLayout &MemoryLayout::of(DeviceClass deviceClass)
{
    switch (deviceClass) {
    case DeviceClass::ZorlaOld:
        return ZorlaOldLayout;
    case DeviceClass::Zorla:
        return ZorlaLayout;
    case DeviceClass::Velmar:
        return VelmarLayout;
    case DeviceClass::None:
        break;
    }
    return NoLayout;
}
