#include "printinterpreter.h"

#include "escpinterpreter.h"
#include "escposinterpreter.h"
#include "familydetector.h"
#include "pagebuilder.h"

PrintInterpreter::Result PrintInterpreter::interpret(const QByteArray &data,
                                                     PrinterFamily::Id family,
                                                     const PaperFormat &paper)
{
    Result result;
    result.family = family;
    if (family == PrinterFamily::Automatic) {
        const FamilyDetector::Choice choice = FamilyDetector::detect(data);
        result.family = choice.family;
        result.familyReason = choice.reason;
    }
    const bool receiptFamily = result.family == PrinterFamily::EscPos;
    result.paper = paper.isAutomatic() ? PaperFormat::defaultFor(receiptFamily) : paper;

    PageModel &model = result.model;
    model.paperWidth = result.paper.paperWidth;
    model.leftMargin = result.paper.leftMargin();
    PageBuilder builder(model, result.paper.printableWidth, result.paper.pageLength);
    if (receiptFamily)
        EscPosInterpreter(builder, result.paper.columns).run(data);
    else
        EscPInterpreter(builder, result.family == PrinterFamily::EscP9).run(data);
    builder.finish();
    return result;
}

PrintInterpreter::Result PrintInterpreter::interpretTickets(const QList<QByteArray> &tickets,
                                                            PrinterFamily::Id family,
                                                            const PaperFormat &paper)
{
    Result result = interpret(tickets.value(0), family, paper);
    if (family == PrinterFamily::Automatic) {
        const FamilyDetector::Choice choice = FamilyDetector::detect(tickets.join());
        if (choice.family != result.family)
            result = interpret(tickets.value(0), choice.family, paper);
        result.family = choice.family;
        result.familyReason = choice.reason;
    }
    qsizetype offset = tickets.value(0).size();
    for (qsizetype i = 1; i < tickets.size(); ++i) {
        result.model.append(interpret(tickets.at(i), result.family, result.paper).model, offset);
        offset += tickets.at(i).size();
    }
    return result;
}
