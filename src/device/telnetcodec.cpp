#include "telnetcodec.h"

#include <QtEndian>

namespace
{

// RFC 2217 codes of the parity values.
quint8 parityCode(LineSettings::Parity parity)
{
    switch (parity) {
    case LineSettings::Parity::None:
        return 1;
    case LineSettings::Parity::Odd:
        return 2;
    case LineSettings::Parity::Even:
        return 3;
    case LineSettings::Parity::Mark:
        return 4;
    case LineSettings::Parity::Space:
        return 5;
    }
    return 1;
}

} // namespace

TelnetCodec::Decoded TelnetCodec::decode(QByteArrayView bytes)
{
    Decoded out;
    out.data.reserve(bytes.size());
    for (const char c : bytes)
        take(quint8(c), out);
    return out;
}

void TelnetCodec::reset()
{
    m_state = State::Data;
    m_subnegotiation.clear();
    m_subnegotiationTooLong = false;
}

void TelnetCodec::take(quint8 byte, Decoded &out)
{
    switch (m_state) {
    case State::Data:
        if (byte == Iac)
            m_state = State::Command;
        else
            out.data += char(byte);
        break;
    case State::Command:
        takeCommand(byte, out);
        break;
    case State::Option:
        out.events.append({Event::Kind::Negotiation, m_verb, byte, {}});
        m_state = State::Data;
        break;
    case State::Subnegotiation:
        if (byte == Iac)
            m_state = State::SubnegotiationCommand;
        else
            appendToSubnegotiation(byte);
        break;
    case State::SubnegotiationCommand:
        takeSubnegotiationCommand(byte, out);
        break;
    }
}

// The byte after an IAC in the data.
void TelnetCodec::takeCommand(quint8 byte, Decoded &out)
{
    m_state = State::Data;
    if (byte == Iac) {
        out.data += char(byte);
    } else if (byte >= Will) {
        m_verb = byte;
        m_state = State::Option;
    } else if (byte == Sb) {
        m_subnegotiation.clear();
        m_subnegotiationTooLong = false;
        m_state = State::Subnegotiation;
    } else {
        out.events.append({Event::Kind::Command, byte, 0, {}});
    }
}

// The byte after an IAC inside a subnegotiation.
void TelnetCodec::takeSubnegotiationCommand(quint8 byte, Decoded &out)
{
    if (byte == Iac) {
        appendToSubnegotiation(byte);
        m_state = State::Subnegotiation;
        return;
    }
    if (byte == Se) {
        if (!m_subnegotiation.isEmpty() && !m_subnegotiationTooLong) {
            out.events.append({Event::Kind::Subnegotiation, Sb, quint8(m_subnegotiation.at(0)),
                               m_subnegotiation.mid(1)});
        }
        m_subnegotiation.clear();
        m_state = State::Data;
        return;
    }
    // Any other command cuts the subnegotiation short: it is dropped and the command counts.
    m_subnegotiation.clear();
    takeCommand(byte, out);
}

void TelnetCodec::appendToSubnegotiation(quint8 byte)
{
    if (m_subnegotiation.size() < MaxSubnegotiation)
        m_subnegotiation += char(byte);
    else
        m_subnegotiationTooLong = true;
}

QByteArray TelnetCodec::escape(QByteArrayView data)
{
    QByteArray escaped;
    escaped.reserve(data.size() + data.count(char(Iac)));
    for (const char c : data) {
        escaped += c;
        if (quint8(c) == Iac)
            escaped += c;
    }
    return escaped;
}

QByteArray TelnetCodec::negotiation(quint8 verb, quint8 option)
{
    const char bytes[] = {char(Iac), char(verb), char(option)};
    return QByteArray(bytes, sizeof bytes);
}

QByteArray TelnetCodec::subnegotiation(quint8 option, QByteArrayView payload)
{
    const char start[] = {char(Iac), char(Sb), char(option)};
    QByteArray bytes(start, sizeof start);
    bytes += escape(payload);
    bytes += char(Iac);
    bytes += char(Se);
    return bytes;
}

QByteArray TelnetCodec::comPortCommand(quint8 command, QByteArrayView value)
{
    QByteArray payload(1, char(command));
    payload += value;
    return subnegotiation(ComPortOption, payload);
}

QByteArray TelnetCodec::settingValue(quint8 command, const LineSettings &settings)
{
    switch (command) {
    case SetBaudRate: {
        QByteArray rate(4, '\0');
        qToBigEndian(quint32(settings.rate), rate.data());
        return rate;
    }
    case SetDataSize:
        return QByteArray(1, char(settings.dataBits));
    case SetParity:
        return QByteArray(1, char(parityCode(settings.parity)));
    case SetStopSize:
        return QByteArray(1, char(settings.stopBits));
    default:
        return {};
    }
}

QByteArray TelnetCodec::lineSettingsCommands(const LineSettings &settings)
{
    QByteArray bytes;
    for (const quint8 command : {SetBaudRate, SetDataSize, SetParity, SetStopSize})
        bytes += comPortCommand(command, settingValue(command, settings));
    return bytes;
}

std::optional<TelnetCodec::ComPortReply> TelnetCodec::comPortReply(const Event &event)
{
    if (event.kind != Event::Kind::Subnegotiation || event.option != ComPortOption ||
        event.payload.isEmpty() || quint8(event.payload.at(0)) < ServerOffset)
        return std::nullopt;
    return ComPortReply{quint8(quint8(event.payload.at(0)) - ServerOffset), event.payload.mid(1)};
}
