#include "pagepainter.h"

#include "renderfont.h"

#include <QFontMetricsF>
#include <QPainter>

namespace
{

constexpr qreal MarkerSize = 16;
constexpr qreal MinimumPageHeight = 120;

// A roll shows a little paper above and below what is printed; a sheet starts at its top.
qreal topMargin(const PageModel &model)
{
    return model.continuousPaper ? 30 : 0;
}

QImage printable(const QImage &bits)
{
    QImage image = bits;
    image.setColorTable({qRgba(255, 255, 255, 0), qRgba(0, 0, 0, 255)});
    return image;
}

void label(QPainter &painter, const QPointF &at, const QString &text, const QColor &colour)
{
    painter.save();
    QFont font = RenderFont::font(false);
    font.setPixelSize(24);
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(at, text);
    painter.restore();
}

} // namespace

PagePainter::PagePainter(const PageModel &model) : m_model(model)
{
    QList<qreal> widths(qMax(1, model.pageCount()), model.paperWidth);
    for (const PageModel::TextRun &run : model.runs)
        widths[run.page] = qMax(widths[run.page], model.leftMargin + run.right() + MarkerSize);
    for (const PageModel::Image &image : model.images)
        widths[image.page] = qMax(widths[image.page], model.leftMargin + image.position.x() +
                                                          image.bits.width() * image.dotWidth);
    qreal y = 0;
    for (int page = 0; page < qMax(1, model.pageCount()); ++page) {
        const qreal height =
            qMax(MinimumPageHeight, page < model.pageCount() ? model.pageHeights.at(page) : 0);
        m_pageRects.append(QRectF(0, y, model.paperWidth, height + 2 * topMargin(model)));
        m_bounds |= QRectF(0, y, widths.at(page), m_pageRects.last().height());
        y += m_pageRects.last().height() + PageGap;
    }
}

QPointF PagePainter::origin(int page) const
{
    return m_pageRects.at(page).topLeft() + QPointF(m_model.leftMargin, topMargin(m_model));
}

void PagePainter::paint(QPainter &painter, const QRectF &exposed) const
{
    for (int page = 0; page < m_pageRects.size(); ++page) {
        const QRectF sheet = m_pageRects.at(page);
        if (sheet.bottom() >= exposed.top() && sheet.top() <= exposed.bottom())
            paintPage(painter, page, exposed);
    }
}

void PagePainter::paintPage(QPainter &painter, int page, const QRectF &exposed) const
{
    painter.save();
    paintSheet(painter, m_pageRects.at(page), exposed);
    paintEdge(painter, page, exposed);
    const QPointF at = origin(page);
    painter.translate(at);
    const QRectF local = exposed.translated(-at);
    for (const PageModel::Image &image : m_model.images) {
        if (image.page == page)
            paintImage(painter, image);
    }
    for (const PageModel::TextRun &run : m_model.runs) {
        if (run.page == page && run.position.y() <= local.bottom() &&
            run.position.y() + run.height >= local.top())
            paintRun(painter, run);
    }
    paintBreaksAndCuts(painter, page);
    painter.restore();
    paintMarkers(painter, page, exposed);
}

// Only the exposed part of the sheet: a long roll can be far taller than what is painted.
void PagePainter::paintSheet(QPainter &painter, const QRectF &sheet, const QRectF &exposed) const
{
    const QRectF visible = sheet.intersected(exposed.adjusted(-8, -8, 8, 8));
    if (visible.isEmpty())
        return;
    painter.fillRect(visible, Qt::white);
    painter.setPen(QPen(QColor(160, 160, 160), 0));
    painter.drawLine(QPointF(sheet.left(), visible.top()), QPointF(sheet.left(), visible.bottom()));
    painter.drawLine(QPointF(sheet.right(), visible.top()),
                     QPointF(sheet.right(), visible.bottom()));
    for (const qreal y : {sheet.top(), sheet.bottom()}) {
        if (y >= visible.top() && y <= visible.bottom())
            painter.drawLine(QPointF(sheet.left(), y), QPointF(sheet.right(), y));
    }
}

