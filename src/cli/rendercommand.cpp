#include "rendercommand.h"

#include "consoledialogservice.h"
#include "consoleoutput.h"
#include "exitcode.h"
#include "pictureexport.h"
#include "printedtickets.h"
#include "printinterpreter.h"
#include "projectcommands.h"
#include "ticketproject.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace
{

int slotNumber(const QString &name)
{
    for (int n = 1; n <= TicketProject::slotCount; ++n) {
        if (TicketProject::slotName(n).compare(name, Qt::CaseInsensitive) == 0)
            return n;
    }
    return 0;
}

bool isProgrammingFile(const QString &path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("dat"), Qt::CaseInsensitive) == 0;
}

} // namespace

RenderCommand::RenderCommand(ConsoleOutput &output) : m_output(output) {}

int RenderCommand::usageError(const QString &text)
{
    m_output.line(QStringLiteral("zvticket-cli: ") + text);
    m_output.line(QStringLiteral("Try 'zvticket-cli --help'."));
    return ExitUsage;
}

bool RenderCommand::parse(const QStringList &arguments, Request &request, int *exitCode)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(
        {{QStringLiteral("slot"), QString(), QStringLiteral("SLOT")},
         {QStringLiteral("family"), QString(), QStringLiteral("FAMILY"), QStringLiteral("auto")},
         {QStringLiteral("paper"), QString(), QStringLiteral("PAPER"), QStringLiteral("auto")},
         {{QStringLiteral("o"), QStringLiteral("output")}, QString(), QStringLiteral("FILE")}});
    *exitCode = ExitUsage;
    if (!parser.parse(arguments))
        return usageError(parser.errorText()), false;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2)
        return usageError(QStringLiteral("render takes one FILE.dat or print file.")), false;
    request = {positional.at(1), parser.value(QStringLiteral("slot")),
               parser.value(QStringLiteral("family")), parser.value(QStringLiteral("paper")),
               parser.value(QStringLiteral("output"))};
    if (request.output.isEmpty() || !PictureExport::isSupported(request.output))
        return usageError(QStringLiteral("render writes -o OUT.png or -o OUT.pdf.")), false;
    if (!PrinterFamily::fromKey(request.family))
        return usageError(QStringLiteral("--family is auto, escpos, escp24 or escp9.")), false;
    if (!PaperFormat::fromKey(request.paper))
        return usageError(QStringLiteral("--paper is 80mm, 80mm42, 58mm, 80col or 136col.")), false;
    if (!request.slot.isEmpty() && !isProgrammingFile(request.file))
        return usageError(QStringLiteral("--slot goes with a programming file (FILE.dat).")), false;
    if (!request.slot.isEmpty() && !slotNumber(request.slot) &&
        request.slot.compare(QLatin1String("ticket"), Qt::CaseInsensitive) != 0)
        return usageError(QStringLiteral("--slot is T, H, B, F, P1, P2 or ticket.")), false;
    return true;
}

bool RenderCommand::loadTickets(const Request &request, QList<QByteArray> &tickets)
{
    TicketProject project;
    ConsoleDialogService dialogs(m_output);
    ProjectCommands commands(project, dialogs);
    if (!isProgrammingFile(request.file)) {
        if (!commands.addTicketFile(TicketProject::T, request.file))
            return false;
        tickets = {project.contents(TicketProject::T)};
        return true;
    }
    if (!commands.openProjectFile(request.file, QFileInfo(request.file).fileName()))
        return false;
    if (const int n = slotNumber(request.slot)) {
        tickets = {project.contents(n)};
        return true;
    }
    const PrintedTickets printed =
        PrintedTickets::fromProject(project, PrintedTickets::truckByContent(project));
    tickets = {printed.printTicket, printed.setTicket};
    m_ticketsText = printed.truck ? QStringLiteral("print ticket T and truck ticket P1 + P2")
                                  : QStringLiteral("print ticket T and totalize ticket H + B + F");
    return true;
}

int RenderCommand::run(const QStringList &arguments)
{
    Request request;
    int exitCode = ExitSuccess;
    if (!parse(arguments, request, &exitCode))
        return exitCode;
    QList<QByteArray> tickets;
    if (!loadTickets(request, tickets))
        return ExitFileError;
    const PrintInterpreter::Result result = PrintInterpreter::interpretTickets(
        tickets, *PrinterFamily::fromKey(request.family), *PaperFormat::fromKey(request.paper));
    QString error;
    if (!PictureExport::write(result.model, request.output, &error)) {
        m_output.line(error);
        return ExitFileError;
    }
    m_output.result(QStringLiteral("%1: %2 page(s), %3 on %4")
                        .arg(request.output)
                        .arg(result.model.pageCount())
                        .arg(PrinterFamily::caption(result.family), result.paper.caption));
    if (!result.familyReason.isEmpty())
        m_output.result(QStringLiteral("family: ") + result.familyReason);
    describe(result.model);
    return ExitSuccess;
}

void RenderCommand::describe(const PageModel &model)
{
    if (!m_ticketsText.isEmpty())
        m_output.result(QStringLiteral("tickets: ") + m_ticketsText);
    if (model.unknownCount() > 0)
        m_output.result(QStringLiteral("%1 command(s) not understood, marked on the paper")
                            .arg(model.unknownCount()));
    if (const int lines = model.linesBeyondEdge())
        m_output.result(QStringLiteral("%1 line(s) run past the paper edge").arg(lines));
}
