#pragma once

#include <QByteArray>

class TicketProject;

// The tickets a device prints from a project, as programming leaves them: the print ticket T,
// and the totalize ticket (H, B, F) or the truck ticket (P1, P2) after the ESC J adjustment and
// the form-feed conversion. The project itself is left as it is.
struct PrintedTickets {
    QByteArray printTicket;
    QByteArray setTicket; // H + B + F, or P1 + P2
    bool truck = false;

    static PrintedTickets fromProject(const TicketProject &project, bool truckShown);
    // The truck ticket when P1 or P2 hold something and H, B and F nothing; the totalize ticket
    // otherwise. For files rendered without a device to say which application it runs.
    static bool truckByContent(const TicketProject &project);
};
