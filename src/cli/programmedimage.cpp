#include "programmedimage.h"

#include "memorymap.h"
#include "ticketproject.h"
#include "ticketstream.h"

ProgrammedImage::Slots ProgrammedImage::expected(TicketProject &project, DeviceClass deviceClass,
                                                 bool truckSet)
{
    const QByteArray stream = prepareTicketStream(project, truckSet);
    const Layout layout = layoutFor(deviceClass);
    Slots image;
    for (int n = 1; n <= TicketProject::slotCount; ++n)
        image[n - 1] = QByteArray(); // no entry: read back as an empty slot

    // Programming chains the entries by the byte counts over the image it visits.
    const int visited = layout == Layout::Velmar && truckSet ? 6 : 4;
    qint64 offset = 0;
    for (int n = 1; n <= visited; ++n) {
        const qint64 count = project.byteCount(n);
        image[n - 1] = stream.mid(offset, count);
        offset += count;
    }
    if (layout == Layout::Velmar && !truckSet) {
        image[TicketProject::P1 - 1].reset();
        image[TicketProject::P2 - 1].reset();
    }
    return image;
}

ProgrammedImage::Difference ProgrammedImage::compare(const Slots &expected,
                                                     const TicketProject &read)
{
    for (int n = 1; n <= TicketProject::slotCount; ++n) {
        if (!expected[n - 1])
            continue;
        const QByteArray &want = *expected[n - 1];
        const QByteArray got = read.contents(n);
        const qsizetype common = qMin(want.size(), got.size());
        for (qsizetype i = 0; i < common; ++i) {
            if (want.at(i) != got.at(i))
                return {n, i};
        }
        if (want.size() != got.size())
            return {n, common};
    }
    return {};
}
