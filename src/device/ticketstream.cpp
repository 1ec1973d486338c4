#include "ticketstream.h"

#include "ticketproject.h"

namespace
{

const QByteArray PrintJobMarker = QByteArrayLiteral("@EJL 1284.4");

// Sets the byte after the last ESC J pair to NUL; a pair at the very end has no such byte and
// leaves the content as it is.
QByteArray adjustEscJ(QByteArray content)
{
    const qsizetype pair = content.lastIndexOf(QByteArrayLiteral("\x1bJ"));
    if (pair >= 0 && pair + 2 < content.size())
        content[pair + 2] = '\0';
    return content;
}

} // namespace

QByteArray prepareTicketStream(TicketProject &project, bool truckShown)
{
    using S = TicketProject::Slot;
    QByteArray joined = project.contents(S::H) + project.contents(S::B) + project.contents(S::F);
    if (truckShown)
        joined += project.contents(S::P1) + project.contents(S::P2);
    const bool markerPresent = joined.contains(PrintJobMarker);

    if (!markerPresent) {
        for (const int n : {int(S::H), int(S::B)}) {
            const QByteArray content = project.contents(n);
            if (content.isEmpty())
                continue;
            const QByteArray adjusted = adjustEscJ(content);
            if (adjusted != content)
                project.setContent(n, adjusted);
        }
    }

    if (truckShown)
        return project.contents(S::T) + project.contents(S::P1) + project.contents(S::P2);

    QByteArray totalize = project.contents(S::H) + project.contents(S::B) + project.contents(S::F);
    if (markerPresent)
        totalize.replace('\f', '\n');
    return project.contents(S::T) + totalize;
}
