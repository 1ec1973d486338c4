#include "transferprogress.h"

#include "progresscounter.h"

QString TransferProgress::statusText() const
{
    switch (phase) {
    case Phase::Idle:
        break;
    case Phase::Programming:
        return ProgressCounter::text(QStringLiteral("Programming ..."), done, total);
    case Phase::ReadingDirectory:
        return QStringLiteral("Reading ...");
    case Phase::ReadingData:
        return ProgressCounter::text(QStringLiteral("Reading ..."), done, total);
    }
    return {};
}
