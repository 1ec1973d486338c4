#include "programmedimage.h"

#include <algorithm>

#include "memorylayout.h"
#include "ticketproject.h"
#include "ticketstream.h"

ProgrammedImage::Slots ProgrammedImage::expected(TicketProject &project, bool truckSet)
{
    // The stream holds T and the slots of one ticket set, one after the other, as prepared.
    const QByteArray stream = prepareTicketStream(project, truckSet);
    Slots image;
    QList<int> written{TicketProject::T};
    written += truckSet ? QList<int>{TicketProject::P1, TicketProject::P2}
                        : QList<int>{TicketProject::H, TicketProject::B, TicketProject::F};
    qint64 offset = 0;
    for (int n : written) {
        const qint64 count = project.contents(n).size();
        image[n - 1] = stream.mid(offset, count);
        offset += count;
    }
    return image;
}

QList<ProgrammedImage::Difference> ProgrammedImage::compare(const Slots &expected,
                                                            const TicketProject &read)
{
    QList<Difference> differences;
    for (int n = 1; n <= TicketProject::slotCount; ++n) {
        if (!expected[n - 1])
            continue;
        const QByteArray &want = *expected[n - 1];
        const QByteArray got = read.contents(n);
        const auto [wantEnd, gotEnd] =
            std::mismatch(want.begin(), want.end(), got.begin(), got.end());
        if (wantEnd != want.end() || gotEnd != got.end())
            differences.append({n, wantEnd - want.begin()});
    }
    return differences;
}

QList<int> ProgrammedImage::unreadable(const Slots &expected, DeviceClass deviceClass)
{
    QList<int> slotNumbers;
    const int readable = MemoryLayout::of(deviceClass).entrySlots();
    for (int n = readable + 1; n <= TicketProject::slotCount; ++n) {
        if (expected[n - 1] && !expected[n - 1]->isEmpty())
            slotNumbers.append(n);
    }
    return slotNumbers;
}