void PagePainter::paintRun(QPainter &painter, const PageModel::TextRun &run) const
{
    const bool bold = run.attributes & (PageModel::Bold | PageModel::DoubleStrike);
    QFont font = RenderFont::font(bold);
    font.setItalic(run.attributes & PageModel::Italic);
    const QFontMetricsF metrics(font);
    const QRectF cell(run.position, QSizeF(run.charWidth * run.text.size(), run.height));
    painter.save();
    if (run.attributes & PageModel::Reverse)
        painter.fillRect(cell, Qt::black);
    painter.translate(run.position);
    painter.scale(run.charWidth / metrics.horizontalAdvance(QLatin1Char('M')),
                  run.height / metrics.height());
    painter.setFont(font);
    painter.setPen((run.attributes & PageModel::Reverse) ? Qt::white : Qt::black);
    painter.drawText(QPointF(0, metrics.ascent()), run.text);
    painter.restore();
    if (run.attributes & PageModel::Underline)
        painter.fillRect(QRectF(cell.left(), cell.bottom() - 3, cell.width(), 3), Qt::black);
}

void PagePainter::paintImage(QPainter &painter, const PageModel::Image &image) const
{
    const QRectF target(image.position, QSizeF(image.bits.width() * image.dotWidth,
                                               image.bits.height() * image.dotHeight));
    painter.drawImage(target, printable(image.bits));
}

void PagePainter::paintBreaksAndCuts(QPainter &painter, int page) const
{
    const qreal left = -m_model.leftMargin;
    const qreal right = m_model.paperWidth - m_model.leftMargin;
    for (const PageModel::PageBreak &pageBreak : m_model.breaks) {
        if (pageBreak.page != page || pageBreak.kind != PageModel::BreakKind::FormFeed)
            continue;
        painter.setPen(QPen(QColor(40, 90, 200), 3, Qt::DashLine));
        painter.drawLine(QPointF(left, pageBreak.y), QPointF(right, pageBreak.y));
        label(painter, QPointF(left + 6, pageBreak.y + 26), QStringLiteral("form feed: new page"),
              QColor(40, 90, 200));
    }
    for (const PageModel::Cut &cut : m_model.cuts) {
        if (cut.page != page)
            continue;
        painter.setPen(QPen(QColor(200, 60, 40), 3, cut.partial ? Qt::DotLine : Qt::DashLine));
        painter.drawLine(QPointF(left, cut.y), QPointF(right, cut.y));
        label(painter, QPointF(left + 6, cut.y - 6),
              cut.partial ? QStringLiteral("\u2702 partial cut") : QStringLiteral("\u2702 cut"),
              QColor(200, 60, 40));
    }
}

void PagePainter::paintEdge(QPainter &painter, int page, const QRectF &exposed) const
{
    const QPointF at = origin(page);
    const qreal edge = at.x() + m_model.printableWidth;
    bool beyond = false;
    for (const PageModel::TextRun &run : m_model.runs) {
        if (run.page != page || !run.beyondEdge)
            continue;
        beyond = true;
        const QPointF top = at + run.position;
        painter.fillRect(
            QRectF(QPointF(edge, top.y()), QPointF(at.x() + run.right(), top.y() + run.height)),
            QColor(255, 60, 60, 90));
    }
    if (!beyond)
        return;
    const QRectF sheet = m_pageRects.at(page).intersected(exposed);
    painter.setPen(QPen(QColor(220, 40, 40), 2, Qt::DashLine));
    painter.drawLine(QPointF(edge, sheet.top()), QPointF(edge, sheet.bottom()));
}

QRectF PagePainter::markerRect(const PageModel::Uninterpreted &item) const
{
    const QPointF at = origin(item.page) + item.position;
    return QRectF(at.x() - MarkerSize / 2, at.y(), MarkerSize, MarkerSize);
}

void PagePainter::paintMarkers(QPainter &painter, int page, const QRectF &exposed) const
{
    painter.save();
    painter.setPen(Qt::NoPen);
    for (const PageModel::Uninterpreted &item : m_model.uninterpreted) {
        const QRectF rect = markerRect(item);
        if (item.page != page || !rect.intersects(exposed))
            continue;
        const bool problem = item.kind == PageModel::SkipKind::Unknown ||
                             item.kind == PageModel::SkipKind::Truncated;
        painter.setBrush(problem ? QColor(220, 40, 40) : QColor(240, 160, 0));
        painter.drawPolygon(QPolygonF(
            {rect.topLeft() + QPointF(MarkerSize / 2, 0), rect.bottomRight(), rect.bottomLeft()}));
    }
    painter.restore();
}

int PagePainter::markerAt(const QPointF &point) const
{
    for (qsizetype i = m_model.uninterpreted.size() - 1; i >= 0; --i) {
        if (markerRect(m_model.uninterpreted.at(i)).adjusted(-4, -4, 4, 4).contains(point))
            return int(i);
    }
    return -1;
}
