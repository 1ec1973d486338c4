#include "scripteddialogservice.h"

#include <QFileInfo>

FileChoice ScriptedDialogService::next(const QString &filter)
{
    filters.append(filter);
    const QString path = m_files.isEmpty() ? QString() : m_files.dequeue();
    if (path.isEmpty())
        return {};
    return {path, QFileInfo(path).fileName()};
}

void ScriptedDialogService::showMessage(const QString &text, const QString &title)
{
    messages.append({text, title});
    if (onMessage)
        onMessage(messages.last());
}

void ScriptedDialogService::showWarning(const QString &text, const QString &title,
                                        const QString &details)
{
    messages.append({text, title, true, details});
    if (onMessage)
        onMessage(messages.last());
}

bool ScriptedDialogService::askYesNo(const QString &text, const QString &title)
{
    messages.append({text, title});
    return answers.isEmpty() ? true : answers.dequeue();
}

SaveChoice ScriptedDialogService::askToSave(const QString &text)
{
    messages.append({text, QStringLiteral("Save")});
    return saveAnswers.isEmpty() ? SaveChoice::Discard : saveAnswers.dequeue();
}
