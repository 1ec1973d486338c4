#pragma once

#include "pagemodel.h"
#include "textstyle.h"

#include <QList>

// Lays out what the interpreters tell it on pages: keeps the print position, collects the
// characters of a line and places them when the paper moves (aligned to a common baseline and,
// on receipts, justified), starts new pages, and marks what lies beyond the printable width.
class PageBuilder
{
public:
    enum Justification { Left, Center, Right };

    // pageLength 0: a roll, each page as long as what is printed on it.
    PageBuilder(PageModel &model, qreal printableWidth, qreal pageLength);

    qreal x() const { return m_x; }
    qreal y() const { return m_y; }
    int page() const { return m_page; }
    qreal printableWidth() const { return m_model.printableWidth; }

    void setLineSpacing(qreal spacing) { m_lineSpacing = spacing; }
    qreal lineSpacing() const { return m_lineSpacing; }
    // Receipt printers feed at least the tallest character of a line.
    void setFeedsAtLeastLineHeight(bool on) { m_feedsAtLeastLineHeight = on; }
    void setJustification(Justification justification) { m_justification = justification; }
    void setLeftMargin(qreal margin);
    void setPageLength(qreal length);
    // Stops at the given distances from the left margin; empty: every eight of the given width.
    void setTabStops(const QList<qreal> &stops, qreal defaultColumn);

    void character(QChar c, const TextStyle &style, qsizetype offset);
    void image(const QImage &bits, qreal dotWidth, qreal dotHeight, qsizetype offset);
    // An image printed on lines of its own: the paper moves past it.
    void rasterImage(const QImage &bits, qreal dotWidth, qreal dotHeight, qsizetype offset);
    void carriageReturn() { m_x = m_leftMargin; }
    void setX(qreal fromMargin) { m_x = qMax<qreal>(0, m_leftMargin + fromMargin); }
    void moveX(qreal delta) { m_x = qMax<qreal>(0, m_x + delta); }
    void tab();
    // The line feed of the current spacing, returning to the left margin.
    void lineFeed(PageModel::FeedKind kind, qsizetype offset);
    void feed(qreal amount, PageModel::FeedKind kind, qsizetype offset, bool returnCarriage);
    void setY(qreal y);
    void formFeed(qsizetype offset);
    void cut(bool partial, qsizetype offset);
    void skipped(const QByteArray &bytes, PageModel::SkipKind kind, const QString &description,
                 qsizetype offset);
    // Places the last line and closes the last page.
    void finish();

private:
    void placeLine();
    void newPage(PageModel::BreakKind kind, qsizetype offset);
    void reachBottom(qreal bottom) { m_pageBottom = qMax(m_pageBottom, bottom); }

    PageModel &m_model;
    qreal m_pageLength;
    qreal m_x = 0;
    qreal m_y = 0;
    int m_page = 0;
    qreal m_pageBottom = 0;
    qreal m_leftMargin = 0;
    qreal m_lineSpacing = 60;
    bool m_feedsAtLeastLineHeight = false;
    Justification m_justification = Left;
    QList<qreal> m_tabStops;
    qreal m_defaultTab = 8 * 36;
    QList<PageModel::TextRun> m_lineRuns;
    QList<PageModel::Image> m_lineImages;
    TextStyle m_runStyle;
};
