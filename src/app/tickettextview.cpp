#include "tickettextview.h"

#include <array>
#include <cstring>

namespace
{

// How many characters each byte shows as.
std::array<quint8, 256> byteWidths()
{
    std::array<quint8, 256> widths{};
    for (int byte = 0; byte < 256; ++byte)
        widths[size_t(byte)] = quint8(TicketTextView::byteText(uchar(byte)).size());
    return widths;
}

} // namespace

TicketTextView::TicketTextView(const QByteArray &content, QWidget *parent)
    : RowTextView(parent), m_content(content)
{
    setObjectName(QStringLiteral("textView"));
    setPlaceholderText(tr("The slot is empty."));
    setAccessibleName(tr("The slot's ticket text"));
    indexRows();
    rowsChanged();
}

QString TicketTextView::byteText(uchar byte)
{
    switch (byte) {
    case 0x1b:
        return QStringLiteral("<ESC>");
    case '\f':
        return QStringLiteral("<FF>");
    case '\r':
        return QStringLiteral("<CR>");
    case '\n':
        return QStringLiteral("<LF>");
    default:
        break;
    }
    if (byte >= 0x20 && byte < 0x7f)
        return QString(QLatin1Char(char(byte)));
    return QStringLiteral("<%1>").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

qsizetype TicketTextView::rowEnd(qsizetype start) const
{
    const qsizetype limit = qMin<qsizetype>(m_content.size() - start, BytesPerRow);
    const char *from = m_content.constData() + start;
    const void *lineFeed = std::memchr(from, '\n', size_t(limit));
    return lineFeed ? start + (static_cast<const char *>(lineFeed) - from) + 1 : start + limit;
}

void TicketTextView::indexRows()
{
    static const std::array<quint8, 256> widths = byteWidths();
    const auto *bytes = reinterpret_cast<const uchar *>(m_content.constData());
    qsizetype start = 0;
    while (start < m_content.size()) {
        if (m_rowCount % RowsPerMark == 0)
            m_marks.append(start);
        const qsizetype end = rowEnd(start);
        qsizetype width = 0;
        for (qsizetype i = start; i < end; ++i)
            width += widths[bytes[i]];
        m_widestRow = qMax(m_widestRow, width);
        ++m_rowCount;
        start = end;
    }
}

QString TicketTextView::rowText(qsizetype row) const
{
    if (row < 0 || row >= m_rowCount)
        return {};
    qsizetype start = m_marks.at(row / RowsPerMark);
    for (qsizetype skip = row % RowsPerMark; skip > 0; --skip)
        start = rowEnd(start);
    const qsizetype end = rowEnd(start);
    QString text;
    text.reserve((end - start) * 2);
    for (qsizetype i = start; i < end; ++i)
        text += byteText(uchar(m_content.at(i)));
    return text;
}
