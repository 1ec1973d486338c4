#pragma once

#include <QString>
#include <optional>

// Where a serial server on the network is reached, as a port is named by URL:
// "socket://HOST:PORT" for a raw TCP stream whose line the server sets, "rfc2217://HOST:PORT" for
// Telnet with the serial port control of RFC 2217.
struct NetworkPortAddress {
    enum class Protocol { Raw, Rfc2217 };

    Protocol protocol = Protocol::Raw;
    QString host; // a name, an IPv4 address or an IPv6 address (without brackets)
    quint16 port = 0;

    // True for every name of the form "scheme://...": such a name is never a local serial port,
    // so it is taken as a network port and parse() says what is wrong with it.
    static bool isUrl(const QString &name);
    // The address of a URL; std::nullopt with a sentence for the operator in *error when the URL
    // is malformed.
    static std::optional<NetworkPortAddress> parse(const QString &url, QString *error = nullptr);

    // "HOST:PORT", an IPv6 address in brackets.
    QString hostAndPort() const;
    // The URL in its canonical form: "rfc2217://10.0.0.5:4001".
    QString toString() const;

    friend bool operator==(const NetworkPortAddress &, const NetworkPortAddress &) = default;
};
