#pragma once

#include "dialogservice.h"

#include <QString>

class ConsoleOutput;

// Shows the tool's message boxes as lines on standard error ("Title: text") for unattended runs;
// file dialogs answer as cancelled.
class ConsoleDialogService : public DialogService
{
public:
    // Every line is prefixed with `prefix` (the port, when several devices run at once).
    ConsoleDialogService(ConsoleOutput &output, QString prefix = QString());

    FileChoice openFileName(const QString &filter) override;
    FileChoice saveFileName(const QString &filter) override;
    void showMessage(const QString &text, const QString &title) override;
    // The text, then the details on lines of their own.
    void showWarning(const QString &text, const QString &title, const QString &details) override;
    // Prints the question as a warning and goes on: an unattended run cannot answer.
    bool askYesNo(const QString &text, const QString &title) override;
    // A command line run never holds unsaved work: nothing to save.
    SaveChoice askToSave(const QString &text) override;

private:
    ConsoleOutput &m_output;
    QString m_prefix;
};
