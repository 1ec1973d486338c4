#include "programmingfile.h"

#include "bytetext.h"
#include "ticketproject.h"

#include <limits>

QByteArray ProgrammingFile::serialize(const TicketProject &project)
{
    QByteArray header;
    QByteArray contents;
    for (int n = 1; n <= TicketProject::SlotCount; ++n) {
        if (n > 1)
            header += ',';
        header += project.slot(n).byteCount.toLatin1();
        contents += project.contents(n);
    }
    return header + "\r\n" + contents;
}

namespace
{

bool isByteCount(const QByteArray &field)
{
    if (field.isEmpty() || field.size() > 10)
        return false;
    for (char c : field) {
        if (c < '0' || c > '9')
            return false;
    }
    return field.toLongLong() <= std::numeric_limits<qint32>::max();
}

} // namespace

bool ProgrammingFile::deserialize(const QByteArray &data, TicketProject &project, QString *error)
{
    const qsizetype headerEnd = data.indexOf('\r');
    if (headerEnd < 0) {
        *error = QStringLiteral("The programming file is damaged: its header of byte counts does "
                                "not end with a carriage return.");
        return false;
    }

    const QList<QByteArray> fields = data.left(headerEnd).split(',');
    if (fields.size() > TicketProject::SlotCount) {
        *error = QStringLiteral("The programming file is damaged: its header holds %1 byte counts, "
                                "but a project has only %2 ticket slots.")
                     .arg(fields.size())
                     .arg(TicketProject::SlotCount);
        return false;
    }
    for (int i = 0; i < fields.size(); ++i) {
        if (!isByteCount(fields.at(i))) {
            *error = QStringLiteral("The programming file is damaged: the byte count of slot %1 "
                                    "is \"%2\", which is not a number of bytes.")
                         .arg(TicketProject::slotName(i + 1), escapedBytes(fields.at(i)));
            return false;
        }
    }

    // The line feed after the carriage return is skipped whatever it is.
    qsizetype position = headerEnd + 2;
    for (int i = 0; i < fields.size(); ++i) {
        const int n = i + 1;
        const qint64 count = fields.at(i).toLongLong();
        if (count > 0 && position + count > data.size()) {
            const qint64 available = qMax<qint64>(0, data.size() - position);
            *error = QStringLiteral("The programming file is damaged: slot %1 should hold %2 "
                                    "bytes, but the file ends after %3 of them.")
                         .arg(TicketProject::slotName(n))
                         .arg(count)
                         .arg(available);
            return false;
        }
        TicketSlot slot;
        slot.byteCount = QString::fromLatin1(fields.at(i));
        if (count > 0) {
            slot.content = data.mid(position, count);
            position += count;
        }
        project.setSlot(n, slot);
    }
    return true;
}
