#include "ticketproject.h"

TicketProject::TicketProject(QObject *parent) : QObject(parent) {}

QString TicketProject::slotName(int n)
{
    static const char *const names[SlotCount] = {"T", "H", "B", "F", "P1", "P2"};
    return (n >= 1 && n <= SlotCount) ? QString::fromLatin1(names[n - 1]) : QString();
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

void TicketProject::setByteCount(int n, const QString &byteCount)
{
    m_slots.at(n - 1).byteCount = byteCount;
    emit slotChanged(n);
}

qint64 TicketProject::spaceRequired() const
{
    qint64 sum = 0;
    for (const TicketSlot &s : m_slots)
        sum += s.byteCountValue();
    return sum;
}

bool TicketProject::isConsistent() const
{
    for (const TicketSlot &s : m_slots) {
        if (s.byteCountValue() != s.content.size())
            return false;
    }
    return true;
}

void TicketProject::setCaption(const QString &caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    emit captionChanged(caption);
}
