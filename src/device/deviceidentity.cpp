#include "deviceidentity.h"

#include "memorylayout.h"

#include <QRegularExpression>

namespace
{
constexpr double firstLargeZorlaVersion = 1.024;
constexpr qsizetype versionLength = 5;
constexpr qsizetype lastVersionDotPosition = 255;
} // namespace

double DeviceIdentity::versionValue(const QString &version)
{
    static const QRegularExpression number(QStringLiteral("^\\s*[+-]?(\\d+(\\.\\d*)?|\\.\\d+)"));
    const QRegularExpressionMatch match = number.match(version);
    if (!match.hasMatch())
        return 0.0;
    QString text = match.captured(0).trimmed();
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text.toDouble();
}

DeviceIdentity DeviceIdentity::fromReply(const QByteArray &reply)
{
    DeviceIdentity identity;
    const qsizetype dot = reply.indexOf('.'); // 0-based; position dot + 1 counted from 1
    if (dot < 0) {
        identity.parse = Parse::NoVersion;
        return identity;
    }
    if (dot == 0) {
        identity.parse = Parse::VersionMisplaced;
        identity.failure =
            QStringLiteral("The identification reply has no character before its first \".\".");
        return identity;
    }
    if (dot + 1 > lastVersionDotPosition) {
        identity.parse = Parse::VersionMisplaced;
        identity.failure =
            QStringLiteral("The first \".\" of the identification reply lies beyond position 255.");
        return identity;
    }

    identity.version = QString::fromLatin1(reply.mid(dot - 1, versionLength));

    if (reply.contains("ZORLA")) {
        identity.model = QStringLiteral("ZORLA");
        const bool large = versionValue(identity.version) >= firstLargeZorlaVersion;
        identity.deviceClass = large ? DeviceClass::Zorla : DeviceClass::ZorlaOld;
    } else if (reply.contains("VELMAR")) {
        identity.model = QStringLiteral("VELMAR");
        identity.deviceClass = DeviceClass::Velmar;
    } else {
        identity.model = QStringLiteral("UNKNOWN");
        identity.parse = Parse::UnknownModel;
        return identity;
    }
    identity.parse = Parse::Identified;
    identity.space = MemoryLayout::of(identity.deviceClass).freeSpace();

    // Tested in this order; when several are present the last one found decides.
    if (reply.contains(" S "))
        identity.application = QStringLiteral("None");
    if (reply.contains("ID"))
        identity.application = QStringLiteral("Industrial");
    if (reply.contains("PC"))
        identity.application = QStringLiteral("Truck Scale");
    return identity;
}
