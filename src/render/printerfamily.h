#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The printer-command families a print file can be read as, with the keys settings and the
// command line use ("auto", "escpos", "escp24", "escp9") and the captions the window shows.
class PrinterFamily
{
public:
    enum Id { Automatic, EscPos, EscP24, EscP9 };

    static QStringList keys();
    static QString key(Id family);
    static QString caption(Id family);
    static std::optional<Id> fromKey(const QString &key);
    static bool isEscP(Id family) { return family == EscP24 || family == EscP9; }
};
