#include "hexview.h"

namespace
{

bool isPrintable(uchar byte)
{
    return byte >= 0x20 && byte < 0x7f;
}

QChar hexDigit(int value)
{
    return QLatin1Char("0123456789ABCDEF"[value & 0xf]);
}

// "00000000  " + 16 × " hh" with one more space after the eighth + "  " + 16 characters.
constexpr int RowLength = 8 + 1 + 3 * HexView::BytesPerRow + 1 + 2 + HexView::BytesPerRow;

} // namespace

HexView::HexView(const QByteArray &content, QWidget *parent)
    : RowTextView(parent), m_content(content)
{
    setObjectName(QStringLiteral("hexView"));
    setPlaceholderText(tr("The slot is empty."));
    setAccessibleName(tr("The slot's bytes in hex"));
    rowsChanged();
}

qsizetype HexView::rowCount() const
{
    return (m_content.size() + BytesPerRow - 1) / BytesPerRow;
}

QString HexView::rowText(qsizetype row) const
{
    const qsizetype offset = row * BytesPerRow;
    const qsizetype count = qBound(qsizetype(0), m_content.size() - offset, qsizetype(BytesPerRow));
    QString out;
    out.reserve(RowLength);
    for (int shift = 28; shift >= 0; shift -= 4)
        out += hexDigit(int(offset >> shift));
    out += QLatin1Char(' ');
    for (int i = 0; i < BytesPerRow; ++i) {
        out += QLatin1Char(' ');
        if (i == BytesPerRow / 2)
            out += QLatin1Char(' ');
        if (i < count) {
            const auto byte = uchar(m_content.at(offset + i));
            out += hexDigit(byte >> 4);
            out += hexDigit(byte);
        } else {
            out += QLatin1String("  ");
        }
    }
    out += QLatin1String("  ");
    for (qsizetype i = 0; i < count; ++i) {
        const auto byte = uchar(m_content.at(offset + i));
        out += isPrintable(byte) ? QLatin1Char(char(byte)) : QLatin1Char('.');
    }
    return out;
}
