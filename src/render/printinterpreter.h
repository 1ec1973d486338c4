#pragma once

#include "pagemodel.h"
#include "paperformat.h"
#include "printerfamily.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Turns a print file into pages: picks the family (detecting it when asked to) and the paper
// (the family's usual one when asked to), and runs that family's interpreter over the bytes.
class PrintInterpreter
{
public:
    struct Result {
        PageModel model;
        PrinterFamily::Id family = PrinterFamily::EscPos;
        PaperFormat paper;
        QString familyReason; // why automatic detection chose the family; empty otherwise
    };

    static Result interpret(const QByteArray &data, PrinterFamily::Id family,
                            const PaperFormat &paper);
    // Tickets printed one after the other, each starting on a page of its own; the family is
    // detected from all of them together.
    static Result interpretTickets(const QList<QByteArray> &tickets, PrinterFamily::Id family,
                                   const PaperFormat &paper);
};
