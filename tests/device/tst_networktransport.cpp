#include "networktransport.h"
#include "porttransportfactory.h"
#include "serialporttransport.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>
#include <arpa/inet.h>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int value : values)
        out += char(value);
    return out;
}

// A serial server on loopback for one client: records what arrives and, in RFC 2217 mode,
// answers the option and line setting requests the way the test asks.
class FakeServer : public QObject
{
public:
    enum class Behaviour { Raw, Rfc2217, RefuseComPort, Silent, CloseAtOnce };

    explicit FakeServer(Behaviour behaviour) : m_behaviour(behaviour)
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, &FakeServer::accept);
    }
    QString url() const
    {
        const char *scheme = m_behaviour == Behaviour::Raw ? "socket" : "rfc2217";
        return QStringLiteral("%1://127.0.0.1:%2")
            .arg(QLatin1String(scheme))
            .arg(m_server.serverPort());
    }
    void send(const QByteArray &wire)
    {
        m_client->write(wire);
        m_client->flush();
    }
    void closeClient() { m_client->disconnectFromHost(); }

    QByteArray received;                  // everything as it came over the wire
    QList<QByteArray> settingCommands;    // COM-PORT-OPTION payloads
    std::optional<QByteArray> rateAnswer; // answers SET-BAUDRATE with this value instead

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
        received += wire;
        if (m_behaviour == Behaviour::Raw || m_behaviour == Behaviour::Silent)
            return;
        for (const TelnetCodec::Event &event : m_codec.decode(wire).events)
            answer(event);
    }
    void answer(const TelnetCodec::Event &event)
    {
        if (event.kind == TelnetCodec::Event::Kind::Negotiation && event.option == 44 &&
            event.code == 251) {
            send(bytes({255, m_behaviour == Behaviour::RefuseComPort ? 254 : 253, 44}));
        } else if (event.kind == TelnetCodec::Event::Kind::Subnegotiation && event.option == 44) {
            settingCommands.append(event.payload);
            QByteArray value = event.payload.mid(1);
            if (event.payload.at(0) == 1 && rateAnswer)
                value = *rateAnswer;
            send(TelnetCodec::comPortCommand(quint8(event.payload.at(0) + 100), value));
        }
    }

    Behaviour m_behaviour;
    QTcpServer m_server;
    QTcpSocket *m_client = nullptr;
    TelnetCodec m_codec;
};

// A listening socket on loopback whose one-place queue of connections is taken, so that the
// system leaves further connection requests unanswered.
class FullListener
{
public:
    FullListener()
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_fd, reinterpret_cast<sockaddr *>(&address), length) != 0 ||
            ::listen(m_fd, 0) != 0 ||
            ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&address), &length) != 0)
            return;
        m_port = ntohs(address.sin_port);
        for (QTcpSocket &filler : m_fillers) {
            filler.connectToHost(QHostAddress::LocalHost, m_port);
            filler.waitForConnected(200);
        }
    }
    ~FullListener() { ::close(m_fd); }
    quint16 port() const { return m_port; }

private:
    int m_fd = -1;
    quint16 m_port = 0;
    QTcpSocket m_fillers[2];
};

} // namespace

using Behaviour = FakeServer::Behaviour;

// The network transport against a server in the test: addresses, the data stream both ways with
// 0xFF bytes, the line settings of RFC 2217, a server that closes, and servers that cannot be
// used.
class TestNetworkTransport : public QObject
{
    Q_OBJECT
private slots:
    void address_data();
    void address();
    void factory();
    void roundTrip_data();
    void roundTrip();
    void serverCloses_data();
    void serverCloses();
    void openFails_data();
    void openFails();
    void lineSettings();
};

void TestNetworkTransport::address_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("result"); // the canonical URL, or a part of the message
    const auto row = [](const char *name, const char *url, const char *result) {
        QTest::newRow(name) << QString::fromLatin1(url) << QString::fromLatin1(result);
    };
    row("raw", "socket://127.0.0.1:4001", "socket://127.0.0.1:4001");
    row("telnet, scheme in capitals", "RFC2217://Host-1.example:1", "rfc2217://Host-1.example:1");
    row("IPv6, trailing slash", " rfc2217://[::1]:65535/ ", "rfc2217://[::1]:65535");
    row("no port", "socket://host", "the port number is missing");
    row("port 0", "socket://host:0", "must be 1 to 65535");
    row("port 65536", "socket://host:65536", "must be 1 to 65535");
    row("no host", "socket://:4001", "the host is missing");
    row("bad host", "socket://ho st:4001", "is not a host name");
    row("IPv6 without brackets", "socket://::1:4001", "in brackets");
    row("not IPv6", "socket://[fe80::zz]:4001", "is not an IPv6 address");
    row("unknown scheme", "telnet://host:23", "\"telnet://\" is not a kind of network port");
    row("path", "socket://host:4001/ttyS0", "nothing but HOST:PORT");
}

