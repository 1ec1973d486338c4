#pragma once

#include <QStringList>

class ConsoleOutput;
class TicketProject;
struct PageModel;

// zvticket-cli render: draws a print file, one slot of a programming file or the tickets a
// device prints from it, as the window's paper preview does, into a PNG or a PDF.
class RenderCommand
{
public:
    explicit RenderCommand(ConsoleOutput &output);

    // arguments as in main's argv, program name first and "render" second.
    int run(const QStringList &arguments);

private:
    struct Request {
        QString file;
        QString slot; // "T" .. "P2", "ticket", or empty for a print file
        QString family;
        QString paper;
        QString output;
    };

    int usageError(const QString &text);
    bool parse(const QStringList &arguments, Request &request, int *exitCode);
    bool loadTickets(const Request &request, QList<QByteArray> &tickets);
    void describe(const PageModel &model);

    ConsoleOutput &m_output;
    QString m_ticketsText; // which tickets --slot ticket drew
};
