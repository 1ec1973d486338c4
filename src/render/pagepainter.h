#pragma once

#include "pagemodel.h"

#include <QList>
#include <QRectF>

class QPainter;

// Draws a page model on a QPainter in units of 1/360 inch: the pages one below the other on
// sheets of paper, text in the embedded monospace font, images, page breaks and cut marks, a
// small marker where bytes were passed over, and a red band where text runs past the printable
// width.
class PagePainter
{
public:
    static constexpr qreal PageGap = 90; // between pages, a quarter inch

    explicit PagePainter(const PageModel &model);

    // Each page's sheet in the stacked layout, paper margins included.
    const QList<QRectF> &pageRects() const { return m_pageRects; }
    // Everything the layout covers, text beyond the paper edge included.
    QRectF bounds() const { return m_bounds; }

    // Paints what meets exposed (in layout units) with the painter already scaled to units.
    void paint(QPainter &painter, const QRectF &exposed) const;
    void paintPage(QPainter &painter, int page, const QRectF &exposed) const;

    // Where a passed-over item's marker sits in the layout.
    QRectF markerRect(const PageModel::Uninterpreted &item) const;
    // The passed-over item whose marker is at point, or -1.
    int markerAt(const QPointF &point) const;

private:
    QPointF origin(int page) const;
    void paintRun(QPainter &painter, const PageModel::TextRun &run) const;
    void paintImage(QPainter &painter, const PageModel::Image &image) const;
    void paintBreaksAndCuts(QPainter &painter, int page) const;
    void paintMarkers(QPainter &painter, int page, const QRectF &exposed) const;
    void paintEdge(QPainter &painter, int page, const QRectF &exposed) const;
    void paintSheet(QPainter &painter, const QRectF &sheet, const QRectF &exposed) const;

    const PageModel &m_model;
    QList<QRectF> m_pageRects;
    QRectF m_bounds;
};
