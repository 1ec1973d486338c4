#include "projectcommands.h"

#include "dialogservice.h"
#include "errors.h"
#include "programmingfile.h"
#include "ticketproject.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

ProjectCommands::ProjectCommands(TicketProject &project, DialogService &dialogs)
    : m_project(project), m_dialogs(dialogs)
{
}

void ProjectCommands::AddTicket(int slot)
{
    const FileChoice choice = m_dialogs.openFileName(printFileFilter());
    if (!choice.cancelled())
        loadTicket(slot, choice.path, choice.title);
}

bool ProjectCommands::addTicketFile(int slot, const QString &path)
{
    return loadTicket(slot, path, QFileInfo(path).fileName());
}

bool ProjectCommands::loadTicket(int slot, const QString &path, const QString &title)
{
    QFile file(path);
    QByteArray content;
    if (file.open(QIODevice::ReadOnly))
        content = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        m_dialogs.showMessage(QStringLiteral("The print file \"%1\" could not be read: %2. The "
                                             "ticket slot keeps what it held.")
                                  .arg(QDir::toNativeSeparators(path), file.errorString()),
                              QStringLiteral("File Opening error!"));
        return false;
    }
    TicketSlot filled;
    filled.content = content;
    filled.fileTitle = title;
    filled.filePath = path;
    filled.byteCount = QString::number(content.size());
    m_project.setSlot(slot, filled);
    return true;
}

void ProjectCommands::RemoveTicket(int slot)
{
    m_project.clearSlot(slot);
}

void ProjectCommands::NewProject()
{
    for (int slot : {TicketProject::B, TicketProject::F, TicketProject::H, TicketProject::T,
                     TicketProject::P1, TicketProject::P2})
        RemoveTicket(slot);
    m_project.setCaption(TicketProject::newCaption());
}

void ProjectCommands::OpenProject()
{
    const FileChoice choice = m_dialogs.openFileName(openFilter());
    if (choice.cancelled())
        return;
    openProjectFile(choice.path, choice.title);
}

bool ProjectCommands::openProjectFile(const QString &path, const QString &title)
{
    QFile file(path);
    if (file.exists() && file.size() == 0) {
        ShowError(m_dialogs, 6);
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        ShowError(m_dialogs, 0, file.errorString());
        return false;
    }
    const QByteArray data = file.readAll();
    const bool readFailed = file.error() != QFileDevice::NoError;
    const QString readError = file.errorString();
    file.close();

    NewProject();
    if (readFailed) {
        ShowError(m_dialogs, 0, readError);
        return false;
    }
    QString damage;
    if (!ProgrammingFile::deserialize(data, m_project, &damage)) {
        ShowError(m_dialogs, 0, damage);
        return false;
    }
    m_project.setCaption(TicketProject::workingFileCaption(title));
    m_project.setWorkingPath(path);
    return true;
}

void ProjectCommands::SaveProject()
{
    if (m_project.caption().contains(QStringLiteral(".dat")))
        WriteProgrammingFile(m_project.workingPath());
    else
        SaveProjectAs();
}

void ProjectCommands::SaveProjectAs()
{
    const FileChoice choice = m_dialogs.saveFileName(saveFilter());
    if (choice.cancelled())
        return;
    WriteProgrammingFile(choice.path);
    m_project.setCaption(TicketProject::workingFileCaption(choice.title));
    m_project.setWorkingPath(choice.path);
}

bool ProjectCommands::WriteProgrammingFile(const QString &path)
{
    // Written to a temporary file and renamed over the old one, so a failed save leaves the
    // earlier file intact and the new file holds exactly the project.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        ShowError(m_dialogs, 2, file.errorString());
        return false;
    }
    file.write(ProgrammingFile::serialize(m_project));
    if (!file.commit()) {
        ShowError(m_dialogs, 2, file.errorString());
        return false;
    }
    return true;
}
