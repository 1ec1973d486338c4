#include "tickettextview.h"

#include <cstring>

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
    qsizetype start = 0;
    while (start < m_content.size()) {
        if (m_rowCount % RowsPerMark == 0)
            m_marks.append(start);
        ++m_rowCount;
        start = rowEnd(start);
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
