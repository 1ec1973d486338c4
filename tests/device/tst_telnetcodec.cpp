#include "telnetcodec.h"
#include "telnetoptions.h"

#include <QRandomGenerator>
#include <QtTest>

using Event = TelnetCodec::Event;
using Kind = TelnetCodec::Event::Kind;

namespace
{

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int value : values)
        out += char(value);
    return out;
}

Event negotiationEvent(int verb, int option)
{
    return {Kind::Negotiation, quint8(verb), quint8(option), {}};
}

Event subnegotiation(int option, const QByteArray &payload)
{
    return {Kind::Subnegotiation, 250, quint8(option), payload};
}

TelnetCodec::Decoded decodeInChunks(const QByteArray &input, const QList<qsizetype> &cuts)
{
    TelnetCodec codec;
    TelnetCodec::Decoded all;
    qsizetype from = 0;
    for (qsizetype cut : cuts + QList<qsizetype>{input.size()}) {
        const TelnetCodec::Decoded part =
            codec.decode(QByteArrayView(input).sliced(from, cut - from));
        all.data += part.data;
        all.events += part.events;
        from = cut;
    }
    return all;
}

QList<qsizetype> randomCuts(QRandomGenerator &random, qsizetype size)
{
    QList<qsizetype> cuts;
    for (qsizetype at = random.bounded(1, 8); at < size; at += random.bounded(1, 8))
        cuts.append(at);
    return cuts;
}

} // namespace

// The Telnet framing of a serial server's stream, the RFC 2217 commands that set the line
// (against bytes worked out by hand from the RFCs), and the option negotiation.
class TestTelnetCodec : public QObject
{
    Q_OBJECT
private slots:
    void decode_data();
    void decode();
    void decodeFuzzed();
    void encode_data();
    void encode();
    void negotiation_data();
    void negotiation();
};

void TestTelnetCodec::decode_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QList<Event>>("events");
    QTest::newRow("plain data") << QByteArray("@E0410-OK\r") << QByteArray("@E0410-OK\r")
                                << QList<Event>{};
    QTest::newRow("IAC IAC is one 0xFF")
        << bytes({'A', 255, 255, 'B', 255, 255}) << bytes({'A', 255, 'B', 255}) << QList<Event>{};
    QTest::newRow("negotiations between data")
        << bytes({'A', 255, 251, 3, 'B', 255, 254, 1, 'C'}) << QByteArray("ABC")
        << QList<Event>{negotiationEvent(251, 3), negotiationEvent(254, 1)};
    QTest::newRow("NOP and GO-AHEAD")
        << bytes({255, 241, 'x', 255, 249}) << QByteArray("x")
        << QList<Event>{{Kind::Command, 241, 0, {}}, {Kind::Command, 249, 0, {}}};
    // SET-BAUDRATE answer (101) for rate 255: 00 00 00 FF, the FF doubled inside SB.
    QTest::newRow("subnegotiation with IAC in it")
        << bytes({'a', 255, 250, 44, 101, 0, 0, 0, 255, 255, 255, 240, 'b'}) << QByteArray("ab")
        << QList<Event>{subnegotiation(44, bytes({101, 0, 0, 0, 255}))};
    QTest::newRow("modem state notice")
        << bytes({255, 250, 44, 107, 0x30, 255, 240}) << QByteArray()
        << QList<Event>{subnegotiation(44, bytes({107, 0x30}))};
    QTest::newRow("command cuts a subnegotiation short")
        << bytes({255, 250, 44, 101, 0, 255, 251, 3, 'z'}) << QByteArray("z")
        << QList<Event>{negotiationEvent(251, 3)};
    QTest::newRow("empty subnegotiation")
        << bytes({255, 250, 255, 240, 'q'}) << QByteArray("q") << QList<Event>{};
    QByteArray overlong = bytes({255, 250, 44, 101});
    overlong += QByteArray(100, 'x');
    overlong += bytes({255, 240, 'k'});
    QTest::newRow("overlong subnegotiation dropped")
        << overlong << QByteArray("k") << QList<Event>{};
}

