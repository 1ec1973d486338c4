#pragma once

#include <QByteArray>

// The print-job preamble printer drivers put before their output ("@EJL 1284.4" and the "@EJL"
// lines after it, optionally led by ESC 0x01), which prints nothing.
class JobPreamble
{
public:
    // The length of the preamble starting at pos, 0 when none starts there.
    static qsizetype lengthAt(const QByteArray &data, qsizetype pos);
    static bool startsAt(const QByteArray &data, qsizetype pos) { return lengthAt(data, pos) > 0; }
};
