#pragma once

#include <QChar>
#include <QString>

// The character tables a printer prints bytes 0x80 to 0xFF with: code pages 437, 850, 858 and
// 1252, and the ISO Latin 1 and Latin 9 tables of dot-matrix printers. Bytes below 0x80 are ASCII
// in all of them.
class CodePage
{
public:
    enum Id { Cp437, Cp850, Cp858, Cp1252, Latin1, Latin9 };

    static QChar character(Id table, uchar byte);
    static QString name(Id table);
};
