#include "errors.h"

#include "dialogservice.h"

ErrorMessage errorMessage(ErrorCode code, const QString &description)
{
    switch (code) {
    case ErrorCode::FileOpening:
        return {description, QStringLiteral("File Opening error!")};
    case ErrorCode::Communication:
        return {description, QStringLiteral("Communication Error!")};
    case ErrorCode::FileSaving:
        return {description, QStringLiteral("File Saving error!")};
    case ErrorCode::Configuration:
        return {description, QStringLiteral("Configuration error!")};
    case ErrorCode::ReadFailed:
        return {QStringLiteral("Failed to Load From Device"),
                QStringLiteral("Communication error!")};
    case ErrorCode::ProgramFailed:
        return {QStringLiteral("Failed to Program Device"), QStringLiteral("Communication error!")};
    case ErrorCode::FileEmpty:
        return {QStringLiteral("File Empty"), QStringLiteral("File Opening error!")};
    case ErrorCode::DoesNotFit:
        return {QStringLiteral("Your required space is greater than the available space"),
                QStringLiteral("Failed to Program Device!")};
    case ErrorCode::CommandRefused:
        return {QStringLiteral("The device doesn't recognize command sent. Try to reset it if "
                               "continously appears this message."),
                QStringLiteral("Communication Error!")};
    case ErrorCode::UnknownVersion:
        return {QStringLiteral("The device version is not recognized. Maybe it is a communication "
                               "error. Try again or contact Technical Service."),
                QStringLiteral("Version Error!")};
    case ErrorCode::Timeout:
        return {QStringLiteral("Communication failed"), QStringLiteral("Timeout!")};
    }
    return {description, QStringLiteral("Error!")};
}

void showError(DialogService &dialogs, ErrorCode code, const QString &description)
{
    const ErrorMessage message = errorMessage(code, description);
    dialogs.showMessage(message.text, message.title);
}
