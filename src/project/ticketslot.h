#pragma once

#include <QByteArray>
#include <QString>

// One of the six ticket slots: the print file's bytes, its title and path, and its byte count.
struct TicketSlot {
    QByteArray content;
    QString fileTitle; // blank when no file was added
    QString filePath;  // empty when no file was added
    qint64 byteCount = 0;

    bool operator==(const TicketSlot &) const = default;
};
