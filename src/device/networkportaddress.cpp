#include "networkportaddress.h"

#include <QHostAddress>
#include <QRegularExpression>

namespace
{

constexpr QLatin1String rawScheme("socket");
constexpr QLatin1String rfc2217Scheme("rfc2217");

std::optional<NetworkPortAddress::Protocol> protocolOf(const QString &scheme)
{
    if (scheme.compare(rawScheme, Qt::CaseInsensitive) == 0)
        return NetworkPortAddress::Protocol::Raw;
    if (scheme.compare(rfc2217Scheme, Qt::CaseInsensitive) == 0)
        return NetworkPortAddress::Protocol::Rfc2217;
    return std::nullopt;
}

// Why the host part is not a host, or an empty string when it is one.
QString hostProblem(const QString &host, bool bracketed)
{
    if (host.isEmpty())
        return QStringLiteral("the host is missing");
    if (bracketed) {
        QHostAddress address;
        if (!address.setAddress(host) || address.protocol() != QAbstractSocket::IPv6Protocol)
            return QStringLiteral("\"%1\" is not an IPv6 address").arg(host);
        return {};
    }
    if (host.contains(QLatin1Char(':')))
        return QStringLiteral("an IPv6 address must be written in brackets: [ADDRESS]:PORT");
    static const QRegularExpression name(QStringLiteral("^[A-Za-z0-9]([A-Za-z0-9._-]*)$"));
    if (!name.match(host).hasMatch())
        return QStringLiteral("\"%1\" is not a host name or address").arg(host);
    return {};
}

// Why the port part is not a TCP port number, or an empty string when it is one.
QString portProblem(const QString &port, quint16 *number)
{
    if (port.isEmpty())
        return QStringLiteral("the port number is missing");
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,5}$"));
    const int value = digits.match(port).hasMatch() ? port.toInt() : 0;
    if (value < 1 || value > 65535)
        return QStringLiteral("the port number must be 1 to 65535, not \"%1\"").arg(port);
    *number = quint16(value);
    return {};
}

} // namespace

bool NetworkPortAddress::isUrl(const QString &name)
{
    return name.contains(QLatin1String("://"));
}

std::optional<NetworkPortAddress> NetworkPortAddress::parse(const QString &url, QString *error)
{
    const QString text = url.trimmed();
    const auto fail = [&](const QString &problem) -> std::optional<NetworkPortAddress> {
        if (error)
            *error = QStringLiteral("not a valid network port: %1. Write socket://HOST:PORT or "
                                    "rfc2217://HOST:PORT.")
                         .arg(problem);
        return std::nullopt;
    };
    const qsizetype separator = text.indexOf(QLatin1String("://"));
    if (separator < 0)
        return fail(QStringLiteral("it does not begin with socket:// or rfc2217://"));
    const auto protocol = protocolOf(text.left(separator));
    if (!protocol)
        return fail(
            QStringLiteral("\"%1://\" is not a kind of network port").arg(text.left(separator)));

    QString authority = text.mid(separator + 3);
    if (authority.endsWith(QLatin1Char('/')))
        authority.chop(1);
    if (authority.contains(QLatin1Char('/')) || authority.contains(QLatin1Char('@')) ||
        authority.contains(QLatin1Char('?')) || authority.contains(QLatin1Char('#')))
        return fail(
            QStringLiteral("nothing but HOST:PORT may follow \"%1://\"").arg(text.left(separator)));

    NetworkPortAddress address;
    address.protocol = *protocol;
    const bool bracketed = authority.startsWith(QLatin1Char('['));
    const qsizetype hostEnd = bracketed ? authority.indexOf(QLatin1Char(']')) : -1;
    if (bracketed && hostEnd < 0)
        return fail(QStringLiteral("the \"]\" after the IPv6 address is missing"));
    const qsizetype colon = bracketed ? hostEnd + 1 : authority.lastIndexOf(QLatin1Char(':'));
    if (colon < 0 || colon >= authority.size() || authority.at(colon) != QLatin1Char(':'))
        return fail(QStringLiteral("the port number is missing"));
    address.host = bracketed ? authority.mid(1, hostEnd - 1) : authority.left(colon);
    const QString hostError = hostProblem(address.host, bracketed);
    if (!hostError.isEmpty())
        return fail(hostError);
    const QString portError = portProblem(authority.mid(colon + 1), &address.port);
    if (!portError.isEmpty())
        return fail(portError);
    return address;
}

QString NetworkPortAddress::hostAndPort() const
{
    const QString pattern =
        host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]:%2") : QStringLiteral("%1:%2");
    return pattern.arg(host).arg(port);
}

QString NetworkPortAddress::toString() const
{
    const QLatin1String scheme = protocol == Protocol::Raw ? rawScheme : rfc2217Scheme;
    return QStringLiteral("%1://%2").arg(scheme, hostAndPort());
}
