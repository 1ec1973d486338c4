#pragma once

#include <QString>

struct PageModel;

// Writes the pages of a page model as a picture: a PNG of all pages one below the other (at 180
// dots an inch, less where that would pass the largest image size) or a PDF with a page for each
// page (longer rolls cut into pages of at most 200 inches).
class PictureExport
{
public:
    static constexpr qreal PngDotsPerInch = 180;

    // The format follows the file name's suffix ("png" or "pdf"); false with a message in error.
    static bool write(const PageModel &model, const QString &path, QString *error);
    static bool isSupported(const QString &path);

private:
    static bool writePng(const PageModel &model, const QString &path, QString *error);
    static bool writePdf(const PageModel &model, const QString &path, QString *error);
};
