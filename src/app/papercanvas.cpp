#include "papercanvas.h"

#include <QHelpEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>

PaperCanvas::PaperCanvas(QWidget *parent) : QWidget(parent)
{
    setModel(PageModel());
}

void PaperCanvas::setModel(const PageModel &model)
{
    m_model = model;
    m_painter = std::make_unique<PagePainter>(m_model);
    setZoom(m_zoom);
}

void PaperCanvas::setZoom(qreal zoom)
{
    m_zoom = qBound<qreal>(0.25, zoom, 8);
    setFixedSize((m_painter->bounds().size() * scale()).toSize() + QSize(2, 2));
    update();
}

QString PaperCanvas::describe(const PageModel::Uninterpreted &item)
{
    const QString bytes = QString::fromLatin1(item.bytes.left(24).toHex(' ').toUpper()) +
                          (item.bytes.size() > 24 ? QStringLiteral(" …") : QString());
    return tr("%1\nbyte %2, %3 byte(s): %4")
        .arg(item.description)
        .arg(item.offset)
        .arg(item.bytes.size())
        .arg(bytes);
}

void PaperCanvas::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(scale(), scale());
    const QRectF exposed(event->rect().topLeft() / scale(), event->rect().size() / scale());
    m_painter->paint(painter, exposed);
}

bool PaperCanvas::event(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto *help = static_cast<QHelpEvent *>(event);
    const int index = m_painter->markerAt(QPointF(help->pos()) / scale());
    if (index < 0) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    QToolTip::showText(help->globalPos(), describe(m_model.uninterpreted.at(index)), this);
    return true;
}
