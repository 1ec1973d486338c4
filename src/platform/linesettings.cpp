#include "linesettings.h"

#include <QRegularExpression>

std::optional<LineSettings> LineSettings::parse(const QString &text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*(\\d{1,7})\\s*,\\s*([neoms])\\s*,\\s*([78])\\s*,\\s*([12])\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    LineSettings settings;
    settings.rate = match.captured(1).toInt();
    if (settings.rate <= 0)
        return std::nullopt;
    switch (match.captured(2).at(0).toLower().unicode()) {
    case 'e':
        settings.parity = Parity::Even;
        break;
    case 'o':
        settings.parity = Parity::Odd;
        break;
    case 'm':
        settings.parity = Parity::Mark;
        break;
    case 's':
        settings.parity = Parity::Space;
        break;
    default:
        settings.parity = Parity::None;
        break;
    }
    settings.dataBits = match.captured(3).toInt();
    settings.stopBits = match.captured(4).toInt();
    return settings;
}

QChar LineSettings::parityLetter() const
{
    static constexpr char letters[] = {'n', 'e', 'o', 'm', 's'};
    return QLatin1Char(letters[static_cast<int>(parity)]);
}

QString LineSettings::toString() const
{
    return QStringLiteral("%1,%2,%3,%4").arg(rate).arg(parityLetter()).arg(dataBits).arg(stopBits);
}

int LineSettings::bitsPerCharacter() const
{
    return 1 + dataBits + (parity == Parity::None ? 0 : 1) + stopBits;
}
