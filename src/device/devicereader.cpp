#include "devicereader.h"

#include "devicesession.h"
#include "dialogservice.h"
#include "progresscounter.h"
#include "seriallink.h"
#include "ticketproject.h"

namespace
{
constexpr quint16 EmptyWord = 0xFFFF;
} // namespace

DeviceReader::DeviceReader(TicketProject &project, DeviceSession &session)
    : m_project(project), m_session(session)
{
}

TransferResult DeviceReader::run()
{
    m_session.setTransfersEnabled(false);
    m_project.clear();
    m_session.clearCancel();
    m_session.setProgress({TransferProgress::Phase::ReadingDirectory, 0, 0});
    m_entries.fill(Entry());
    m_invalid.clear();
    m_failedReply = {};

    m_deviceClass = m_session.link().deviceClass();
    m_truckSet = m_session.identity().truckApplication();
    m_skipped.clear();
    const MemoryLayout &layout = MemoryLayout::of(m_deviceClass);
    if (!layout.known())
        return finish(TransferResult::Outcome::Read);

    if (!readDirectory(layout))
        return failed();
    if (m_project.spaceRequired() == 0)
        return finish(TransferResult::Outcome::Read);
    return readData(layout);
}

bool DeviceReader::read(quint16 address, QByteArray *bytes)
{
    const QByteArray command = memoryReadCommand(address);
    // The reply echoes "@E", the address and "-": anything else is stale and waited past.
    const LinkReply reply = m_session.send(command, 3, command.left(7));
    if (!reply.answered()) {
        m_failedReply = reply;
        return false;
    }
    const std::optional<QByteArray> data = readReplyBytes(reply.bytes, m_deviceClass);
    if (!data) {
        m_invalid =
            QStringLiteral("The device sent an invalid reply: ") + printableReply(reply.bytes);
        return false;
    }
    *bytes = *data;
    return true;
}

bool DeviceReader::readDirectory(const MemoryLayout &layout)
{
    if (!layout.directoryIsOneBlock()) {
        // Each entry is one access, shown as soon as it has been read.
        for (int n = 1; n <= layout.entrySlots(); ++n) {
            QByteArray entry;
            if (!read(layout.entryAddress(n), &entry) || !takeEntry(n, entry))
                return false;
        }
        return true;
    }

    // The whole directory is read one access at a time, then split into its entries.
    const int unit = layout.accessBytes();
    const quint16 directory = layout.entryAddress(1);
    QByteArray bytes;
    for (int offset = 0; offset < layout.directoryBytes(); offset += unit) {
        QByteArray part;
        if (!read(quint16(directory + offset), &part))
            return false;
        bytes += part;
    }
    for (int n = 1; n <= layout.entrySlots(); ++n) {
        const int at = MemoryLayout::EntryBytes * (n - 1);
        if (!takeEntry(n, bytes.mid(at, MemoryLayout::EntryBytes)))
            return false;
    }
    return true;
}

bool DeviceReader::takeEntry(int slot, const QByteArray &bytes)
{
    Entry entry;
    entry.first = quint16(quint8(bytes.at(0)) << 8 | quint8(bytes.at(1)));
    entry.last = quint16(quint8(bytes.at(2)) << 8 | quint8(bytes.at(3)));
    const QString shown = QString::fromLatin1(bytes.toHex().toUpper());
    if (entry.first != EmptyWord || entry.last != EmptyWord) {
        const QString problem = entryProblem(slot, entry);
        if (problem.isEmpty()) {
            entry.length = entry.last - entry.first + 1;
        } else {
            m_skipped.append(QStringLiteral("%1 (entry %2): %3")
                                 .arg(TicketProject::slotName(slot), shown, problem));
            entry = Entry();
        }
    }
    m_entries[slot - 1] = entry;
    m_project.setByteCount(slot, entry.length);
    return true;
}

