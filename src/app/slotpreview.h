#pragma once

#include <QByteArray>
#include <QDialog>
#include <QString>

class QTabWidget;

// A read-only look at one ticket slot's bytes, one tab per view: the ticket text with its
// control bytes named, and a hex dump. Each view draws only the rows on screen, so any slot
// opens at once. Further views are added as tabs of their own with addView().
class SlotPreview : public QDialog
{
    Q_OBJECT
public:
    // Where a slot's bytes came from.
    enum class Source { PrintFile, ProgrammingFile, Device };

    SlotPreview(const QString &title, const QByteArray &content, QWidget *parent = nullptr);

    // "T — ticket.txt" (a print file), "T — from the programming file tickets.dat",
    // "T (read from device)".
    static QString title(const QString &slotName, Source source, const QString &name);

    // The bytes shown (shared with the slot, not copied).
    const QByteArray &content() const { return m_content; }
    // Adds a view of content() as a tab after the others; the preview takes it over.
    void addView(QWidget *view, const QString &label);
    QTabWidget *tabs() const { return m_tabs; }

private:
    QByteArray m_content;
    QTabWidget *m_tabs = nullptr;
};
