#include "transferresult.h"

QString TransferResult::statusText() const
{
    const bool program = kind == Kind::Program;
    switch (outcome) {
    case Outcome::Programmed:
        return QStringLiteral("Tickets Programmed");
    case Outcome::Read:
        return QStringLiteral("Tickets Readed");
    case Outcome::Cancelled:
        return program ? QStringLiteral("Programming Cancelled")
                       : QStringLiteral("Reading Cancelled");
    case Outcome::Failed:
        return QStringLiteral("");
    case Outcome::Refused:
    case Outcome::NoDevice:
        break;
    }
    return {};
}
