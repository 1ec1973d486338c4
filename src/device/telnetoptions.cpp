#include "telnetoptions.h"

#include "telnetcodec.h"

#include <algorithm>
#include <utility>

using Codec = TelnetCodec;

QByteArray TelnetOptions::start()
{
    QByteArray bytes;
    bytes += request(m_local, Codec::Will, Codec::ComPortOption);
    bytes += request(m_local, Codec::Will, Codec::Binary);
    bytes += request(m_remote, Codec::Do, Codec::Binary);
    bytes += request(m_local, Codec::Will, Codec::SuppressGoAhead);
    bytes += request(m_remote, Codec::Do, Codec::SuppressGoAhead);
    return bytes;
}

QByteArray TelnetOptions::request(std::array<Side, 256> &sides, quint8 verb, quint8 option)
{
    Side &side = sides[option];
    if (side.enabled || side.requested)
        return {};
    side.requested = true;
    return Codec::negotiation(verb, option);
}

QByteArray TelnetOptions::answer(quint8 verb, quint8 option)
{
    switch (verb) {
    case Codec::Will:
    case Codec::Wont:
        return settle(m_remote[option], wantedRemote(option), verb == Codec::Will, Codec::Do,
                      Codec::Dont, option);
    case Codec::Do:
    case Codec::Dont:
        return settle(m_local[option], wantedLocal(option), verb == Codec::Do, Codec::Will,
                      Codec::Wont, option);
    default:
        return {};
    }
}

// One side of one option after the server asked to turn it on or off: an answer goes out only
// when the state changes and the client had not asked for that change itself.
QByteArray TelnetOptions::settle(Side &side, bool wanted, bool on, quint8 yes, quint8 no,
                                 quint8 option)
{
    const bool requested = std::exchange(side.requested, false);
    if (on && !wanted) {
        // Refused once; the same request again, until the server withdraws it, changes nothing.
        if (std::exchange(side.declined, true))
            return {};
        return Codec::negotiation(no, option);
    }
    if (!on)
        side.declined = false;
    if (on) {
        side.refused = false;
        if (side.enabled)
            return {};
        side.enabled = true;
        return requested ? QByteArray() : Codec::negotiation(yes, option);
    }
    if (requested || side.enabled)
        side.refused = true;
    if (!side.enabled)
        return {};
    side.enabled = false;
    return Codec::negotiation(no, option);
}

bool TelnetOptions::isPending() const
{
    const auto pending = [](const Side &side) { return side.requested; };
    return std::any_of(m_local.begin(), m_local.end(), pending) ||
           std::any_of(m_remote.begin(), m_remote.end(), pending);
}

bool TelnetOptions::wantedLocal(quint8 option)
{
    return option == Codec::ComPortOption || option == Codec::Binary ||
           option == Codec::SuppressGoAhead;
}

bool TelnetOptions::wantedRemote(quint8 option)
{
    return option == Codec::Binary || option == Codec::SuppressGoAhead;
}
