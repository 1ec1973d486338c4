#include "bytetext.h"

#include <algorithm>

QString escapedBytes(const QByteArray &bytes, std::initializer_list<ByteName> names,
                     qsizetype limit)
{
    const qsizetype shown = limit < 0 ? bytes.size() : qMin(limit, bytes.size());
    QString text;
    for (qsizetype i = 0; i < shown; ++i) {
        const char c = bytes.at(i);
        const auto byte = static_cast<unsigned char>(c);
        const auto named = std::find_if(names.begin(), names.end(),
                                        [c](const ByteName &name) { return name.byte == c; });
        if (named != names.end())
            text += QLatin1Char('<') + QLatin1String(named->name) + QLatin1Char('>');
        else if (byte >= 32 && byte < 127)
            text += QLatin1Char(c);
        else
            text += QStringLiteral("<%1>").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
    }
    if (shown < bytes.size())
        text += QLatin1String("...");
    return text;
}
