#include "pagebuilder.h"

namespace
{

// Rounding slack when comparing positions built from fractions of an inch.
constexpr qreal Slack = 0.01;

} // namespace

PageBuilder::PageBuilder(PageModel &model, qreal printableWidth, qreal pageLength)
    : m_model(model), m_pageLength(pageLength)
{
    m_model.printableWidth = printableWidth;
    m_model.continuousPaper = pageLength <= 0;
}

void PageBuilder::setLeftMargin(qreal margin)
{
    m_leftMargin = qBound<qreal>(0, margin, m_model.printableWidth);
    m_x = qMax(m_x, m_leftMargin);
}

void PageBuilder::setPageLength(qreal length)
{
    if (!m_model.continuousPaper && length > 0)
        m_pageLength = length;
}

void PageBuilder::setTabStops(const QList<qreal> &stops, qreal defaultColumn)
{
    m_tabStops = stops;
    m_defaultTab = 8 * defaultColumn;
}

void PageBuilder::character(QChar c, const TextStyle &style, qsizetype offset)
{
    const bool continues = !m_lineRuns.isEmpty() && m_runStyle == style &&
                           qAbs(m_lineRuns.last().right() - m_x) < Slack;
    if (!continues) {
        PageModel::TextRun run;
        run.page = m_page;
        run.position = QPointF(m_x, m_y);
        run.charWidth = style.advance();
        run.height = style.height();
        run.widthScale = style.widthScale;
        run.heightScale = style.heightScale;
        run.attributes = style.attributes;
        run.offset = offset;
        m_lineRuns.append(run);
        m_runStyle = style;
    }
    m_lineRuns.last().text += c;
    m_x += style.advance();
}

void PageBuilder::image(const QImage &bits, qreal dotWidth, qreal dotHeight, qsizetype offset)
{
    m_lineImages.append({m_page, QPointF(m_x, m_y), bits, dotWidth, dotHeight, offset, false});
    m_x += bits.width() * dotWidth;
}

void PageBuilder::rasterImage(const QImage &bits, qreal dotWidth, qreal dotHeight, qsizetype offset)
{
    placeLine();
    m_x = m_leftMargin;
    image(bits, dotWidth, dotHeight, offset);
    placeLine();
    feed(bits.height() * dotHeight, PageModel::FeedKind::FeedUnits, offset, true);
}

void PageBuilder::tab()
{
    const qreal column = m_x - m_leftMargin;
    for (const qreal stop : m_tabStops) {
        if (stop > column + Slack) {
            m_x = m_leftMargin + stop;
            return;
        }
    }
    if (m_tabStops.isEmpty() && m_defaultTab > 0)
        m_x = m_leftMargin + (std::floor(column / m_defaultTab + Slack) + 1) * m_defaultTab;
}

void PageBuilder::lineFeed(PageModel::FeedKind kind, qsizetype offset)
{
    qreal amount = m_lineSpacing;
    if (m_feedsAtLeastLineHeight) {
        for (const PageModel::TextRun &run : std::as_const(m_lineRuns))
            amount = qMax(amount, run.height);
    }
    feed(amount, kind, offset, true);
}

void PageBuilder::feed(qreal amount, PageModel::FeedKind kind, qsizetype offset,
                       bool returnCarriage)
{
    placeLine();
    m_model.feeds.append({m_page, m_y, amount, kind, offset});
    if (returnCarriage)
        m_x = m_leftMargin;
    setY(m_y + amount);
    if (m_pageLength > 0 && m_y >= m_pageLength - Slack)
        newPage(PageModel::BreakKind::PageFull, offset);
}

void PageBuilder::setY(qreal y)
{
    placeLine();
    m_y = qMax<qreal>(0, y);
    reachBottom(m_y);
}

void PageBuilder::formFeed(qsizetype offset)
{
    newPage(PageModel::BreakKind::FormFeed, offset);
}

void PageBuilder::cut(bool partial, qsizetype offset)
{
    placeLine();
    m_model.cuts.append({m_page, m_y, partial, offset});
    m_x = m_leftMargin;
}

void PageBuilder::skipped(const QByteArray &bytes, PageModel::SkipKind kind,
                          const QString &description, qsizetype offset)
{
    m_model.uninterpreted.append({m_page, QPointF(m_x, m_y), bytes, kind, description, offset});
}

void PageBuilder::finish()
{
    placeLine();
    m_model.pageHeights.append(m_pageLength > 0 ? m_pageLength : m_pageBottom);
}

void PageBuilder::placeLine()
{
    if (m_lineRuns.isEmpty() && m_lineImages.isEmpty())
        return;
    qreal tallest = 0;
    qreal right = 0;
    for (const PageModel::TextRun &run : std::as_const(m_lineRuns)) {
        tallest = qMax(tallest, run.height);
        right = qMax(right, run.right());
    }
    for (const PageModel::Image &image : std::as_const(m_lineImages))
        right = qMax(right, image.position.x() + image.bits.width() * image.dotWidth);
    qreal shift = 0;
    if (m_justification != Left && right < m_model.printableWidth)
        shift = (m_model.printableWidth - right) / (m_justification == Center ? 2 : 1);
    const qreal edge = m_model.printableWidth + Slack;
    for (PageModel::TextRun &run : m_lineRuns) {
        run.position += QPointF(shift, tallest - run.height);
        run.beyondEdge = run.right() > edge;
        reachBottom(run.position.y() + run.height);
        m_model.runs.append(run);
    }
    for (PageModel::Image &image : m_lineImages) {
        image.position.rx() += shift;
        image.beyondEdge = image.position.x() + image.bits.width() * image.dotWidth > edge;
        reachBottom(image.position.y() + image.bits.height() * image.dotHeight);
        m_model.images.append(image);
    }
    m_lineRuns.clear();
    m_lineImages.clear();
}

void PageBuilder::newPage(PageModel::BreakKind kind, qsizetype offset)
{
    placeLine();
    m_model.breaks.append({m_page, m_y, kind, offset});
    m_model.pageHeights.append(m_pageLength > 0 ? m_pageLength : m_pageBottom);
    ++m_page;
    m_x = m_leftMargin;
    m_y = 0;
    m_pageBottom = 0;
}
