#include "programverification.h"

#include "devicelink.h"
#include "devicereader.h"
#include "devicesession.h"
#include "dialogservice.h"
#include "memorylayout.h"
#include "programmedimage.h"
#include "ticketproject.h"

namespace
{

QString slotNames(const QList<int> &slotNumbers)
{
    QStringList names;
    for (int n : slotNumbers)
        names << TicketProject::slotName(n);
    return names.join(QStringLiteral(", "));
}

} // namespace

ProgramVerification::ProgramVerification(TicketProject &programmed, DeviceSession &session)
    : m_programmed(programmed), m_session(session)
{
}

QString ProgramVerification::run()
{
    ProgrammedImage::Slots expected =
        ProgrammedImage::expected(m_programmed, m_session.identity().truckApplication());
    const DeviceClass deviceClass = m_session.link().deviceClass();
    const QList<int> unreadable = ProgrammedImage::unreadable(expected, deviceClass);
    // Slots without a directory entry are not compared: the read gives them back empty.
    for (int n = MemoryLayout::of(deviceClass).entrySlots() + 1; n <= TicketProject::slotCount; ++n)
        expected[n - 1].reset();

    TicketProject readBack;
    const TransferResult read = DeviceReader(readBack, m_session).run();
    if (read.outcome == TransferResult::Outcome::Cancelled)
        return QStringLiteral("Verify Cancelled");
    if (!read.succeeded())
        return QStringLiteral("Not Verified");

    const QList<ProgrammedImage::Difference> differences =
        ProgrammedImage::compare(expected, readBack);
    if (!differences.isEmpty()) {
        const ProgrammedImage::Difference &first = differences.first();
        m_session.dialogs().showMessage(
            QStringLiteral("The device does not hold what was programmed: slot %1 differs at "
                           "byte offset %2.")
                .arg(TicketProject::slotName(first.slot))
                .arg(first.offset),
            QStringLiteral("Verify error!"));
        return QStringLiteral("Verify Failed");
    }
    if (!unreadable.isEmpty()) {
        QList<int> verified;
        for (int n = 1; n <= TicketProject::slotCount; ++n) {
            if (expected[n - 1] && !expected[n - 1]->isEmpty())
                verified << n;
        }
        QString text =
            QStringLiteral("%1 cannot be read back from this device, so %2 not verified.")
                .arg(slotNames(unreadable),
                     unreadable.size() == 1 ? QStringLiteral("it is") : QStringLiteral("they are"));
        if (!verified.isEmpty())
            text.prepend(slotNames(verified) + QStringLiteral(" read back as programmed. "));
        m_session.dialogs().showWarning(text, QStringLiteral("Verify"), QString());
        return QStringLiteral("Partly Verified");
    }
    return QStringLiteral("Tickets Verified");
}
