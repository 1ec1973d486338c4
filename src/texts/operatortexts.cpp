#include "operatortexts.h"

#include "progresscounter.h"

namespace OperatorTexts
{

QString portState(DeviceSession::PortState state)
{
    switch (state) {
    case DeviceSession::PortState::NotConnected:
        return QStringLiteral("Not Connected");
    case DeviceSession::PortState::PortOpened:
        return QStringLiteral("Port Opened");
    case DeviceSession::PortState::Connected:
        return QStringLiteral("Connected !");
    }
    return {};
}

QString transferResult(const TransferResult &result)
{
    const bool program = result.kind == TransferResult::Kind::Program;
    switch (result.outcome) {
    case TransferResult::Outcome::Programmed:
        return QStringLiteral("Tickets Programmed");
    case TransferResult::Outcome::Read:
        return QStringLiteral("Tickets Readed");
    case TransferResult::Outcome::Cancelled:
        return program ? QStringLiteral("Programming Cancelled")
                       : QStringLiteral("Reading Cancelled");
    case TransferResult::Outcome::Failed:
        return QStringLiteral("");
    case TransferResult::Outcome::Refused:
    case TransferResult::Outcome::NoDevice:
        break;
    }
    return {};
}

QString transferProgress(const TransferProgress &progress)
{
    using Phase = TransferProgress::Phase;
    switch (progress.phase) {
    case Phase::Idle:
        break;
    case Phase::Programming:
        return percentage(QStringLiteral("Programming ..."), progress.done, progress.total);
    case Phase::ReadingDirectory:
        return QStringLiteral("Reading ...");
    case Phase::ReadingData:
        return percentage(QStringLiteral("Reading ..."), progress.done, progress.total);
    }
    return {};
}

QString percentage(const QString &word, qint64 value, qint64 maximum)
{
    return word + QLatin1String("   ") +
           QString::number(ProgressCounter::percentage(value, maximum)) + QLatin1Char('%');
}

} // namespace OperatorTexts