void TestNetworkTransport::address()
{
    QFETCH(QString, url);
    QFETCH(QString, result);
    QString error;
    const auto address = NetworkPortAddress::parse(url, &error);
    if (result.contains(QLatin1String("://")) && !result.contains(QLatin1Char('"'))) {
        QVERIFY2(address, qPrintable(error));
        QCOMPARE(address->toString(), result);
        return;
    }
    QVERIFY(!address);
    QVERIFY2(error.contains(result), qPrintable(error));
    QVERIFY(error.contains(QLatin1String("socket://HOST:PORT or rfc2217://HOST:PORT")));
    // The transport refuses to open it with the same sentence, at once.
    NetworkTransport transport(url);
    QString openError;
    QVERIFY(!transport.open(&openError));
    QCOMPARE(openError, error);
}

void TestNetworkTransport::factory()
{
    QObject owner;
    QVERIFY(qobject_cast<NetworkTransport *>(
        makePortTransport(QStringLiteral("rfc2217://10.0.0.5:4001"), &owner)));
    PortTransport *serial = makePortTransport(QStringLiteral("/dev/ttyS0"), &owner);
    QVERIFY(qobject_cast<SerialPortTransport *>(serial));
    QCOMPARE(serial->parent(), &owner);
}

void TestNetworkTransport::roundTrip_data()
{
    QTest::addColumn<Behaviour>("behaviour");
    QTest::addColumn<QByteArray>("sentWire");          // what the server sees of the data
    QTest::addColumn<QList<QByteArray>>("answerWire"); // what the server sends, write by write
    QTest::newRow("raw") << Behaviour::Raw << bytes({'@', 255, 13, 0, 255})
                         << QList<QByteArray>{bytes({255, 'A'}), bytes({255, 13})};
    // Data IAC doubled; the answer has a NOP, a notice and a doubled IAC cut across writes.
    QTest::newRow("rfc2217") << Behaviour::Rfc2217 << bytes({'@', 255, 255, 13, 0, 255, 255})
                             << QList<QByteArray>{bytes({255, 255, 'A', 255}),
                                                  bytes({241, 255, 250, 44, 107, 0}),
                                                  bytes({255, 240, 255}), bytes({255, 13})};
}

void TestNetworkTransport::roundTrip()
{
    QFETCH(Behaviour, behaviour);
    FakeServer server(behaviour);
    NetworkTransport transport(server.url());
    QString error;
    QVERIFY2(transport.open(&error), qPrintable(error));
    const qsizetype opening = server.received.size();

    QVERIFY(transport.write(bytes({'@', 255, 13, 0, 255})));
    QVERIFY(transport.waitForBytesWritten(1000));
    QFETCH(QByteArray, sentWire);
    QTRY_COMPARE(server.received.mid(opening).toHex(' '), sentWire.toHex(' '));

    QByteArray received;
    connect(&transport, &PortTransport::readyRead, this, [&] { received += transport.readAll(); });
    QFETCH(QList<QByteArray>, answerWire);
    for (const QByteArray &piece : answerWire) {
        server.send(piece);
        QTest::qWait(10);
    }
    QTRY_COMPARE(received.toHex(' '), bytes({255, 'A', 255, 13}).toHex(' '));
    QVERIFY(transport.isOpen());
}

void TestNetworkTransport::serverCloses_data()
{
    QTest::addColumn<Behaviour>("behaviour");
    QTest::newRow("raw") << Behaviour::Raw;
    QTest::newRow("rfc2217") << Behaviour::Rfc2217;
}

// The last bytes before the close still arrive, then the loss is reported once.
void TestNetworkTransport::serverCloses()
{
    QFETCH(Behaviour, behaviour);
    FakeServer server(behaviour);
    NetworkTransport transport(server.url());
    QVERIFY(transport.open(nullptr));
    QByteArray received;
    QStringList losses;
    connect(&transport, &PortTransport::readyRead, this, [&] { received += transport.readAll(); });
    connect(&transport, &PortTransport::lost, this, [&](const QString &why) {
        QVERIFY(!transport.isOpen());
        losses.append(why);
    });
    server.send("E9FFE-OK\r");
    server.closeClient();
    QTRY_COMPARE(losses.size(), 1);
    QCOMPARE(received, QByteArray("E9FFE-OK\r"));
    const QString hostPort = server.url().section(QLatin1String("://"), 1);
    QCOMPARE(losses.first(), QStringLiteral("the connection to %1 was closed").arg(hostPort));
    QVERIFY(transport.errorString().contains(losses.first()));
    QVERIFY(!transport.write("@C4\r"));
    QTest::qWait(50);
    QCOMPARE(losses.size(), 1);
}

