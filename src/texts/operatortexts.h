#pragma once

#include "devicesession.h"
#include "transferprogress.h"
#include "transferresult.h"

#include <QString>

// The texts the window and the command line show for the engine's states and outcomes; the
// engine itself only carries outcomes and numbers.
namespace OperatorTexts
{

// The port's state as the window's status bar shows it: "Not Connected", "Port Opened",
// "Connected !".
QString portState(DeviceSession::PortState state);

// The status line a transfer leaves: "Tickets Programmed", "Programming Cancelled", "Tickets
// Readed", "Reading Cancelled", empty after a failure; a null string where the line stays as it
// was.
QString transferResult(const TransferResult &result);

// The status line while a transfer runs: "Programming ...   42%", "Reading ..." while the
// directory is read, "Reading ...   42%"; empty when idle.
QString transferProgress(const TransferProgress &progress);

// "<word>   <percentage>%", the percentage rounded half to even.
QString percentage(const QString &word, qint64 value, qint64 maximum);

} // namespace OperatorTexts
