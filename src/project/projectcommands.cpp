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

void ProjectCommands::addTicket(int slot)
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
    filled.byteCount = content.size();
    m_project.setSlot(slot, filled);
    return true;
}

void ProjectCommands::removeTicket(int slot)
{
    m_project.clearSlot(slot);
}

void ProjectCommands::newProject()
{
    m_project.clear();
}

void ProjectCommands::openProject()
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
        showError(m_dialogs, ErrorCode::FileEmpty);
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        showError(m_dialogs, ErrorCode::FileOpening, file.errorString());
        return false;
    }
    newProject();
    ProgrammingFile reader;
    if (!reader.read(file, m_project)) {
        showError(m_dialogs, ErrorCode::FileOpening,
                  file.error() != QFileDevice::NoError ? file.errorString() : reader.errorString());
        return false;
    }
    m_project.setWorkingFile(path, title);
    return true;
}

void ProjectCommands::save()
{
    // Saved in place only when the working file's name says it is a programming file.
    if (m_project.origin() == TicketProject::Origin::File &&
        m_project.workingTitle().contains(QStringLiteral(".dat")))
        writeProgrammingFile(m_project.workingPath());
    else
        saveAs();
}

void ProjectCommands::saveAs()
{
    const FileChoice choice = m_dialogs.saveFileName(saveFilter());
    if (choice.cancelled())
        return;
    writeProgrammingFile(choice.path);
    m_project.setWorkingFile(choice.path, choice.title);
}

bool ProjectCommands::writeProgrammingFile(const QString &path)
{
    // Written to a temporary file and renamed over the old one, so a failed save leaves the
    // earlier file intact and the new file holds exactly the project.
    QSaveFile file(path);
    ProgrammingFile writer;
    if (!file.open(QIODevice::WriteOnly) || !writer.write(file, m_project) || !file.commit()) {
        showError(m_dialogs, ErrorCode::FileSaving, file.errorString());
        return false;
    }
    return true;
}
