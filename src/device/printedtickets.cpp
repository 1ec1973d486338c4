#include "printedtickets.h"

#include "ticketproject.h"
#include "ticketstream.h"

PrintedTickets PrintedTickets::fromProject(const TicketProject &project, bool truckShown)
{
    TicketProject copy;
    for (int n = 1; n <= TicketProject::slotCount; ++n)
        copy.setSlot(n, project.slot(n));
    const QByteArray stream = prepareTicketStream(copy, truckShown);
    const qsizetype printSize = copy.contents(TicketProject::T).size();
    return {stream.left(printSize), stream.mid(printSize), truckShown};
}

bool PrintedTickets::truckByContent(const TicketProject &project)
{
    using S = TicketProject::Slot;
    const qint64 truck = project.contents(S::P1).size() + project.contents(S::P2).size();
    const qint64 totalize = project.contents(S::H).size() + project.contents(S::B).size() +
                            project.contents(S::F).size();
    return truck > 0 && totalize == 0;
}
