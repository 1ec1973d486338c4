#include "devicelink.h"
#include "networktransport.h"

#include <QtNetwork>
#include <QtTest>

namespace
{

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int value : values)
        out += char(value);
    return out;
}

// A serial server on loopback for one client that, in RFC 2217 mode, answers the option request
// the way the test asks and every line setting with the value asked for, but keeps 9600 bps.
class FakeServer : public QObject
{
public:
    enum class Behaviour { Rfc2217, RefuseComPort, Silent, CloseAtOnce };

    explicit FakeServer(Behaviour behaviour) : m_behaviour(behaviour)
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, &FakeServer::accept);
    }
    quint16 port() const { return m_server.serverPort(); }
    void send(const QByteArray &wire)
    {
        m_client->write(wire);
        m_client->flush();
    }
    void closeClient() { m_client->disconnectFromHost(); }
    // Stops reading what the client sends, keeping the system's buffer for it small.
    void stopReading()
    {
        disconnect(m_client, &QTcpSocket::readyRead, this, &FakeServer::take);
        m_client->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
    }
    // The negotiations the client has sent.
    QList<TelnetCodec::Event> negotiations;

private:
    void accept()
    {
        m_client = m_server.nextPendingConnection();
        if (m_behaviour == Behaviour::CloseAtOnce)
            m_client->disconnectFromHost();
        connect(m_client, &QTcpSocket::readyRead, this, &FakeServer::take);
    }
    void take()
    {
        const QByteArray wire = m_client->readAll();
        if (m_behaviour == Behaviour::Silent)
            return;
        for (const TelnetCodec::Event &event : m_codec.decode(wire).events) {
            if (event.kind == TelnetCodec::Event::Kind::Negotiation)
                negotiations.append(event);
            answer(event);
        }
    }
    void answer(const TelnetCodec::Event &event)
    {
        if (event.kind == TelnetCodec::Event::Kind::Negotiation && event.option == 44 &&
            event.code == 251) {
            send(bytes({255, m_behaviour == Behaviour::RefuseComPort ? 254 : 253, 44}));
        } else if (event.kind == TelnetCodec::Event::Kind::Subnegotiation && event.option == 44) {
            const bool rate = event.payload.at(0) == 1;
            send(TelnetCodec::comPortCommand(quint8(event.payload.at(0) + 100),
                                             rate ? bytes({0, 0, 0x25, 0x80})
                                                  : event.payload.mid(1)));
        }
    }

    Behaviour m_behaviour;
    QTcpServer m_server;
    QTcpSocket *m_client = nullptr;
    TelnetCodec m_codec;
};

// A server on loopback that accepts no connection and whose one-place queue of connections is
// taken, so that the system leaves further connection requests unanswered.
class FullListener
{
public:
    FullListener()
    {
        m_server.setListenBacklogSize(0);
        m_server.setMaxPendingConnections(0);
        m_server.listen(QHostAddress::LocalHost);
        for (QTcpSocket &filler : m_fillers) {
            filler.connectToHost(QHostAddress::LocalHost, m_server.serverPort());
            filler.waitForConnected(200);
        }
    }
    quint16 port() const { return m_server.serverPort(); }

private:
    QTcpServer m_server;
    QTcpSocket m_fillers[2];
};

} // namespace

using Behaviour = FakeServer::Behaviour;

// The network transport against a server in the test: the Telnet stream, a server that closes,
// servers that cannot be used and addresses that are not.
class TestNetworkTransport : public QObject
{
    Q_OBJECT
private slots:
    // A doubled IAC, a NOP and a modem state notice, cut across writes: the data arrives whole, the
    // last bytes before the close too, then the loss is reported once.
    void serverCloses()
    {
        FakeServer server(Behaviour::Rfc2217);
        NetworkTransport transport(QStringLiteral("rfc2217://127.0.0.1:%1").arg(server.port()));
        QVERIFY(transport.open(nullptr));
        QByteArray received;
        QStringList losses;
        connect(&transport, &PortTransport::readyRead, this,
                [&] { received += transport.readAll(); });
        connect(&transport, &PortTransport::lost, this, [&](const QString &why) {
            QVERIFY(!transport.isOpen());
            losses.append(why);
        });
        for (const QByteArray &piece :
             {bytes({255, 255, 'A', 255}), bytes({241, 255, 250, 44, 107, 0}),
              bytes({255, 240, 255}), bytes({255, 0})}) {
            QTest::qWait(10);
            server.send(piece);
        }
        server.closeClient();
        QTRY_COMPARE(losses.size(), 1);
        QCOMPARE(received.toHex(' '), bytes({255, 'A', 255, 0}).toHex(' '));
        QCOMPARE(losses.first(),
                 QStringLiteral("the device was disconnected (the server closed the connection)"));
        QVERIFY(transport.errorString().contains(losses.first()));
        QVERIFY(!transport.write("@C4\r"));
        QTest::qWait(50);
        QCOMPARE(losses.size(), 1);
    }