// Every way of cutting the input in two, and byte by byte, gives the same result.
void TestTelnetCodec::decode()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, data);
    QFETCH(QList<Event>, events);
    QList<QList<qsizetype>> splits;
    for (qsizetype cut = 0; cut <= input.size(); ++cut)
        splits.append(QList<qsizetype>{cut});
    QList<qsizetype> everyByte;
    for (qsizetype cut = 1; cut < input.size(); ++cut)
        everyByte.append(cut);
    splits.append(everyByte);
    for (const QList<qsizetype> &cuts : std::as_const(splits)) {
        const TelnetCodec::Decoded decoded = decodeInChunks(input, cuts);
        QCOMPARE(decoded.data, data);
        QCOMPARE(decoded.events, events);
    }
}

// Random data escaped and mixed with random commands, in random pieces: the data comes out
// whole; random bytes in random pieces decode as they do in one piece.
void TestTelnetCodec::decodeFuzzed()
{
    QRandomGenerator random(1217);
    for (int round = 0; round < 300; ++round) {
        QByteArray data;
        QByteArray wire;
        const int pieces = random.bounded(1, 20);
        for (int i = 0; i < pieces; ++i) {
            QByteArray piece(random.bounded(0, 12), '\0');
            for (char &c : piece)
                c = char(random.bounded(0, 3) == 0 ? 255 : random.bounded(0, 256));
            data += piece;
            wire += TelnetCodec::escape(piece);
            if (random.bounded(0, 2) == 0)
                wire += bytes({255, int(random.bounded(251, 255)), int(random.bounded(0, 256))});
            else
                wire += bytes({255, 250, 44, 255, 255, int(random.bounded(0, 255)), 255, 240});
        }
        QCOMPARE(decodeInChunks(wire, randomCuts(random, wire.size())).data, data);

        QByteArray noise(random.bounded(0, 200), '\0');
        for (char &c : noise)
            c = char(random.bounded(0, 2) ? random.bounded(240, 256) : random.bounded(0, 256));
        const TelnetCodec::Decoded whole = decodeInChunks(noise, {});
        const TelnetCodec::Decoded chunked =
            decodeInChunks(noise, randomCuts(random, noise.size()));
        QCOMPARE(chunked.data, whole.data);
        QCOMPARE(chunked.events, whole.events);
    }
}

void TestTelnetCodec::encode_data()
{
    QTest::addColumn<QByteArray>("encoded");
    QTest::addColumn<QByteArray>("expected");
    // IAC SB COM-PORT-OPTION(44) SET-BAUDRATE(1) <4 bytes, network order> IAC SE
    QTest::newRow("9600 bps") << TelnetCodec::comPortCommand(1, TelnetCodec::settingValue(1, {}))
                              << bytes({255, 250, 44, 1, 0x00, 0x00, 0x25, 0x80, 255, 240});
    LineSettings fast;
    fast.rate = 115200;
    QTest::newRow("115200 bps") << TelnetCodec::comPortCommand(1,
                                                               TelnetCodec::settingValue(1, fast))
                                << bytes({255, 250, 44, 1, 0x00, 0x01, 0xC2, 0x00, 255, 240});
    LineSettings iacRate;
    iacRate.rate = 0xFF;
    QTest::newRow("rate byte 0xFF doubled")
        << TelnetCodec::comPortCommand(1, TelnetCodec::settingValue(1, iacRate))
        << bytes({255, 250, 44, 1, 0, 0, 0, 255, 255, 255, 240});
    // SET-DATASIZE(2) 8, SET-PARITY(3) NONE=1, SET-STOPSIZE(4) 1.
    QTest::newRow("9600,n,8,1") << TelnetCodec::lineSettingsCommands(
                                       *LineSettings::parse(QStringLiteral("9600,n,8,1")))
                                << bytes({255, 250, 44,  1,   0,   0,   0x25, 0x80, 255, 240, 255,
                                          250, 44,  2,   8,   255, 240, 255,  250,  44,  3,   1,
                                          255, 240, 255, 250, 44,  4,   1,    255,  240});
    // 1200 = 0x04B0; EVEN=3, 7 data bits, 2 stop bits.
    QTest::newRow("1200,e,7,2") << TelnetCodec::lineSettingsCommands(
                                       *LineSettings::parse(QStringLiteral("1200,e,7,2")))
                                << bytes({255, 250, 44,  1,   0,   0,   0x04, 0xB0, 255, 240, 255,
                                          250, 44,  2,   7,   255, 240, 255,  250,  44,  3,   3,
                                          255, 240, 255, 250, 44,  4,   2,    255,  240});
    const auto parity = [](const char *settings) {
        return TelnetCodec::settingValue(3, *LineSettings::parse(QLatin1String(settings)));
    };
    QTest::newRow("odd, mark, space parity")
        << parity("9600,o,8,1") + parity("9600,m,8,1") + parity("9600,s,8,1") << bytes({2, 4, 5});
    QTest::newRow("data escaped") << TelnetCodec::escape(bytes({'A', 255, 255, 0, 13}))
                                  << bytes({'A', 255, 255, 255, 255, 0, 13});
    QTest::newRow("purge receive buffer")
        << TelnetCodec::comPortCommand(12, bytes({1})) << bytes({255, 250, 44, 12, 1, 255, 240});
}

