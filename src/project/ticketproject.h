#pragma once

#include "ticketslot.h"

#include <QObject>
#include <array>

// The project: six ticket slots (1 T, 2 H, 3 B, 4 F, 5 P1, 6 P2), the space they require, and the
// working file that decides where Save writes.
class TicketProject : public QObject
{
    Q_OBJECT
public:
    static constexpr int slotCount = 6;
    enum Slot { T = 1, H, B, F, P1, P2 };
    static QString slotName(int n); // "T", "H", "B", "F", "P1", "P2"

    // Where the project came from: nothing yet, New (or a Read, or a failed Open), or a file.
    enum class Origin { Start, New, File };

    explicit TicketProject(QObject *parent = nullptr);

    const TicketSlot &slot(int n) const { return m_slots.at(n - 1); }
    QByteArray contents(int n) const { return slot(n).content; }
    qint64 byteCount(int n) const { return slot(n).byteCount; }

    void setSlot(int n, const TicketSlot &slot);
    void clearSlot(int n);
    void setContent(int n, const QByteArray &content); // keeps title, path and byte count
    void appendContent(int n, const QByteArray &bytes);
    void setByteCount(int n, qint64 byteCount);
    // Empties every slot and makes the project a new one.
    void clear();

    // The plain sum of the six byte counts, as "Space Required" shows it.
    qint64 spaceRequired() const;
    // True when every slot's byte count equals its content's length.
    bool isConsistent() const;

    Origin origin() const { return m_origin; }
    // The working file's title (name without folder) and full path, for Origin::File.
    QString workingTitle() const { return m_workingTitle; }
    QString workingPath() const { return m_workingPath; }
    void setWorkingFile(const QString &path, const QString &title);

signals:
    void slotChanged(int n);
    void originChanged();

private:
    void setOrigin(Origin origin);

    std::array<TicketSlot, slotCount> m_slots;
    Origin m_origin = Origin::Start;
    QString m_workingTitle;
    QString m_workingPath;
};
