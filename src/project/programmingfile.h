#pragma once

#include <QByteArray>
#include <QString>

class TicketProject;

// The byte layout of a programming file (*.dat): the six byte counts as comma-separated decimal
// text, CR LF, then the slot contents one after the other.
class ProgrammingFile
{
public:
    // The file's bytes for the project: header from the byte counts, contents of every slot.
    static QByteArray serialize(const TicketProject &project);

    // Fills an emptied project from the file's bytes, slot by slot. On a damaged file it stops,
    // describes what is wrong in `error` and returns false; every slot whose contents were not
    // read completely is left empty, so that the project never holds a count without its bytes.
    static bool deserialize(const QByteArray &data, TicketProject &project, QString *error);
};
