#pragma once

#include "deviceclass.h"

#include <QByteArray>
#include <QList>
#include <array>
#include <optional>

class TicketProject;

// What programming a project writes into a device, slot by slot: T and the slots of the ticket set
// it programs, as the prepared stream holds them. The slots of the other set are not written and
// not known.
class ProgrammedImage
{
public:
    using Slots = std::array<std::optional<QByteArray>, 6>;

    // Prepares the stream on `project` (which takes the ESC J adjustment, as programming does).
    static Slots expected(TicketProject &project, bool truckSet);

    struct Difference {
        int slot = 0;       // 1..6
        qint64 offset = -1; // first differing byte offset within the slot
    };
    // Every written slot that reads back otherwise; empty when the device holds what was written.
    static QList<Difference> compare(const Slots &expected, const TicketProject &read);

    // The written slots (non-empty) that a device of this class cannot give back, having no
    // directory entry for them: P1 and P2 of a truck ticket on a ZORLA.
    static QList<int> unreadable(const Slots &expected, DeviceClass deviceClass);
};
