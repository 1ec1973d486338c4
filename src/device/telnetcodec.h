#pragma once

#include "linesettings.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <optional>

// The Telnet framing of a serial server's stream, without any socket: splits what the server
// sends into data bytes and Telnet commands (also when a command is cut across reads), and builds
// what the client sends: data with IAC doubled, option negotiations and the COM-PORT-OPTION
// commands of RFC 2217 that set the serial line.
class TelnetCodec
{
public:
    // Command bytes (RFC 854).
    static constexpr quint8 Se = 240;
    static constexpr quint8 Sb = 250;
    static constexpr quint8 Will = 251;
    static constexpr quint8 Wont = 252;
    static constexpr quint8 Do = 253;
    static constexpr quint8 Dont = 254;
    static constexpr quint8 Iac = 255;

    // Option codes.
    static constexpr quint8 Binary = 0;
    static constexpr quint8 Echo = 1;
    static constexpr quint8 SuppressGoAhead = 3;
    static constexpr quint8 ComPortOption = 44;

    // COM-PORT-OPTION commands from client to server (RFC 2217); the server answers each with
    // the same code plus ServerOffset.
    static constexpr quint8 SetBaudRate = 1;
    static constexpr quint8 SetDataSize = 2;
    static constexpr quint8 SetParity = 3;
    static constexpr quint8 SetStopSize = 4;
    static constexpr quint8 PurgeData = 12;
    static constexpr quint8 ServerOffset = 100;
    // PURGE-DATA value: the server's buffer of data received from the serial device.
    static constexpr quint8 PurgeReceiveBuffer = 1;

    // Longest subnegotiation kept; longer ones are read to their end and dropped.
    static constexpr int MaxSubnegotiation = 64;

    struct Event {
        enum class Kind { Command, Negotiation, Subnegotiation };
        Kind kind = Kind::Command;
        quint8 code = 0;    // the command byte: WILL/WONT/DO/DONT for a negotiation, SB, or other
        quint8 option = 0;  // negotiation and subnegotiation
        QByteArray payload; // subnegotiation, after the option code, with IAC IAC undone

        friend bool operator==(const Event &, const Event &) = default;
    };

    struct Decoded {
        QByteArray data;
        QList<Event> events;
    };

    // Splits received bytes into data and commands; a command cut off at the end is completed by
    // the next call.
    Decoded decode(QByteArrayView bytes);
    // Forgets a command cut off by the end of the previous connection.
    void reset();

    static QByteArray escape(QByteArrayView data);
    static QByteArray negotiation(quint8 verb, quint8 option);
    static QByteArray subnegotiation(quint8 option, QByteArrayView payload);
    static QByteArray comPortCommand(quint8 command, QByteArrayView value);
    // SET-BAUDRATE, SET-DATASIZE, SET-PARITY and SET-STOPSIZE for the settings, in that order.
    static QByteArray lineSettingsCommands(const LineSettings &settings);

    // The value each COM-PORT-OPTION command carries for the settings (its bytes as sent, before
    // escaping); empty for a command that is not one of the four line settings.
    static QByteArray settingValue(quint8 command, const LineSettings &settings);

    // A server's answer to a COM-PORT-OPTION command: the client's command code and the value.
    struct ComPortReply {
        quint8 command = 0;
        QByteArray value;
    };
    static std::optional<ComPortReply> comPortReply(const Event &event);

private:
    enum class State { Data, Command, Option, Subnegotiation, SubnegotiationCommand };

    void take(quint8 byte, Decoded &out);
    void takeCommand(quint8 byte, Decoded &out);
    void takeSubnegotiationCommand(quint8 byte, Decoded &out);
    void appendToSubnegotiation(quint8 byte);

    State m_state = State::Data;
    quint8 m_verb = 0;
    QByteArray m_subnegotiation; // option code, then payload
    bool m_subnegotiationTooLong = false;
};
