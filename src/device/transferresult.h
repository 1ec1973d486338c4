#pragma once

#include "errors.h"

#include <QString>
#include <QStringList>
#include <optional>

// How a Program or Read ended, and on failure the error reported and its description.
struct TransferResult {
    enum class Outcome {
        Programmed,
        Read,
        Cancelled,
        Refused,  // the project does not fit the device; nothing was sent
        Failed,   // a command failed, or the device sent what cannot be used
        NoDevice, // no device class is known: nothing was sent
    };

    enum class Kind { Program, Read };

    Kind kind = Kind::Program;
    Outcome outcome = Outcome::Failed;
    std::optional<ErrorCode> error;
    QString description;
    // Read: the slots whose directory entries could not be read, read as empty, and why.
    QStringList skipped;

    static TransferResult make(Kind kind, Outcome outcome,
                               std::optional<ErrorCode> error = std::nullopt,
                               const QString &description = QString())
    {
        TransferResult result;
        result.kind = kind;
        result.outcome = outcome;
        result.error = error;
        result.description = description;
        return result;
    }

    bool succeeded() const { return outcome == Outcome::Programmed || outcome == Outcome::Read; }
};
