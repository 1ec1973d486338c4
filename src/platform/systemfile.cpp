#include "systemfile.h"

namespace
{

constexpr char16_t firstEscape = 0xDC80;
constexpr char16_t lastEscape = 0xDCFF;

// The length of the valid UTF-8 sequence at `at` holding one code point, or 0.
qsizetype validSequence(const QByteArray &bytes, qsizetype at)
{
    for (qsizetype length = 1; length <= 4 && at + length <= bytes.size(); ++length) {
        const QByteArray sequence = bytes.mid(at, length);
        const QString decoded = QString::fromUtf8(sequence);
        if (decoded.toUtf8() == sequence && decoded.toUcs4().size() == 1)
            return length;
    }
    return 0;
}

} // namespace

QString SystemFile::decodeName(const QByteArray &name)
{
    QString decoded = QString::fromUtf8(name);
    if (decoded.toUtf8() == name)
        return decoded;
    decoded.clear();
    for (qsizetype at = 0; at < name.size();) {
        if (const qsizetype length = validSequence(name, at)) {
            decoded += QString::fromUtf8(name.mid(at, length));
            at += length;
        } else {
            decoded += QChar(char16_t(firstEscape + uchar(name.at(at)) - 0x80));
            ++at;
        }
    }
    return decoded;
}

QByteArray SystemFile::encodeName(const QString &name)
{
    QByteArray encoded;
    qsizetype runStart = 0;
    for (qsizetype at = 0; at < name.size(); ++at) {
        const char16_t unit = name.at(at).unicode();
        const bool paired = at > 0 && name.at(at - 1).isHighSurrogate();
        if (unit < firstEscape || unit > lastEscape || paired)
            continue;
        encoded += name.mid(runStart, at - runStart).toUtf8();
        encoded += char(unit - firstEscape + 0x80);
        runStart = at + 1;
    }
    return encoded + name.mid(runStart).toUtf8();
}

QString SystemFile::notARegularFile(const QString &path)
{
    switch (status(path).kind) {
    case Kind::Folder:
        return QStringLiteral("it is a folder");
    case Kind::Other:
        return QStringLiteral("it is not a regular file");
    case Kind::Missing:
    case Kind::Regular:
        break;
    }
    return {};
}
