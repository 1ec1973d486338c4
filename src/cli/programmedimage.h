#pragma once

#include "deviceclass.h"

#include <QByteArray>
#include <array>
#include <optional>

class TicketProject;

// What programming a project leaves in a device, slot by slot, as reading the device gives it
// back: the ticket stream cut along the directory entries that programming writes. A slot whose
// entry programming does not touch (P1 and P2 of a VELMAR with the totalize set) is unknown.
class ProgrammedImage
{
public:
    using Slots = std::array<std::optional<QByteArray>, 6>;

    // Prepares the stream on `project` (which takes the ESC J adjustment, as programming does).
    static Slots expected(TicketProject &project, DeviceClass deviceClass, bool truckSet);

    struct Difference {
        int slot = 0;       // 1..6; 0 when the device holds what was expected
        qint64 offset = -1; // first differing byte offset within the slot
    };
    static Difference compare(const Slots &expected, const TicketProject &read);
};
