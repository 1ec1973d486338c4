#pragma once

#include <QString>

class DialogService;

// The one error-reporting routine: maps an error code 0 to 9 to its message and title and shows
// them in a modal message box. Codes 0 to 3 show the description of the failure being handled.
struct ErrorMessage {
    QString text;
    QString title;
};

ErrorMessage errorMessage(int code, const QString &description = QString());
void ShowError(DialogService &dialogs, int code, const QString &description = QString());
