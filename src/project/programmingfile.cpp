#include "programmingfile.h"

#include "bytetext.h"
#include "ticketproject.h"

#include <QIODevice>

namespace
{

// A quoted field in a message shows at most this many bytes.
constexpr qsizetype QuotedFieldLimit = 40;

bool isByteCount(const QByteArray &field)
{
    if (field.isEmpty() || field.size() > ProgrammingFile::maximumFieldSize)
        return false;
    return std::all_of(field.begin(), field.end(), [](char c) { return c >= '0' && c <= '9'; });
}

QString damaged(const QString &what)
{
    return QStringLiteral("The programming file is damaged: ") + what;
}

} // namespace

bool ProgrammingFile::fail(const QString &error)
{
    m_error = error;
    return false;
}

bool ProgrammingFile::write(QIODevice &device, const TicketProject &project)
{
    QByteArray header;
    for (int n = 1; n <= TicketProject::slotCount; ++n) {
        if (n > 1)
            header += ',';
        header += QByteArray::number(project.byteCount(n));
    }
    header += "\r\n";
    if (device.write(header) != header.size())
        return fail(device.errorString());
    for (int n = 1; n <= TicketProject::slotCount; ++n) {
        const QByteArray content = project.contents(n);
        if (device.write(content) != content.size())
            return fail(device.errorString());
    }
    return true;
}

bool ProgrammingFile::read(QIODevice &device, TicketProject &project)
{
    m_error.clear();
    // The header is read byte by byte up to its carriage return, never past its bound.
    QByteArray header;
    char c = 0;
    while (device.getChar(&c) && c != '\r') {
        if (header.size() >= maximumHeaderSize)
            return fail(damaged(QStringLiteral("its header of byte counts is longer than %1 "
                                               "bytes.")
                                    .arg(maximumHeaderSize)));
        header += c;
    }
    if (c != '\r')
        return fail(damaged(QStringLiteral("its header of byte counts does not end with a "
                                           "carriage return.")));

    const QList<QByteArray> fields = header.split(',');
    if (fields.size() > TicketProject::slotCount) {
        return fail(damaged(QStringLiteral("its header holds %1 byte counts, but a project has "
                                           "only %2 ticket slots.")
                                .arg(fields.size())
                                .arg(TicketProject::slotCount)));
    }
    QList<qint64> counts;
    qint64 total = 0;
    for (int i = 0; i < fields.size(); ++i) {
        if (!isByteCount(fields.at(i))) {
            return fail(damaged(QStringLiteral("the byte count of slot %1 is \"%2\", which is not "
                                               "a number of bytes.")
                                    .arg(TicketProject::slotName(i + 1),
                                         escapedBytes(fields.at(i), {}, QuotedFieldLimit))));
        }
        counts.append(fields.at(i).toLongLong());
        total += counts.last();
    }
    if (total > maximumContentSize) {
        return fail(damaged(QStringLiteral("its byte counts add up to %1 bytes, more than the %2 "
                                           "that a project can hold.")
                                .arg(total)
                                .arg(maximumContentSize)));
    }

    // The line feed after the carriage return is skipped whatever it is.
    device.getChar(&c);
    for (int i = 0; i < counts.size(); ++i) {
        const int n = i + 1;
        TicketSlot slot;
        slot.byteCount = counts.at(i);
        slot.content = device.read(counts.at(i));
        if (slot.content.size() != counts.at(i)) {
            return fail(damaged(QStringLiteral("slot %1 should hold %2 bytes, but the file ends "
                                               "after %3 of them.")
                                    .arg(TicketProject::slotName(n))
                                    .arg(counts.at(i))
                                    .arg(slot.content.size())));
        }
        project.setSlot(n, slot);
    }
    return true;
}
