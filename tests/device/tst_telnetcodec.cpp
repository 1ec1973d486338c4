#include "telnetcodec.h"
#include "telnetoptions.h"

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

} // namespace

// The Telnet framing of a serial server's stream, the RFC 2217 commands that set the line
// (against bytes worked out by hand from the RFCs), and the option negotiation.
class TestTelnetCodec : public QObject
{
    Q_OBJECT
private slots:
    void decode_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QList<Event>>("events");
        QTest::newRow("IAC IAC is one 0xFF") << bytes({'A', 255, 255, 'B', 255, 255})
                                             << bytes({'A', 255, 'B', 255}) << QList<Event>{};
        QTest::newRow("WILL SGA, DONT ECHO, NOP between data")
            << bytes({'A', 255, 251, 3, 'B', 255, 254, 1, 'C', 255, 241}) << QByteArray("ABC")
            << QList<Event>{{Kind::Negotiation, 251, 3, {}},
                            {Kind::Negotiation, 254, 1, {}},
                            {Kind::Command, 241, 0, {}}};
        // SET-BAUDRATE answer (101) for rate 255: 00 00 00 FF, the FF doubled inside SB.
        QTest::newRow("subnegotiation with IAC in it")
            << bytes({'a', 255, 250, 44, 101, 0, 0, 0, 255, 255, 255, 240, 'b'}) << QByteArray("ab")
            << QList<Event>{{Kind::Subnegotiation, 250, 44, bytes({101, 0, 0, 0, 255})}};
        QTest::newRow("subnegotiation cut short, empty subnegotiation")
            << bytes({255, 250, 44, 101, 0, 255, 251, 3, 'z', 255, 250, 255, 240})
            << QByteArray("z") << QList<Event>{{Kind::Negotiation, 251, 3, {}}};
        QTest::newRow("overlong subnegotiation dropped")
            << bytes({255, 250, 44, 101}) + QByteArray(100, 'x') + bytes({255, 240, 'k'})
            << QByteArray("k") << QList<Event>{};
    }

    // Every way of cutting the input in two, and byte by byte, gives the same result.
    void decode()
    {
        QFETCH(QByteArray, input);
        QList<QList<qsizetype>> splits{{}, {}};
        for (qsizetype cut = 1; cut < input.size(); ++cut) {
            splits.append(QList<qsizetype>{cut});
            splits[1].append(cut);
        }
        for (const QList<qsizetype> &cuts : std::as_const(splits)) {
            const TelnetCodec::Decoded decoded = decodeInChunks(input, cuts);
            QTEST(decoded.data, "data");
            QTEST(decoded.events, "events");
        }
    }

    void encode_data()
    {
        QTest::addColumn<QByteArray>("encoded");
        QTest::addColumn<QByteArray>("expected");
        const auto settings = [](const char *text) {
            return TelnetCodec::lineSettingsCommands(*LineSettings::parse(QLatin1String(text)));
        };
        // IAC SB COM-PORT-OPTION(44) SET-BAUDRATE(1) <4 bytes, network order> IAC SE, then
        // SET-DATASIZE(2) 8, SET-PARITY(3) NONE=1, SET-STOPSIZE(4) 1.
        QTest::newRow("9600,n,8,1")
            << settings("9600,n,8,1")
            << bytes({255, 250, 44,  1,  0, 0, 0x25, 0x80, 255, 240, 255, 250, 44, 2,   8,  255,
                      240, 255, 250, 44, 3, 1, 255,  240,  255, 250, 44,  4,   1,  255, 240});
        // 115200 = 0x0001C200; ODD=2, 7 data bits, 2 stop bits.
        QTest::newRow("115200,o,7,2")
            << settings("115200,o,7,2")
            << bytes({255, 250, 44,  1,  0, 1, 0xC2, 0x00, 255, 240, 255, 250, 44, 2,   7,  255,
                      240, 255, 250, 44, 3, 2, 255,  240,  255, 250, 44,  4,   2,  255, 240});
        const auto parity = [](const char *text) {
            return TelnetCodec::settingValue(3, *LineSettings::parse(QLatin1String(text)));
        };
        QTest::newRow("even, mark, space parity")
            << parity("9600,e,8,1") + parity("9600,m,8,1") + parity("9600,s,8,1")
            << bytes({3, 4, 5});
        LineSettings iacRate;
        iacRate.rate = 0xFF;
        QTest::newRow("rate byte 0xFF doubled")
            << TelnetCodec::comPortCommand(1, TelnetCodec::settingValue(1, iacRate))
            << bytes({255, 250, 44, 1, 0, 0, 0, 255, 255, 255, 240});
        QTest::newRow("data escaped") << TelnetCodec::escape(bytes({'A', 255, 255, 0, 13}))
                                      << bytes({'A', 255, 255, 255, 255, 0, 13});
    }

    void encode()
    {
        QFETCH(QByteArray, encoded);
        QFETCH(QByteArray, expected);
        QCOMPARE(encoded.toHex(' '), expected.toHex(' '));
    }

    void negotiation_data()
    {
        QTest::addColumn<bool>("started");
        QTest::addColumn<QByteArray>("server");  // what the server sends
        QTest::addColumn<QByteArray>("answers"); // what the client answers
        QTest::addColumn<bool>("comPort");
        QTest::addColumn<bool>("pending");
        // A serial server opens: WILL SGA, DO SGA, WILL ECHO, DONT ECHO, DO BINARY, WILL BINARY,
        // DO COM-PORT-OPTION. Only the echo is refused.
        QTest::newRow("serial server's opening")
            << true << bytes({255, 251, 3,   255, 253, 3,   255, 251, 1,   255, 254,
                              1,   255, 253, 0,   255, 251, 0,   255, 253, 44})
            << bytes({255, 254, 1}) << true << false;
        QTest::newRow("com port refused, unknown options refused")
            << true << bytes({255, 254, 44, 255, 253, 24, 255, 251, 31})
            << bytes({255, 252, 24, 255, 254, 31}) << false << true;
        // Binary agreed twice, then switched off twice by the server: only the change is answered.
        QTest::newRow("repeated agreement, switch-off answered once")
            << true
            << bytes(
                   {255, 253, 44, 255, 253, 44, 255, 251, 0, 255, 251, 0, 255, 252, 0, 255, 252, 0})
            << bytes({255, 254, 0}) << true << true;
        QTest::newRow("server asks first") << false << bytes({255, 253, 44, 255, 251, 3})
                                           << bytes({255, 251, 44, 255, 253, 3}) << true << false;
    }

    void negotiation()
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
};

QTEST_GUILESS_MAIN(TestTelnetCodec)
#include "tst_telnetcodec.moc"
