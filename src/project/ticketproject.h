#pragma once

#include "ticketslot.h"

#include <QObject>
#include <array>

// The project: six ticket slots (1 T, 2 H, 3 B, 4 F, 5 P1, 6 P2), the space they require, and the
// working-file state (window caption and path) that decides where Save writes.
class TicketProject : public QObject
{
    Q_OBJECT
public:
    static constexpr int SlotCount = 6;
    enum Slot { T = 1, H, B, F, P1, P2 };
    static QString slotName(int n); // "T", "H", "B", "F", "P1", "P2"

    static QString startCaption() { return QStringLiteral("Zorla Velmar Ticket"); }
    static QString newCaption() { return QStringLiteral("Zorla Ticket"); }
    static QString workingFileCaption(const QString &title)
    {
        return QStringLiteral("Zorla Velmar Ticket -   Working file : ") + title;
    }

    explicit TicketProject(QObject *parent = nullptr);

    const TicketSlot &slot(int n) const { return m_slots.at(n - 1); }
    QByteArray contents(int n) const { return slot(n).content; }
    qint64 byteCount(int n) const { return slot(n).byteCountValue(); }

    void setSlot(int n, const TicketSlot &slot);
    void clearSlot(int n);
    void setContent(int n, const QByteArray &content); // keeps title, path and byte count
    void appendContent(int n, const QByteArray &bytes);
    void setByteCount(int n, const QString &byteCount);

    // The plain sum of the six byte counts, as "Space Required" shows it.
    qint64 spaceRequired() const;
    // True when every slot's byte count equals its content's length.
    bool isConsistent() const;

    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);
    QString workingPath() const { return m_workingPath; }
    void setWorkingPath(const QString &path) { m_workingPath = path; }

signals:
    void slotChanged(int n);
    void captionChanged(const QString &caption);

private:
    std::array<TicketSlot, SlotCount> m_slots;
    QString m_caption = startCaption();
    QString m_workingPath;
};
