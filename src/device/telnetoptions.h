#pragma once

#include <QByteArray>
#include <array>

// The Telnet options a serial client agrees with its server: asks for COM-PORT-OPTION on its own
// side and for BINARY and SUPPRESS-GO-AHEAD both ways, accepts those when the server offers them,
// refuses every other option once until the server withdraws it, and answers each request only
// when it changes an option's state, so that two parties can never talk each other into a loop
// and a server repeating a request gets no flood of answers.
class TelnetOptions
{
public:
    // The requests the client opens the session with.
    QByteArray start();
    // The answer to a WILL, WONT, DO or DONT from the server; empty when none is due.
    QByteArray answer(quint8 verb, quint8 option);

    // The client's own side of an option (what the server asked with DO).
    bool isLocalEnabled(quint8 option) const { return m_local[option].enabled; }
    // The server said DONT to an option the client asked for or had on.
    bool isLocalRefused(quint8 option) const { return m_local[option].refused; }
    // The client's requests that the server has not answered yet.
    bool isPending() const;

private:
    struct Side {
        bool enabled = false;
        bool requested = false; // asked for and not answered yet
        bool refused = false;
        bool declined = false; // the server's request to turn it on was refused
    };

    QByteArray request(std::array<Side, 256> &sides, quint8 verb, quint8 option);
    static QByteArray settle(Side &side, bool wanted, bool on, quint8 yes, quint8 no,
                             quint8 option);
    static bool wantedLocal(quint8 option);
    static bool wantedRemote(quint8 option);

    std::array<Side, 256> m_local{};
    std::array<Side, 256> m_remote{};
};
