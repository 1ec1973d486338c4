#include "consoledialogservice.h"

#include "consoleoutput.h"

ConsoleDialogService::ConsoleDialogService(ConsoleOutput &output, QString prefix)
    : m_output(output), m_prefix(std::move(prefix))
{
}

FileChoice ConsoleDialogService::openFileName(const QString &)
{
    return {};
}

FileChoice ConsoleDialogService::saveFileName(const QString &)
{
    return {};
}

void ConsoleDialogService::showMessage(const QString &text, const QString &title)
{
    m_output.line(m_prefix + title + QStringLiteral(": ") + text);
}

void ConsoleDialogService::showWarning(const QString &text, const QString &title,
                                       const QString &details)
{
    m_output.line(m_prefix + QStringLiteral("Warning: ") + title + QStringLiteral(": ") + text);
    if (!details.isEmpty())
        m_output.line(m_prefix + details);
}

bool ConsoleDialogService::askYesNo(const QString &text, const QString &title)
{
    m_output.line(m_prefix + QStringLiteral("Warning: ") + title + QStringLiteral(": ") + text);
    return true;
}

SaveChoice ConsoleDialogService::askToSave(const QString &)
{
    return SaveChoice::Discard;
}
