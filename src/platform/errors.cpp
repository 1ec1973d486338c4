#include "errors.h"

#include "dialogservice.h"

ErrorMessage errorMessage(int code, const QString &description)
{
    switch (code) {
    case 0:
        return {description, QStringLiteral("File Opening error!")};
    case 1:
        return {description, QStringLiteral("Communication Error!")};
    case 2:
        return {description, QStringLiteral("File Saving error!")};
    case 3:
        return {description, QStringLiteral("Configuration error!")};
    case 4:
        return {QStringLiteral("Failed to Load From Device"),
                QStringLiteral("Communication error!")};
    case 5:
        return {QStringLiteral("Failed to Program Device"), QStringLiteral("Communication error!")};
    case 6:
        return {QStringLiteral("File Empty"), QStringLiteral("File Opening error!")};
    case 7:
        return {QStringLiteral("Your required space is greater than the available space"),
                QStringLiteral("Failed to Program Device!")};
    case 8:
        return {QStringLiteral("The device doesn't recognize command sent. Try to reset it if "
                               "continously appears this message."),
                QStringLiteral("Communication Error!")};
    case 9:
        return {QStringLiteral("The device version is not recognized. Maybe it is a communication "
                               "error. Try again or contact Technical Service."),
                QStringLiteral("Version Error!")};
    }
    return {description, QStringLiteral("Error!")};
}

void ShowError(DialogService &dialogs, int code, const QString &description)
{
    const ErrorMessage message = errorMessage(code, description);
    dialogs.showMessage(message.text, message.title);
}
