#include "pictureexport.h"

#include "pagemodel.h"
#include "pagepainter.h"

#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace
{

constexpr qreal MaximumPngSide = 32000;
constexpr qreal MaximumPdfPage = 200 * 360; // units

} // namespace

bool PictureExport::isSupported(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("png") || suffix == QLatin1String("pdf");
}

bool PictureExport::write(const PageModel &model, const QString &path, QString *error)
{
    if (!isSupported(path)) {
        *error = QStringLiteral("%1: the picture is written as .png or .pdf.").arg(path);
        return false;
    }
    return QFileInfo(path).suffix().toLower() == QLatin1String("png")
               ? writePng(model, path, error)
               : writePdf(model, path, error);
}

bool PictureExport::writePng(const PageModel &model, const QString &path, QString *error)
{
    const PagePainter pages(model);
    const QRectF bounds = pages.bounds();
    qreal scale = PngDotsPerInch / PageModel::unitsPerInch;
    scale = qMin(scale, MaximumPngSide / qMax<qreal>(1, qMax(bounds.width(), bounds.height())));
    const QSize size = (bounds.size() * scale).toSize().expandedTo(QSize(1, 1));
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull()) {
        *error = QStringLiteral("%1: not enough memory for a picture of %2 × %3 dots.")
                     .arg(path)
                     .arg(size.width())
                     .arg(size.height());
        return false;
    }
    image.fill(QColor(225, 225, 225));
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.scale(scale, scale);
        pages.paint(painter, bounds);
    }
    image.setDotsPerMeterX(qRound(scale * PageModel::unitsPerInch / 0.0254));
    image.setDotsPerMeterY(image.dotsPerMeterX());
    if (!image.save(path, "PNG")) {
        *error = QStringLiteral("%1: the picture could not be written.").arg(path);
        return false;
    }
    return true;
}

bool PictureExport::writePdf(const PageModel &model, const QString &path, QString *error)
{
    const PagePainter pages(model);
    QPdfWriter writer(path);
    writer.setResolution(int(PageModel::unitsPerInch));
    writer.setPageMargins(QMarginsF());
    writer.setCreator(QStringLiteral("zvticket"));
    QPainter painter;
    bool first = true;
    for (int page = 0; page < pages.pageRects().size(); ++page) {
        const QRectF sheet = pages.pageRects().at(page);
        const qreal width = qMax(sheet.width(), pages.bounds().width());
        for (qreal top = sheet.top(); top < sheet.bottom(); top += MaximumPdfPage) {
            const qreal height = qMin(MaximumPdfPage, sheet.bottom() - top);
            writer.setPageSize(QPageSize(QSizeF(width, height) / PageModel::unitsPerInch,
                                         QPageSize::Inch, QString(), QPageSize::ExactMatch));
            if (first && !painter.begin(&writer)) {
                *error = QStringLiteral("%1: the PDF could not be written.").arg(path);
                return false;
            }
            if (!first)
                writer.newPage();
            first = false;
            painter.save();
            painter.translate(0, -top);
            pages.paintPage(painter, page, QRectF(0, top, width, height));
            painter.restore();
        }
    }
    if (!painter.end()) {
        *error = QStringLiteral("%1: the PDF could not be written.").arg(path);
        return false;
    }
    return true;
}
