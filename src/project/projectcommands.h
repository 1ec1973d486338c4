#pragma once

#include <QString>

class DialogService;
class TicketProject;

// The project commands of the toolbar and the slot buttons: add and remove print files, New,
// Open, Save and Save As, reporting failures through the dialog service.
class ProjectCommands
{
public:
    static QString printFileFilter()
    {
        return QStringLiteral("Print Files(*.prn) or Text Files(*.txt)|*.prn;*.txt");
    }
    static QString openFilter() { return QStringLiteral("ZorlaVelmar Format(*.dat)|*.dat"); }
    static QString saveFilter() { return QStringLiteral("Zorla Velmar Format(*.dat)|*.dat"); }

    ProjectCommands(TicketProject &project, DialogService &dialogs);

    void addTicket(int slot);
    // Puts a print file into a slot without asking; false (and a message) when it can't be read.
    bool addTicketFile(int slot, const QString &path);
    void removeTicket(int slot);

    void newProject();
    void openProject();
    // Opens a programming file by path, exactly as Open does after its dialog; true on success.
    bool openProjectFile(const QString &path, const QString &title);
    // Save and Save As: true once the project is written, false when cancelled or failed.
    bool save();
    bool saveAs();
    // Writes the project to the path; reports its own failure and returns false then.
    bool writeProgrammingFile(const QString &path);

private:
    bool loadTicket(int slot, const QString &path, const QString &title);

    TicketProject &m_project;
    DialogService &m_dialogs;
};
