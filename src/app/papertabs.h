#pragma once

#include <QByteArray>

class DialogService;
class QTabWidget;
class SettingsStore;
class TicketProject;

// Adds the paper views to a slot preview's tabs: "Paper" for the slot, and "Ticket" for the set
// the device prints as identification shows it (T alone, T with H + B + F, or T with P1 + P2),
// with the changes programming makes to it.
class PaperTabs
{
public:
    enum class ShownSet { PrintTicketOnly, Totalize, Truck };

    static void addTo(QTabWidget *tabs, const QByteArray &slotContent, const TicketProject &project,
                      ShownSet shown, SettingsStore &settings, DialogService &dialogs);
};
