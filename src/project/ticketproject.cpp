#include "ticketproject.h"

TicketProject::TicketProject(QObject *parent) : QObject(parent) {}

QString TicketProject::slotName(int n)
{
    static const char *const names[slotCount] = {"T", "H", "B", "F", "P1", "P2"};
    return (n >= 1 && n <= slotCount) ? QString::fromLatin1(names[n - 1]) : QString();
}

void TicketProject::setSlot(int n, const TicketSlot &slot)
{
    m_slots.at(n - 1) = slot;
    emit slotChanged(n);
}

void TicketProject::clearSlot(int n)
{
    setSlot(n, TicketSlot());
}

void TicketProject::setContent(int n, const QByteArray &content)
{
    m_slots.at(n - 1).content = content;
    emit slotChanged(n);
}

void TicketProject::appendContent(int n, const QByteArray &bytes)
{
    m_slots.at(n - 1).content += bytes;
    emit slotChanged(n);
}

void TicketProject::setByteCount(int n, qint64 byteCount)
{
    m_slots.at(n - 1).byteCount = byteCount;
    emit slotChanged(n);
}

void TicketProject::clear()
{
    // In the order the New command has always emptied them.
    for (int n : {B, F, H, T, P1, P2})
        clearSlot(n);
    setOrigin(Origin::New);
}

qint64 TicketProject::spaceRequired() const
{
    qint64 sum = 0;
    for (const TicketSlot &s : m_slots)
        sum += s.byteCount;
    return sum;
}

bool TicketProject::isConsistent() const
{
    for (const TicketSlot &s : m_slots) {
        if (s.byteCount != s.content.size())
            return false;
    }
    return true;
}

void TicketProject::setWorkingFile(const QString &path, const QString &title)
{
    m_workingPath = path;
    m_workingTitle = title;
    m_origin = Origin::File;
    emit originChanged();
}

void TicketProject::setOrigin(Origin origin)
{
    if (origin == m_origin)
        return;
    m_origin = origin;
    emit originChanged();
}
