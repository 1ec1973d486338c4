#pragma once

#include "dialogservice.h"

#include <QList>
#include <QQueue>
#include <functional>

// A dialog service for tests and the benchmark: answers file dialogs from a script and records
// every message box in the order it was shown.
class ScriptedDialogService : public DialogService
{
public:
    struct Message {
        Message() = default;
        Message(const QString &messageText, const QString &messageTitle, bool isWarning = false,
                const QString &messageDetails = QString())
            : text(messageText), title(messageTitle), warning(isWarning), details(messageDetails)
        {
        }
        QString text;
        QString title;
        bool warning = false; // shown with the warning icon
        QString details;
        bool operator==(const Message &) const = default;
    };

    // Queues the answer of the next file dialog; an empty path answers as a cancel.
    void queueFile(const QString &path) { m_files.enqueue(path); }
    void queueCancel() { queueFile(QString()); }

    FileChoice openFileName(const QString &filter) override { return next(filter); }
    FileChoice saveFileName(const QString &filter) override { return next(filter); }
    void showMessage(const QString &text, const QString &title) override;
    void showWarning(const QString &text, const QString &title, const QString &details) override;
    // Records the question among the messages and gives the queued answer (Yes when none).
    bool askYesNo(const QString &text, const QString &title) override;
    QQueue<bool> answers;
    // Records the question among the messages (title "Save") and gives the queued answer
    // (Discard when none).
    SaveChoice askToSave(const QString &text) override;
    QQueue<SaveChoice> saveAnswers;

    QList<Message> messages;
    QStringList filters; // the filter of every file dialog shown, in order
    // Runs while a message box "is open", before showMessage returns (a test can let time pass).
    std::function<void(const Message &)> onMessage;

private:
    FileChoice next(const QString &filter);
    QQueue<QString> m_files;
};
