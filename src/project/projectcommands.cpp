#include "projectcommands.h"

#include "dialogservice.h"
#include "errors.h"
#include "programmingfile.h"
#include "systemfile.h"
#include "ticketproject.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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
    // A pipe or a device would block or never end, so only regular files are opened.
    QString problem = SystemFile::notARegularFile(path);
    if (problem.isEmpty() && SystemFile::status(path).size > ProgrammingFile::maximumContentSize)
        problem = QStringLiteral("it is larger than the %1 bytes a project can hold")
                      .arg(ProgrammingFile::maximumContentSize);
    QFile file;
    QByteArray content;
    if (problem.isEmpty() && SystemFile::open(file, path, QIODevice::ReadOnly))
        content = file.read(ProgrammingFile::maximumContentSize + 1);
    if (problem.isEmpty() && (!file.isOpen() || file.error() != QFileDevice::NoError))
        problem = file.errorString();
    if (!problem.isEmpty()) {
        m_dialogs.showMessage(QStringLiteral("The print file \"%1\" could not be read: %2. The "
                                             "ticket slot keeps what it held.")
                                  .arg(QDir::toNativeSeparators(path), problem),
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
    if (const QString problem = SystemFile::notARegularFile(path); !problem.isEmpty()) {
        showError(m_dialogs, ErrorCode::FileOpening,
                  QStringLiteral("%1: %2.").arg(QDir::toNativeSeparators(path), problem));
        return false;
    }
    const SystemFile::Status status = SystemFile::status(path);
    if (status.kind == SystemFile::Kind::Regular && status.size == 0) {
        showError(m_dialogs, ErrorCode::FileEmpty);
        return false;
    }
    QFile file;
    if (!SystemFile::open(file, path, QIODevice::ReadOnly)) {
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

bool ProjectCommands::save()
{
    // Saved in place only when the working file's name says it is a programming file.
    if (m_project.origin() == TicketProject::Origin::File &&
        m_project.workingTitle().contains(QStringLiteral(".dat")))
        return writeProgrammingFile(m_project.workingPath());
    return saveAs();
}

bool ProjectCommands::saveAs()
{
    const FileChoice choice = m_dialogs.saveFileName(saveFilter());
    if (choice.cancelled())
        return false;
    const bool written = writeProgrammingFile(choice.path);
    m_project.setWorkingFile(choice.path, choice.title);
    return written;
}

bool ProjectCommands::writeProgrammingFile(const QString &path)
{
    // Written to a temporary file and renamed over the old one, so a failed save leaves the
    // earlier file intact and the new file holds exactly the project. A device or a pipe would
    // be replaced by a regular file, so only regular files are written over.
    if (const QString problem = SystemFile::notARegularFile(path); !problem.isEmpty()) {
        showError(m_dialogs, ErrorCode::FileSaving,
                  QStringLiteral("%1: %2.").arg(QDir::toNativeSeparators(path), problem));
        return false;
    }
    QString error;
    const auto write = [this](QIODevice &file) { return ProgrammingFile().write(file, m_project); };
    if (!SystemFile::writeAtomically(path, write, &error)) {
        showError(m_dialogs, ErrorCode::FileSaving, error);
        return false;
    }
    return true;
}