// Why an entry is read as an empty slot; empty when its range can be read. Only a range inside
// the data area is read, so a damaged directory can never start an unbounded read; a last
// address one below the first is a slot of no bytes.
QString DeviceReader::entryProblem(int slot, const Entry &entry) const
{
    const bool truckSlot = slot == TicketProject::P1 || slot == TicketProject::P2;
    const bool totalizeSlot = slot >= TicketProject::H && slot <= TicketProject::F;
    if ((truckSlot && !m_truckSet) || (totalizeSlot && m_truckSet))
        return m_truckSet ? QStringLiteral("not a part of the truck ticket")
                          : QStringLiteral("not a part of the totalize ticket");
    const MemoryLayout &layout = MemoryLayout::of(m_deviceClass);
    if (entry.first < layout.dataStart() || entry.last > layout.dataEnd())
        return QStringLiteral("outside the ticket memory");
    if (int(entry.last) < int(entry.first) - 1)
        return QStringLiteral("its last address lies before its first");
    return {};
}

TransferResult DeviceReader::readData(const MemoryLayout &layout)
{
    ProgressCounter progress(int(m_project.spaceRequired()));
    showProgress(progress);

    const int unit = layout.accessBytes();
    const int limit = layout.readProgressLookahead();
    for (int n = 1; n <= layout.entrySlots(); ++n) {
        const Entry &entry = m_entries[n - 1];
        if (entry.length == 0)
            continue;
        QByteArray content;
        content.reserve(entry.length);
        for (int address = entry.first; address <= entry.last; address += unit) {
            QByteArray bytes;
            if (!read(quint16(address), &bytes))
                return failed();
            content += bytes.left(qMin<qsizetype>(bytes.size(), entry.last - address + 1));
            progress.advance(unit, limit);
            showProgress(progress);
            if (m_session.cancelRequested()) {
                m_project.appendContent(n, content);
                return finish(TransferResult::Outcome::Cancelled);
            }
        }
        m_project.appendContent(n, content);
    }
    return finish(TransferResult::Outcome::Read);
}

void DeviceReader::showProgress(const ProgressCounter &progress)
{
    m_session.setProgress(
        {TransferProgress::Phase::ReadingData, progress.value(), progress.maximum()});
}

TransferResult DeviceReader::failed()
{
    if (m_failedReply.status == LinkReply::Status::Aborted)
        return finish(TransferResult::Outcome::Cancelled);
    TransferResult result =
        TransferResult::make(TransferResult::Kind::Read, TransferResult::Outcome::Failed,
                             ErrorCode::ReadFailed, m_invalid);
    if (m_invalid.isEmpty() && m_failedReply.status == LinkReply::Status::Refused)
        result.error = ErrorCode::CommandRefused;
    else if (m_invalid.isEmpty())
        result.description = m_failedReply.description;
    m_session.announceResult(result);
    if (!m_invalid.isEmpty())
        m_session.dialogs().showMessage(m_invalid, errorMessage(ErrorCode::ReadFailed).title);
    else if (result.error == ErrorCode::ReadFailed)
        showError(m_session.dialogs(), ErrorCode::ReadFailed);
    else if (m_session.isConnected())
        m_session.disconnectDevice();
    dropIncompleteSlots();
    m_session.setProgress({});
    return result;
}

TransferResult DeviceReader::finish(TransferResult::Outcome outcome)
{
    TransferResult result = TransferResult::make(TransferResult::Kind::Read, outcome);
    result.skipped = m_skipped;
    m_session.setTransfersEnabled(true);
    m_session.announceResult(result);
    if (!m_skipped.isEmpty()) {
        m_session.dialogs().showMessage(QStringLiteral("These ticket slots were read as empty:\n") +
                                            m_skipped.join(QLatin1Char('\n')),
                                        QStringLiteral("Read warning"));
    }
    dropIncompleteSlots();
    m_session.setProgress({});
    return result;
}

void DeviceReader::dropIncompleteSlots()
{
    for (int n = 1; n <= TicketProject::slotCount; ++n) {
        if (m_project.byteCount(n) != m_project.contents(n).size()) {
            m_project.setContent(n, QByteArray());
            m_project.setByteCount(n, 0);
        }
    }
}
