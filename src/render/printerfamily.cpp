#include "printerfamily.h"

QStringList PrinterFamily::keys()
{
    return {QStringLiteral("auto"), QStringLiteral("escpos"), QStringLiteral("escp24"),
            QStringLiteral("escp9")};
}

QString PrinterFamily::key(Id family)
{
    return keys().at(int(family));
}

QString PrinterFamily::caption(Id family)
{
    switch (family) {
    case Automatic:
        return QStringLiteral("Automatic");
    case EscPos:
        return QStringLiteral("ESC/POS (receipt)");
    case EscP24:
        return QStringLiteral("ESC/P 24-pin");
    case EscP9:
        return QStringLiteral("ESC/P 9-pin");
    }
    return QString();
}

std::optional<PrinterFamily::Id> PrinterFamily::fromKey(const QString &key)
{
    const qsizetype index = keys().indexOf(key.toLower());
    if (index < 0)
        return std::nullopt;
    return Id(index);
}