void TestNetworkTransport::openFails_data()
{
    QTest::addColumn<std::optional<Behaviour>>("behaviour"); // none: nobody listens
    QTest::addColumn<QString>("url"); // "full": a server that leaves the connection unanswered
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("maximumMs");
    QTest::newRow("refused") << std::optional<Behaviour>() << QString()
                             << "the server refused the connection" << 1000;
    QTest::newRow("no answer to the connection") << std::optional<Behaviour>() << "full"
                                                 << "no answer within 2 seconds" << 2100;
    QTest::newRow("closed at once") << std::optional(Behaviour::CloseAtOnce) << QString()
                                    << "the server closed the connection" << 1000;
    QTest::newRow("no serial port control")
        << std::optional(Behaviour::RefuseComPort) << QString()
        << "the server refused serial port control (RFC 2217)" << 1000;
    QTest::newRow("no answer") << std::optional(Behaviour::Silent) << QString()
                               << "did not answer the request for serial port control" << 2500;
}

void TestNetworkTransport::openFails()
{
    QFETCH(std::optional<Behaviour>, behaviour);
    QFETCH(QString, url);
    std::unique_ptr<FakeServer> server;
    std::optional<FullListener> full;
    if (url == QLatin1String("full")) {
        full.emplace();
        QVERIFY(full->port() != 0);
        url = QStringLiteral("socket://127.0.0.1:%1").arg(full->port());
    } else if (behaviour) {
        server = std::make_unique<FakeServer>(*behaviour);
        url = server->url();
    } else if (url.isEmpty()) {
        // A port that was free a moment ago.
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        url = QStringLiteral("rfc2217://127.0.0.1:%1").arg(probe.serverPort());
    }
    NetworkTransport transport(url);
    QElapsedTimer clock;
    clock.start();
    QString error;
    QVERIFY(!transport.open(&error));
    QFETCH(int, maximumMs);
    QVERIFY2(clock.elapsed() <= maximumMs, qPrintable(QString::number(clock.elapsed())));
    QFETCH(QString, message);
    QVERIFY2(error.contains(message), qPrintable(error));
    QVERIFY(error.contains(transport.description()));
    QVERIFY(!transport.isOpen());
}

// Taken settings are confirmed by the server; refused ones leave the previous in force, on the
// server as well.
void TestNetworkTransport::lineSettings()
{
    FakeServer server(Behaviour::Rfc2217);
    NetworkTransport transport(server.url());
    const LineSettings first = *LineSettings::parse(QStringLiteral("1200,e,7,2"));
    QVERIFY(transport.setLineSettings(first));
    QVERIFY(server.settingCommands.isEmpty());
    QVERIFY(transport.open(nullptr));
    QCOMPARE(server.settingCommands, (QList<QByteArray>{bytes({1, 0, 0, 0x04, 0xB0}), bytes({2, 7}),
                                                        bytes({3, 3}), bytes({4, 2})}));

    const LineSettings second = *LineSettings::parse(QStringLiteral("19200,n,8,1"));
    QVERIFY(transport.setLineSettings(second));
    QCOMPARE(server.settingCommands.at(4), bytes({1, 0, 0, 0x4B, 0x00}));
    QCOMPARE(transport.lineSettings(), second);

    // The server keeps 19200 whatever is asked.
    server.rateAnswer = bytes({0, 0, 0x4B, 0x00});
    QVERIFY(!transport.setLineSettings(*LineSettings::parse(QStringLiteral("2400,n,8,1"))));
    QVERIFY2(transport.errorString().contains(QLatin1String("did not take the line settings "
                                                            "2400,n,8,1")),
             qPrintable(transport.errorString()));
    QCOMPARE(transport.lineSettings(), second);
    QTRY_COMPARE(server.settingCommands.size(), 16);
    QCOMPARE(server.settingCommands.at(12), bytes({1, 0, 0, 0x4B, 0x00}));
    QVERIFY(transport.isOpen());
}

QTEST_GUILESS_MAIN(TestNetworkTransport)
#include "tst_networktransport.moc"
