#include "devicereader.h"

#include "devicelink.h"
#include "devicesession.h"
#include "dialogservice.h"
#include "progresscounter.h"
#include "ticketproject.h"

namespace
{
constexpr quint16 EmptyWord = 0xFFFF;

QString hexWord(quint16 word)
{
    return QStringLiteral("%1").arg(word, 4, 16, QLatin1Char('0')).toUpper();
}
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
    m_echo = Echo::Unknown;

    m_deviceClass = m_session.link().deviceClass();
    m_truckSet = m_session.identity().truckApplication();
    m_skipped.clear();
    m_skippedEntries.clear();
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
    // The reply echoes "@E", the address and "-": anything else is stale and waited past. The
    // first reply, taken unchecked, tells whether the device echoes at all: some carry the data
    // from the eighth character on but no echo, and their replies are taken as they come.
    const QByteArray echo = command.left(7);
    const LinkReply reply =
        m_session.send(command, 3, m_echo == Echo::Checked ? echo : QByteArray());
    if (m_echo == Echo::Unknown && reply.answered() && !reply.bytes.startsWith(echo)) {
        // Only a reply of exactly a read reply's shape, data from the eighth character, tells
        // of a device without the echo. Anything else (a late reply to an earlier read, noise
        // before the reply) is asked again, checked.
        if (reply.bytes.startsWith("@E") || !isUnechoedReply(reply.bytes)) {
            m_echo = Echo::Checked;
            return read(address, bytes);
        }
    }
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
    if (m_echo == Echo::Unknown)
        m_echo = reply.bytes.startsWith(echo) ? Echo::Checked : Echo::Missing;
    *bytes = *data;
    return true;
}

bool DeviceReader::isUnechoedReply(const QByteArray &reply) const
{
    constexpr qsizetype DataStart = 7; // the eighth character
    return reply.size() == DataStart + 2 * MemoryLayout::of(m_deviceClass).accessBytes() + 1 &&
           reply.endsWith('\r') && readReplyBytes(reply, m_deviceClass);
}

void DeviceReader::warnUnchecked()
{
    if (m_echo != Echo::Missing)
        return;
    m_session.dialogs().showMessage(
        QStringLiteral("The device does not echo the address in its read replies, so its reads "
                       "cannot be cross-checked."),
        QStringLiteral("Read warning"));
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
    if (entry.first != EmptyWord || entry.last != EmptyWord) {
        const QString problem = entryProblem(slot, entry);
        if (problem.isEmpty()) {
            entry.length = entry.last - entry.first + 1;
        } else {
            const QString name = TicketProject::slotName(slot);
            m_skipped.append(name + QStringLiteral(": ") + problem);
            m_skippedEntries.append(
                QStringLiteral("%1: directory entry %2, first address %3, last address %4")
                    .arg(name, QString::fromLatin1(bytes.left(4).toHex().toUpper()),
                         hexWord(entry.first), hexWord(entry.last)));
            entry = Entry();
        }
    }
    m_entries[slot - 1] = entry;
    m_project.setByteCount(slot, entry.length);
    return true;
}

// Why an entry is read as an empty slot, in the operator's words; empty when its range can be
// read. Only a range inside the data area is read, so a damaged directory can never start an
// unbounded read; a last address one below the first is a slot of no bytes.
QString DeviceReader::entryProblem(int slot, const Entry &entry) const
{
    const bool truckSlot = slot == TicketProject::P1 || slot == TicketProject::P2;
    const bool totalizeSlot = slot >= TicketProject::H && slot <= TicketProject::F;
    if ((truckSlot && !m_truckSet) || (totalizeSlot && m_truckSet))
        return m_truckSet ? QStringLiteral("the device prints the truck ticket, and this slot "
                                           "belongs to the totalize ticket")
                          : QStringLiteral("the device prints the totalize ticket, and this slot "
                                           "belongs to the truck ticket");
    const MemoryLayout &layout = MemoryLayout::of(m_deviceClass);
    if (entry.first < layout.dataStart() || entry.last > layout.dataEnd())
        return QStringLiteral("the device keeps it outside the ticket memory");
    if (int(entry.last) < int(entry.first) - 1)
        return QStringLiteral("the device's record of it is damaged (it ends before it starts)");
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
    warnUnchecked();
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
    dropIncompleteSlots();
    // The warning comes once the transfer's progress has gone from the window.
    m_session.setProgress({});
    warnUnchecked();
    if (!m_skipped.isEmpty()) {
        m_session.dialogs().showWarning(QStringLiteral("These ticket slots were read as empty:\n") +
                                            m_skipped.join(QLatin1Char('\n')),
                                        QStringLiteral("Read warning"),
                                        m_skippedEntries.join(QLatin1Char('\n')));
    }
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
