#pragma once

#include <QString>

class QIODevice;
class TicketProject;

// Reads and writes a programming file (*.dat): the six byte counts as comma-separated decimal
// text, CR LF, then the slot contents one after the other.
class ProgrammingFile
{
public:
    // The most a file may hold in all slots together; larger counts are a damaged file.
    static constexpr qint64 maximumContentSize = 16 * 1024 * 1024;
    static constexpr qsizetype maximumHeaderSize = 128;
    static constexpr qsizetype maximumFieldSize = 10;

    // Fills an emptied project from the device, slot by slot. On a damaged file it stops, sets
    // errorString() and returns false; every slot whose contents were not read completely is
    // left empty, so that the project never holds a count without its bytes. Counts are checked
    // before anything is allocated for them.
    bool read(QIODevice &device, TicketProject &project);
    // Writes the header and every slot's contents.
    bool write(QIODevice &device, const TicketProject &project);

    QString errorString() const { return m_error; }

private:
    bool fail(const QString &error);

    QString m_error;
};
