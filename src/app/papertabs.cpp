#include "papertabs.h"

#include "paperview.h"
#include "printedtickets.h"
#include "ticketproject.h"

#include <QTabWidget>

void PaperTabs::addTo(QTabWidget *tabs, const QByteArray &slotContent, const TicketProject &project,
                      ShownSet shown, SettingsStore &settings, DialogService &dialogs)
{
    if (!tabs)
        return;
    auto *paper = new PaperView(settings, dialogs);
    paper->setObjectName(QStringLiteral("paperView"));
    paper->setTickets({slotContent});
    tabs->addTab(paper, QObject::tr("Paper"));

    QList<QByteArray> tickets{project.contents(TicketProject::T)};
    if (shown != ShownSet::PrintTicketOnly) {
        const PrintedTickets printed =
            PrintedTickets::fromProject(project, shown == ShownSet::Truck);
        tickets = {printed.printTicket, printed.setTicket};
    }
    auto *ticket = new PaperView(settings, dialogs);
    ticket->setObjectName(QStringLiteral("ticketView"));
    ticket->setTickets(tickets);
    tabs->addTab(ticket, QObject::tr("Ticket"));
    tabs->window()->resize(tabs->window()->size().expandedTo(QSize(760, 680)));
    // Both views follow the family and paper chosen in either.
    for (auto [from, to] : {std::pair{paper, ticket}, std::pair{ticket, paper}}) {
        QObject::connect(from, &PaperView::choicesApplied, to, &PaperView::reloadChoices);
    }
}
