#include "rowtextview.h"

#include <QFontDatabase>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

namespace
{
constexpr int Margin = 4; // pixels between the viewport's edge and the text
} // namespace

RowTextView::RowTextView(QWidget *parent) : QAbstractScrollArea(parent)
{
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
}

int RowTextView::rowHeight() const
{
    return fontMetrics().lineSpacing();
}

int RowTextView::characterWidth() const
{
    return fontMetrics().horizontalAdvance(QLatin1Char('M'));
}

int RowTextView::visibleRows() const
{
    return qMax(1, (viewport()->height() - 2 * Margin) / rowHeight());
}

qsizetype RowTextView::firstVisibleRow() const
{
    return verticalScrollBar()->value();
}

void RowTextView::rowsChanged()
{
    m_rowsKnown = true;
    updateScrollRanges();
}

void RowTextView::updateScrollRanges()
{
    // Before the subclass has its rows (while it is being built) there is nothing to range over.
    if (!m_rowsKnown)
        return;
    // The vertical bar counts rows (at most 16 Mi of them), the horizontal one pixels.
    const qsizetype rows = rowCount();
    QScrollBar *vertical = verticalScrollBar();
    vertical->setRange(0, int(qMax<qsizetype>(0, rows - visibleRows())));
    vertical->setPageStep(visibleRows());
    vertical->setSingleStep(1);
    const qsizetype width = m_widestDrawn * characterWidth() + 2 * Margin;
    QScrollBar *horizontal = horizontalScrollBar();
    horizontal->setRange(0, int(qMax<qsizetype>(0, width - viewport()->width())));
    horizontal->setPageStep(viewport()->width());
    horizontal->setSingleStep(characterWidth());
    viewport()->update();
}

void RowTextView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRanges();
}

void RowTextView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateScrollRanges();
}

void RowTextView::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    painter.setFont(font());
    const int left = Margin - horizontalScrollBar()->value();
    const int ascent = fontMetrics().ascent();
    if (rowCount() == 0) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(Margin, Margin + ascent, m_placeholder);
        return;
    }
    painter.setPen(palette().color(QPalette::Text));
    const qsizetype first = firstVisibleRow();
    const qsizetype last = qMin(rowCount(), first + visibleRows() + 1);
    int y = Margin;
    qsizetype widest = m_widestDrawn;
    for (qsizetype row = first; row < last; ++row, y += rowHeight()) {
        const QString text = rowText(row);
        widest = qMax(widest, text.size());
        painter.drawText(left, y + ascent, text);
    }
    if (widest > m_widestDrawn) {
        m_widestDrawn = widest;
        updateScrollRanges();
    }
}
