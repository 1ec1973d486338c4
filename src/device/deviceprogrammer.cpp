#include "deviceprogrammer.h"

#include "deviceconnection.h"
#include "devicestatus.h"
#include "errors.h"
#include "memorymap.h"
#include "progresscounter.h"
#include "seriallink.h"
#include "ticketproject.h"
#include "ticketstream.h"

namespace
{
constexpr quint8 Attempts = 3;
constexpr int DirectoryProgress = 16; // the erase commands' share of the progress bar
} // namespace

DeviceProgrammer::DeviceProgrammer(TicketProject &project, SerialLink &link, DeviceStatus &status,
                                   DeviceConnection &connection, DialogService &dialogs)
    : m_project(project), m_link(link), m_status(status), m_connection(connection),
      m_dialogs(dialogs)
{
}

DeviceProgrammer::Outcome DeviceProgrammer::run()
{
    if (m_project.spaceRequired() > m_status.spaceAvailableValue()) {
        ShowError(m_dialogs, 7);
        return finish(Outcome::Refused);
    }

    prepare();
    const bool truck = m_status.truckVisible();
    const QByteArray stream = PrepareTicketStream(m_project, truck);

    ProgressCounter progress(int(stream.size()) + DirectoryProgress);
    m_status.setProgressRange(progress.maximum());
    m_status.setProgressValue(0);
    m_status.setProgressVisible(true);
    m_status.setStatusText(4, progress.text(progressWord()));

    const int deviceClass = m_link.DeviceClass();
    const Layout layout = layoutFor(deviceClass);
    if (layout == Layout::None)
        return finish(Outcome::NoDevice);
    const int unit = writeUnit(deviceClass);

    // Erase the directory: every directory byte in the Zorla layout, the entries of the slots
    // that this run programs in the Velmar layout.
    const int entries = layout == Layout::Zorla ? 4 : (truck ? 6 : 4);
    for (int n = 1; n <= entries; ++n) {
        const quint16 entry = DirectoryEntryAddress(layout, n);
        for (int offset = 0; offset < 4; offset += unit) {
            const Step step =
                write(quint16(entry + offset), QByteArray(unit, char(0xFF)), progress, deviceClass);
            if (step != Step::Continue)
                return finish(step == Step::Cancel ? Outcome::Cancelled : Outcome::Failed);
        }
    }

    const quint16 dataStart = dataAreaStart(layout);
    const int dataStep = layout == Layout::Zorla ? deviceClass : 4;
    for (qsizetype offset = 0; offset < stream.size(); offset += unit) {
        QByteArray bytes = stream.mid(offset, unit);
        bytes.append(unit - bytes.size(), char(0xFF));
        const Step step = write(quint16(dataStart + offset), bytes, progress, dataStep);
        if (step != Step::Continue)
            return finish(step == Step::Cancel ? Outcome::Cancelled : Outcome::Failed);
    }

    // Directory entries chain the occupied slots from the start of the data area.
    quint16 previousEnd = quint16(dataStart - 1);
    for (int n = 1; n <= entries; ++n) {
        if (m_project.slot(n).byteCount == QLatin1String("0"))
            continue;
        const quint16 first = quint16(previousEnd + 1);
        const quint16 last = quint16(previousEnd + m_project.byteCount(n));
        previousEnd = last;
        const QByteArray entry = directoryEntryBytes(first, last);
        const quint16 address = DirectoryEntryAddress(layout, n);
        for (int offset = 0; offset < 4; offset += unit) {
            const Step step =
                write(quint16(address + offset), entry.mid(offset, unit), progress, 0);
            if (step != Step::Continue)
                return finish(step == Step::Cancel ? Outcome::Cancelled : Outcome::Failed);
        }
    }
    return finish(Outcome::Programmed);
}

DeviceProgrammer::Step DeviceProgrammer::write(quint16 address, const QByteArray &bytes,
                                               ProgressCounter &progress, int step)
{
    m_link.SendAndWait(MemoryWriteCommand(address, bytes), Attempts);
    if (m_link.ReplyStatus() != QLatin1Char('R'))
        return Step::Fail;
    if (m_link.CancelRequested())
        return Step::Cancel;
    if (step > 0) {
        progress.advance(step);
        m_status.setProgressValue(progress.value());
        m_status.setStatusText(4, progress.text(progressWord()));
    }
    return Step::Continue;
}

void DeviceProgrammer::prepare()
{
    m_status.setProgramEnabled(false);
    m_status.setLoadEnabled(false);
    m_status.setCommandButtonsEnabled(false);
    m_status.setBusy(true);
    m_status.setCancelVisible(true);
    m_status.setCancelEnabled(true);
    m_link.setCancelRequested(false);
}

DeviceProgrammer::Outcome DeviceProgrammer::finish(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Programmed:
    case Outcome::Cancelled:
        m_status.setStatusText(4, outcome == Outcome::Programmed
                                      ? QStringLiteral("Tickets Programmed")
                                      : QStringLiteral("Programming Cancelled"));
        m_status.setLoadEnabled(true);
        m_status.setProgramEnabled(true);
        break;
    case Outcome::Failed:
        m_status.setStatusText(4, QString());
        if (m_link.ReplyStatus() == QLatin1Char('W'))
            ShowError(m_dialogs, 5);
        else if (m_connection.Connected())
            m_connection.toggle();
        break;
    case Outcome::Refused:
    case Outcome::NoDevice:
        break;
    }
    m_status.setProgressVisible(false);
    m_status.setBusy(false);
    m_status.setCommandButtonsEnabled(true);
    m_status.setCancelVisible(false);
    return outcome;
}
