#pragma once

#include <QString>

class DialogService;

// The failures the tool reports to the operator, each with its fixed message box.
enum class ErrorCode {
    FileOpening = 0,    // the description of the failure, "File Opening error!"
    Communication = 1,  // the description of the failure, "Communication Error!"
    FileSaving = 2,     // the description of the failure, "File Saving error!"
    Configuration = 3,  // the description of the failure, "Configuration error!"
    ReadFailed = 4,     // "Failed to Load From Device"
    ProgramFailed = 5,  // "Failed to Program Device"
    FileEmpty = 6,      // "File Empty"
    DoesNotFit = 7,     // the project needs more space than the device offers
    CommandRefused = 8, // the device answered NAK
    UnknownVersion = 9, // the identification reply holds no version
    Timeout = 10,       // no reply within the time-out of a command's last attempt
};

// The text and title of the message box for an error; codes 0 to 3 show the description of the
// failure being handled.
struct ErrorMessage {
    QString text;
    QString title;
};

ErrorMessage errorMessage(ErrorCode code, const QString &description = QString());
// Shows the error's message box and returns once the operator has closed it.
void showError(DialogService &dialogs, ErrorCode code, const QString &description = QString());
