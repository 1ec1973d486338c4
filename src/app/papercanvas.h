#pragma once

#include "pagemodel.h"
#include "pagepainter.h"

#include <QWidget>
#include <memory>

// The drawn paper inside the preview's scroll area: paints only what is exposed, at the zoom
// chosen, and names the passed-over bytes of the marker under the mouse in a tooltip.
class PaperCanvas : public QWidget
{
    Q_OBJECT
public:
    explicit PaperCanvas(QWidget *parent = nullptr);

    void setModel(const PageModel &model);
    const PageModel &model() const { return m_model; }
    void setZoom(qreal zoom);
    qreal zoom() const { return m_zoom; }
    // Screen pixels per unit of 1/360 inch at the current zoom (100 % shows 96 dots an inch).
    qreal scale() const { return m_zoom * 96 / PageModel::unitsPerInch; }
    // The tooltip text of a passed-over item.
    static QString describe(const PageModel::Uninterpreted &item);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    PageModel m_model;
    std::unique_ptr<PagePainter> m_painter;
    qreal m_zoom = 1;
};