    // A server that repeats a request without end gets one answer; one that goes on making the
    // client answer and never reads is dropped as a failed connection, the client's pending output
    // bounded.
    void boundedPeer()
    {
        FakeServer server(Behaviour::Rfc2217);
        NetworkTransport transport(QStringLiteral("rfc2217://127.0.0.1:%1").arg(server.port()));
        QVERIFY(transport.open(nullptr));
        server.negotiations.clear();
        server.send(bytes({255, 253, 1}).repeated(20000)); // DO ECHO
        QTRY_COMPARE(server.negotiations.size(), 1);
        QTest::qWait(50);
        QCOMPARE(server.negotiations.size(), 1);
        QCOMPARE(server.negotiations.first().code, quint8(252)); // WONT ECHO

        QStringList losses;
        qint64 mostPending = 0;
        connect(&transport, &PortTransport::lost, this, [&](const QString &why) { losses << why; });
        server.stopReading();
        // WILL ECHO, WONT ECHO: each pair is answered with DONT ECHO.
        const QByteArray onAndOff = bytes({255, 251, 1, 255, 252, 1}).repeated(20000);
        QElapsedTimer clock;
        clock.start();
        while (losses.isEmpty() && clock.elapsed() < 20000) {
            server.send(onAndOff);
            QTest::qWait(1);
            mostPending = qMax(mostPending, transport.pendingOutput());
        }
        QCOMPARE(losses,
                 QStringList(QStringLiteral(
                     "the device was disconnected (the server does not take what is sent to it)")));
        QVERIFY(mostPending <= NetworkTransport::maxPendingOutput);
        QVERIFY(!transport.isOpen());
    }

    void openFails_data()
    {
        QTest::addColumn<std::optional<Behaviour>>("behaviour"); // none: nobody listens on %1
        QTest::addColumn<bool>("full"); // a server that leaves the connection unanswered
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("settings"); // asked for before opening
        QTest::addColumn<QString>("message");
        // Generous for a loaded machine, yet far below the system's own connection time-out.
        QTest::addColumn<int>("maximumMs");
        const auto row = [](const char *name, const char *url, const char *message,
                            std::optional<Behaviour> behaviour = {}, bool full = false,
                            const char *settings = "", int ms = 1000) {
            QTest::newRow(name) << behaviour << full << QString::fromLatin1(url)
                                << QString::fromLatin1(settings) << QString::fromLatin1(message)
                                << ms;
        };
        const char *telnet = "rfc2217://127.0.0.1:%1";
        row("refused", " RFC2217://127.0.0.1:%1/ ", "the server refused the connection");
        row("no answer to the connection", "socket://127.0.0.1:%1", "no answer within 2 seconds",
            {}, true, "", 4000);
        row("closed at once", telnet, "the server closed the connection", Behaviour::CloseAtOnce);
        row("no serial port control", telnet, "the server refused serial port control (RFC 2217)",
            Behaviour::RefuseComPort);
        row("no answer", telnet, "did not answer the request for serial port control",
            Behaviour::Silent, false, "", 4500);
        row("line settings refused", telnet, "the server did not take the line settings 2400,n,8,1",
            Behaviour::Rfc2217, false, "2400,n,8,1");
        row("no port", "socket://host",
            "the port number is missing. Write socket://HOST:PORT or rfc2217://HOST:PORT.");
        row("port 65536", "socket://host:65536", "must be 1 to 65535");
        row("bad host", "socket://ho st:4001", "is not a host name");
        row("IPv6 without brackets", "socket://::1:4001", "in brackets");
        row("unknown scheme", "telnet://host:23", "\"telnet://\" is not a kind of network port");
        row("path", "socket://host:4001/ttyS0", "nothing but HOST:PORT");
    }

    void openFails()
    {
        QFETCH(std::optional<Behaviour>, behaviour);
        QFETCH(bool, full);
        QFETCH(QString, url);
        QFETCH(QString, message);
        std::optional<FakeServer> server;
        std::optional<FullListener> listener;
        QTcpServer probe; // a port that is free until the probe closes
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const quint16 port = behaviour ? server.emplace(*behaviour).port()
                             : full    ? listener.emplace().port()
                                       : probe.serverPort();
        probe.close();
        if (url.contains(QLatin1String("%1")))
            url = url.arg(port);
        // Opened as the link opens it, whose message names the port once.
        DeviceLink link;
        link.setPortName(url);
        QFETCH(QString, settings);
        if (!settings.isEmpty())
            QVERIFY(link.setLineSettings(*LineSettings::parse(settings)));
        QElapsedTimer clock;
        clock.start();
        QString error;
        QVERIFY(!link.open(&error));
        QFETCH(int, maximumMs);
        QVERIFY2(clock.elapsed() <= maximumMs, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(error.contains(message), qPrintable(error));
        QVERIFY2(error.startsWith(url + QStringLiteral(": ")) && error.count(url.trimmed()) == 1,
                 qPrintable(error));
        QVERIFY(!link.isOpen());
    }
};

QTEST_GUILESS_MAIN(TestNetworkTransport)
#include "tst_networktransport.moc"
