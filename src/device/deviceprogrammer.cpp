#include "deviceprogrammer.h"

#include "devicelink.h"
#include "devicesession.h"
#include "dialogservice.h"
#include "memorymap.h"
#include "progresscounter.h"
#include "ticketproject.h"
#include "ticketstream.h"

namespace
{
constexpr int DirectoryProgress = 16; // the erase commands' share of the progress bar

TransferResult programResult(TransferResult::Outcome outcome,
                             std::optional<ErrorCode> error = std::nullopt,
                             const QString &description = QString())
{
    return TransferResult::make(TransferResult::Kind::Program, outcome, error, description);
}
} // namespace

DeviceProgrammer::DeviceProgrammer(TicketProject &project, DeviceSession &session)
    : m_project(project), m_session(session)
{
}

TransferResult DeviceProgrammer::run()
{
    if (m_project.spaceRequired() > m_session.identity().space) {
        showError(m_session.dialogs(), ErrorCode::DoesNotFit);
        return programResult(TransferResult::Outcome::Refused, ErrorCode::DoesNotFit);
    }

    if (!confirmUnreadableSlots())
        return programResult(TransferResult::Outcome::Cancelled);
    m_session.setTransfersEnabled(false);
    m_session.clearCancel();
    m_failedReply = {};
    const bool truck = m_session.identity().truckApplication();
    const QByteArray stream = prepareTicketStream(m_project, truck);

    ProgressCounter progress(int(stream.size()) + DirectoryProgress);
    showProgress(progress);

    const MemoryLayout &layout = MemoryLayout::of(m_session.link().deviceClass());
    if (!layout.known())
        return finish(programResult(TransferResult::Outcome::NoDevice));

    // Erase the directory: every directory byte in the Zorla layout, the entries of the slots
    // that this run programs in the Velmar layout (P1 and P2 only with the truck ticket).
    const int entries =
        qMin(layout.entrySlots(), int(truck ? TicketProject::P2 : TicketProject::F));
    Step step = eraseDirectory(entries, progress);
    if (step == Step::Continue)
        step = writeStream(stream, progress);
    if (step == Step::Continue)
        step = writeDirectory(entries, progress);
    return finish(step);
}

bool DeviceProgrammer::confirmUnreadableSlots()
{
    // A ZORLA directory has entries for T, H, B and F only: the truck ticket's parts are written
    // where the device finds them, but nothing can read them back.
    const DeviceIdentity &identity = m_session.identity();
    const MemoryLayout &layout = MemoryLayout::of(identity.deviceClass);
    if (!layout.known() || layout.hasEntry(TicketProject::P1) || !identity.truckApplication() ||
        m_project.byteCount(TicketProject::P1) + m_project.byteCount(TicketProject::P2) == 0)
        return true;
    return m_session.dialogs().askYesNo(
        QStringLiteral("P1 and P2 will be written, but this device keeps no directory entries "
                       "for them and cannot give them back. Program anyway?"),
        QStringLiteral("Truck ticket on a ZORLA"));
}

DeviceProgrammer::Step DeviceProgrammer::eraseDirectory(int entries, ProgressCounter &progress)
{
    const MemoryLayout &layout = MemoryLayout::of(m_session.link().deviceClass());
    const int unit = layout.accessBytes();
    const int advance = layout.eraseProgressStep();
    for (int n = 1; n <= entries; ++n) {
        const quint16 entry = layout.entryAddress(n);
        for (int offset = 0; offset < MemoryLayout::EntryBytes; offset += unit) {
            const Step step =
                write(quint16(entry + offset), QByteArray(unit, char(0xFF)), progress, advance);
            if (step != Step::Continue)
                return step;
        }
    }
    return Step::Continue;
}

DeviceProgrammer::Step DeviceProgrammer::writeStream(const QByteArray &stream,
                                                     ProgressCounter &progress)
{
    const MemoryLayout &layout = MemoryLayout::of(m_session.link().deviceClass());
    const int unit = layout.accessBytes();
    for (qsizetype offset = 0; offset < stream.size(); offset += unit) {
        QByteArray bytes = stream.mid(offset, unit);
        bytes.append(unit - bytes.size(), char(0xFF));
        const Step step =
            write(quint16(layout.dataStart() + offset), bytes, progress, layout.dataProgressStep());
        if (step != Step::Continue)
            return step;
    }
    return Step::Continue;
}

DeviceProgrammer::Step DeviceProgrammer::writeDirectory(int entries, ProgressCounter &progress)
{
    const MemoryLayout &layout = MemoryLayout::of(m_session.link().deviceClass());
    const int unit = layout.accessBytes();
    // Directory entries chain the occupied slots from the start of the data area.
    quint16 previousEnd = quint16(layout.dataStart() - 1);
    for (int n = 1; n <= entries; ++n) {
        if (m_project.byteCount(n) == 0)
            continue;
        const quint16 first = quint16(previousEnd + 1);
        const quint16 last = quint16(previousEnd + m_project.byteCount(n));
        previousEnd = last;
        const QByteArray entry = directoryEntryBytes(first, last);
        const quint16 address = layout.entryAddress(n);
        for (int offset = 0; offset < MemoryLayout::EntryBytes; offset += unit) {
            const Step step =
                write(quint16(address + offset), entry.mid(offset, unit), progress, 0);
            if (step != Step::Continue)
                return step;
        }
    }
    return Step::Continue;
}

DeviceProgrammer::Step DeviceProgrammer::write(quint16 address, const QByteArray &bytes,
                                               ProgressCounter &progress, int step)
{
    const LinkReply reply = m_session.send(memoryWriteCommand(address, bytes));
    if (reply.status == LinkReply::Status::Aborted)
        return Step::Cancel;
    if (!reply.answered()) {
        m_failedReply = reply;
        return Step::Fail;
    }
    if (m_session.cancelRequested())
        return Step::Cancel;
    if (step > 0) {
        progress.advance(step);
        showProgress(progress);
    }
    return Step::Continue;
}

void DeviceProgrammer::showProgress(const ProgressCounter &progress)
{
    m_session.setProgress(
        {TransferProgress::Phase::Programming, progress.value(), progress.maximum()});
}

TransferResult DeviceProgrammer::finish(Step step)
{
    switch (step) {
    case Step::Continue:
        return finish(programResult(TransferResult::Outcome::Programmed));
    case Step::Cancel:
        return finish(programResult(TransferResult::Outcome::Cancelled));
    case Step::Fail:
        break;
    }
    // A refusal has been reported as it came and ends the connection; a time-out or a lost port
    // leaves it, with Program and Read unavailable until the device is connected again.
    if (m_failedReply.status == LinkReply::Status::Refused)
        return finish(programResult(TransferResult::Outcome::Failed, ErrorCode::CommandRefused));
    return finish(programResult(TransferResult::Outcome::Failed, ErrorCode::ProgramFailed,
                                m_failedReply.description));
}

TransferResult DeviceProgrammer::finish(TransferResult result)
{
    if (result.outcome == TransferResult::Outcome::Programmed ||
        result.outcome == TransferResult::Outcome::Cancelled)
        m_session.setTransfersEnabled(true);
    m_session.announceResult(result);
    if (result.error == ErrorCode::ProgramFailed)
        showError(m_session.dialogs(), ErrorCode::ProgramFailed);
    else if (result.error == ErrorCode::CommandRefused && m_session.isConnected())
        m_session.disconnectDevice();
    m_session.setProgress({});
    return result;
}
