#include "paperformat.h"

namespace
{

constexpr qreal unitsPerMm = 360 / 25.4;
constexpr qreal unitsPerInch = 360;

PaperFormat roll(const char *key, const char *caption, int columns, qreal paperMm,
                 qreal printableMm)
{
    return {QLatin1String(key),   QLatin1String(caption),   true, columns,
            paperMm * unitsPerMm, printableMm * unitsPerMm, 0};
}

PaperFormat sheet(const char *key, const char *caption, int columns, qreal paperInches)
{
    return {QLatin1String(key),
            QLatin1String(caption),
            false,
            columns,
            paperInches * unitsPerInch,
            columns * unitsPerInch / 10,
            11 * unitsPerInch};
}

QList<PaperFormat> formats()
{
    return {roll("58mm", "58 mm receipt (32 columns)", 32, 58, 48),
            roll("80mm", "80 mm receipt (48 columns)", 48, 80, 72),
            roll("80mm42", "80 mm receipt (42 columns)", 42, 80, 72),
            sheet("80col", "80 columns, 10 cpi", 80, 8.5),
            sheet("136col", "136 columns, 10 cpi", 136, 14.5)};
}

} // namespace

QStringList PaperFormat::keys()
{
    QStringList result{QStringLiteral("auto")};
    for (const PaperFormat &format : formats())
        result << format.key;
    return result;
}

std::optional<PaperFormat> PaperFormat::fromKey(const QString &key)
{
    if (key.compare(QLatin1String("auto"), Qt::CaseInsensitive) == 0)
        return automatic();
    for (const PaperFormat &format : formats()) {
        if (format.key.compare(key, Qt::CaseInsensitive) == 0)
            return format;
    }
    return std::nullopt;
}

PaperFormat PaperFormat::automatic()
{
    return {QStringLiteral("auto"), QStringLiteral("As the printer family"), true, 0, 0, 0, 0};
}

PaperFormat PaperFormat::defaultFor(bool receiptFamily)
{
    return *fromKey(receiptFamily ? QStringLiteral("80mm") : QStringLiteral("80col"));
}
