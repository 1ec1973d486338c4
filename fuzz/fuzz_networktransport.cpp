// What a serial server on the network may send, as the network transport takes it: any bytes,
// Telnet negotiation and subnegotiation included, before and after the line is set up. The
// transport must not crash, must keep what it has received and what waits to be sent to the
// server within their bounds, and must not grow its memory with what it is sent. The server never
// reads, so that every answer the transport owes stays in its pending output.
//
// Input: the first byte's bit 0 chooses RFC 2217 (set) or a raw stream; the rest is sent by the
// server at once, followed, for RFC 2217, by a well-behaved server's answers to the option request
// and the line settings.
#include "networktransport.h"
#include "require.h"
#include "telnetcodec.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTcpServer>
#include <QTcpSocket>

namespace
{

QTcpServer *server = nullptr;

QByteArray wellBehavedAnswers()
{
    QByteArray answers("\xff\xf0\xff\xf0"); // ends whatever command the input left open
    answers += TelnetCodec::negotiation(TelnetCodec::Do, TelnetCodec::ComPortOption);
    const LineSettings settings;
    for (const quint8 command : {TelnetCodec::SetBaudRate, TelnetCodec::SetDataSize,
                                 TelnetCodec::SetParity, TelnetCodec::SetStopSize})
        answers += TelnetCodec::comPortCommand(command + TelnetCodec::ServerOffset,
                                               TelnetCodec::settingValue(command, settings));
    return answers;
}

void checkBounds(const NetworkTransport &transport)
{
    require(transport.pendingOutput() <= NetworkTransport::maxPendingOutput,
            "the output waiting for the server is bounded");
}

// Lets the transport take what the server sent, for a short while.
void settle(NetworkTransport &transport, QByteArray &received)
{
    const QDeadlineTimer deadline(20);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const QByteArray piece = transport.readAll();
        require(piece.size() <= NetworkTransport::maxBuffered, "what is received is bounded");
        received += piece;
        received.clear();
        checkBounds(transport);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication application(*argc, *argv);
    server = new QTcpServer;
    require(server->listen(QHostAddress::LocalHost), "the server listens on loopback");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const bool telnet = data[0] & 1;
    QByteArray sent(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    if (telnet)
        sent += wellBehavedAnswers();
    QTcpSocket *peer = nullptr;
    const auto connection = QObject::connect(server, &QTcpServer::newConnection, [&] {
        peer = server->nextPendingConnection();
        peer->write(sent);
    });
    NetworkTransport transport(QStringLiteral("%1://127.0.0.1:%2")
                                   .arg(QLatin1String(telnet ? "rfc2217" : "socket"))
                                   .arg(server->serverPort()));
    transport.setTimeoutScale(0.05);
    QByteArray received;
    if (transport.open(nullptr)) {
        transport.discardInput();
        transport.write(QByteArray("@C4\r"));
        settle(transport, received);
    }
    checkBounds(transport);
    transport.close();
    QObject::disconnect(connection);
    delete peer;
    // A connection the server had not taken yet belongs to no later input.
    while (server->hasPendingConnections())
        delete server->nextPendingConnection();
    return 0;
}
