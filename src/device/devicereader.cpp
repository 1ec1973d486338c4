#include "devicereader.h"

#include "deviceconnection.h"
#include "devicestatus.h"
#include "dialogservice.h"
#include "errors.h"
#include "progresscounter.h"
#include "projectcommands.h"
#include "seriallink.h"
#include "ticketproject.h"

namespace
{
constexpr quint8 Attempts = 3;
constexpr quint16 EmptyWord = 0xFFFF;
} // namespace

DeviceReader::DeviceReader(TicketProject &project, SerialLink &link, DeviceStatus &status,
                           DeviceConnection &connection, DialogService &dialogs,
                           ProjectCommands &commands)
    : m_project(project), m_link(link), m_status(status), m_connection(connection),
      m_dialogs(dialogs), m_commands(commands)
{
}

DeviceReader::Outcome DeviceReader::run()
{
    m_status.setProgramEnabled(false);
    m_status.setLoadEnabled(false);
    m_commands.NewProject();
    m_status.setCommandButtonsEnabled(false);
    m_status.setBusy(true);
    m_status.setCancelEnabled(true);
    m_link.setCancelRequested(false);
    m_status.setStatusText(4, progressWord());
    m_entries.fill(Entry());
    m_invalid.clear();

    const int deviceClass = m_link.DeviceClass();
    const Layout layout = layoutFor(deviceClass);
    if (layout == Layout::None)
        return finish(Outcome::Readed);

    if (!readDirectory(layout, deviceClass))
        return finish(Outcome::Failed);
    if (m_project.spaceRequired() == 0)
        return finish(Outcome::Readed);
    return readData(layout, deviceClass);
}

bool DeviceReader::read(quint16 address, QByteArray *bytes)
{
    m_link.SendAndWait(MemoryReadCommand(address), Attempts);
    if (m_link.ReplyStatus() != QLatin1Char('R'))
        return false;
    const QByteArray reply = m_link.LastReply();
    const std::optional<QByteArray> data = ReadReplyBytes(reply, m_link.DeviceClass());
    if (!data) {
        m_invalid = QStringLiteral("The device sent an invalid reply: ") + printableReply(reply);
        return false;
    }
    *bytes = *data;
    return true;
}

bool DeviceReader::readDirectory(Layout layout, int deviceClass)
{
    if (layout == Layout::Velmar) {
        // Each entry is shown as soon as it has been read.
        for (int n = 1; n <= directorySlotCount(layout); ++n) {
            QByteArray entry;
            if (!read(DirectoryEntryAddress(layout, n), &entry) ||
                !takeEntry(n, entry, deviceClass))
                return false;
        }
        return true;
    }

    // The Zorla directory is 16 bytes read one or four at a time, then split into four entries.
    const int unit = writeUnit(deviceClass);
    const quint16 directory = DirectoryEntryAddress(layout, 1);
    QByteArray bytes;
    for (int offset = 0; offset < 16; offset += unit) {
        QByteArray part;
        if (!read(quint16(directory + offset), &part))
            return false;
        bytes += part;
    }
    for (int n = 1; n <= directorySlotCount(layout); ++n) {
        if (!takeEntry(n, bytes.mid(4 * (n - 1), 4), deviceClass))
            return false;
    }
    return true;
}

bool DeviceReader::takeEntry(int slot, const QByteArray &bytes, int deviceClass)
{
    Entry entry;
    entry.first = quint16(quint8(bytes.at(0)) << 8 | quint8(bytes.at(1)));
    entry.last = quint16(quint8(bytes.at(2)) << 8 | quint8(bytes.at(3)));
    if (entry.first != EmptyWord || entry.last != EmptyWord) {
        // Only a range inside the data area is read, so a damaged directory can never start an
        // unbounded read.
        const Layout layout = layoutFor(deviceClass);
        if (entry.first < dataAreaStart(layout) || entry.last > dataAreaEnd(deviceClass) ||
            entry.last < entry.first) {
            m_invalid = QStringLiteral("The device sent an invalid directory entry for slot %1: %2")
                            .arg(TicketProject::slotName(slot),
                                 QString::fromLatin1(bytes.toHex().toUpper()));
            return false;
        }
        entry.length = entry.last - entry.first + 1;
    }
    m_entries[slot - 1] = entry;
    m_project.setByteCount(slot, QString::number(entry.length));
    return true;
}

DeviceReader::Outcome DeviceReader::readData(Layout layout, int deviceClass)
{
    ProgressCounter progress(int(m_project.spaceRequired()));
    m_status.setProgressRange(progress.maximum());
    m_status.setProgressValue(0);
    m_status.setProgressVisible(true);
    m_status.setCancelVisible(true);
    m_status.setStatusText(4, progress.text(progressWord()));

    const int unit = writeUnit(deviceClass);
    // The Velmar rule looks two reads ahead before it adds one read's worth.
    const int step = layout == Layout::Zorla ? deviceClass : 4;
    const int limit = layout == Layout::Zorla ? deviceClass : 8;
    for (int n = 1; n <= directorySlotCount(layout); ++n) {
        const Entry &entry = m_entries[n - 1];
        if (entry.length == 0)
            continue;
        QByteArray content;
        content.reserve(entry.length);
        for (int address = entry.first; address <= entry.last; address += unit) {
            QByteArray bytes;
            if (!read(quint16(address), &bytes))
                return finish(Outcome::Failed);
            content += bytes.left(qMin<qsizetype>(bytes.size(), entry.last - address + 1));
            progress.advance(step, limit);
            m_status.setProgressValue(progress.value());
            m_status.setStatusText(4, progress.text(progressWord()));
            if (m_link.CancelRequested()) {
                m_project.appendContent(n, content);
                return finish(Outcome::Cancelled);
            }
        }
        m_project.appendContent(n, content);
    }
    return finish(Outcome::Readed);
}

DeviceReader::Outcome DeviceReader::finish(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Readed:
        m_status.setStatusText(4, QStringLiteral("Tickets Readed"));
        m_status.setLoadEnabled(true);
        m_status.setProgramEnabled(true);
        break;
    case Outcome::Cancelled:
        m_status.setStatusText(4, QStringLiteral("Reading Cancelled"));
        m_status.setLoadEnabled(true);
        m_status.setProgramEnabled(true);
        break;
    case Outcome::Failed:
        m_status.setStatusText(4, QString());
        if (!m_invalid.isEmpty())
            m_dialogs.showMessage(m_invalid, QStringLiteral("Communication error!"));
        else if (m_link.ReplyStatus() == QLatin1Char('W'))
            ShowError(m_dialogs, 4);
        else if (m_connection.Connected())
            m_connection.toggle();
        break;
    }
    dropIncompleteSlots();
    m_status.setProgressVisible(false);
    m_status.setBusy(false);
    m_status.setCommandButtonsEnabled(true);
    m_status.setCancelVisible(false);
    return outcome;
}

void DeviceReader::dropIncompleteSlots()
{
    for (int n = 1; n <= TicketProject::SlotCount; ++n) {
        if (m_project.byteCount(n) != m_project.contents(n).size()) {
            m_project.setContent(n, QByteArray());
            m_project.setByteCount(n, QStringLiteral("0"));
        }
    }
}
