// Programming files: a file that reads is written back and read again to the same project, and
// writing that gives the same bytes; whatever the file holds, no slot keeps a count without its
// bytes and the project never holds more than the file.
#include "programmingfile.h"
#include "require.h"
#include "ticketproject.h"

#include <QBuffer>

namespace
{

bool readProject(const QByteArray &bytes, TicketProject &project, ProgrammingFile &file)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return file.read(buffer, project);
}

QByteArray written(const TicketProject &project)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ProgrammingFile file;
    require(file.write(buffer, project), "a project is written");
    return buffer.data();
}

QByteArray allContents(const TicketProject &project)
{
    QByteArray all;
    for (int n = 1; n <= TicketProject::slotCount; ++n)
        all += project.contents(n);
    return all;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    TicketProject project;
    ProgrammingFile file;
    const bool read = readProject(input, project, file);
    require(project.isConsistent(), "every count has its bytes");
    require(project.spaceRequired() <= qint64(size), "the project is no larger than the file");
    require(read == file.errorString().isEmpty(), "a failure says why");
    if (!read)
        return 0;
    // The contents follow the header's carriage return and the byte after it, as they are.
    const qsizetype end = input.indexOf('\r');
    require(input.mid(end + 2).startsWith(allContents(project)), "contents come from the file");

    const QByteArray once = written(project);
    TicketProject again;
    require(readProject(once, again, file), "a written project reads");
    for (int n = 1; n <= TicketProject::slotCount; ++n)
        require(again.slot(n) == project.slot(n), "the project reads back the same");
    require(written(again) == once, "writing is stable");
    return 0;
}