void TestTelnetCodec::encode()
{
    QFETCH(QByteArray, encoded);
    QFETCH(QByteArray, expected);
    QCOMPARE(encoded.toHex(' '), expected.toHex(' '));
}

void TestTelnetCodec::negotiation_data()
{
    QTest::addColumn<bool>("started");
    QTest::addColumn<QByteArray>("server");  // what the server sends
    QTest::addColumn<QByteArray>("answers"); // what the client answers
    QTest::addColumn<bool>("comPort");
    QTest::addColumn<bool>("pending");
    // As ser2net opens: WILL SGA, DO SGA, WILL ECHO, DONT ECHO, DO BINARY, WILL BINARY,
    // DO COM-PORT-OPTION. Only the echo is refused.
    QTest::newRow("serial server's opening")
        << true << bytes({255, 251, 3,   255, 253, 3,   255, 251, 1,   255, 254,
                          1,   255, 253, 0,   255, 251, 0,   255, 253, 44})
        << bytes({255, 254, 1}) << true << false;
    QTest::newRow("com port refused")
        << true << bytes({255, 254, 44}) << QByteArray() << false << true;
    QTest::newRow("unknown options refused")
        << true << bytes({255, 253, 24, 255, 251, 31}) << bytes({255, 252, 24, 255, 254, 31})
        << false << true;
    QTest::newRow("repeated agreement is not answered")
        << true << bytes({255, 253, 44, 255, 253, 44, 255, 251, 0, 255, 251, 0}) << QByteArray()
        << true << true;
    QTest::newRow("binary switched off by the server")
        << true << bytes({255, 251, 0, 255, 252, 0, 255, 252, 0}) << bytes({255, 254, 0}) << false
        << true;
    QTest::newRow("server asks first") << false << bytes({255, 253, 44, 255, 251, 3})
                                       << bytes({255, 251, 44, 255, 253, 3}) << true << false;
}

void TestTelnetCodec::negotiation()
{
    QFETCH(bool, started);
    QFETCH(QByteArray, server);
    TelnetOptions options;
    if (started) {
        // WILL COM-PORT-OPTION, WILL BINARY, DO BINARY, WILL SGA, DO SGA.
        QCOMPARE(options.start(),
                 bytes({255, 251, 44, 255, 251, 0, 255, 253, 0, 255, 251, 3, 255, 253, 3}));
    }
    TelnetCodec codec;
    QByteArray answers;
    for (const Event &event : codec.decode(server).events)
        answers += options.answer(event.code, event.option);
    QTEST(answers, "answers");
    QTEST(options.isLocalEnabled(44), "comPort");
    QTEST(options.isPending(), "pending");
}

QTEST_GUILESS_MAIN(TestTelnetCodec)
#include "tst_telnetcodec.moc"
