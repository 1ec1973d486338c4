#pragma once

#include <QByteArray>

class TicketProject;

// Builds the ticket stream that programming writes into the device's data area: T followed by
// H, B, F (totalize set) or by P1, P2 (truck set, when the truck ticket frame is shown).
// When the print files carry the print-job marker "@EJL 1284.4" (searched in H, B, F and, with
// the truck set, P1, P2) the form feeds of H, B and F become line feeds in the stream; otherwise
// the byte after the last ESC J pair of H and of B is set to NUL in the project itself.
QByteArray prepareTicketStream(TicketProject &project, bool truckShown);
