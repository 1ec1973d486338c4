#pragma once

#include "printerfamily.h"

#include <QByteArray>
#include <QString>

// Decides which printer family a print file was written for from the commands only one family
// has, and says which commands decided it.
class FamilyDetector
{
public:
    struct Choice {
        PrinterFamily::Id family = PrinterFamily::EscPos;
        QString reason;
    };

    static Choice detect(const QByteArray &data);
};
