#pragma once

#include <QRect>
#include <cmath>

// Conversions between twips (1/1440 inch), screen pixels and font sizes for a given logical dpi.
class Twips
{
public:
    static constexpr double PerInch = 1440.0;
    static constexpr double ReferenceDpi = 96.0; // 15 twips per pixel

    static double perPixel(double logicalDpi = ReferenceDpi) { return PerInch / logicalDpi; }
    static double fromPixels(double pixels, double logicalDpi = ReferenceDpi)
    {
        return pixels * perPixel(logicalDpi);
    }
    static int toPixels(double twips, double logicalDpi = ReferenceDpi)
    {
        return int(std::lround(twips / perPixel(logicalDpi)));
    }

    // Rounds the edges rather than the width, so that controls laid side by side in twips stay
    // side by side in pixels without gaps or overlaps.
    static QRect toPixelRect(double left, double top, double width, double height,
                             double logicalDpi = ReferenceDpi)
    {
        const int x = toPixels(left, logicalDpi);
        const int y = toPixels(top, logicalDpi);
        return QRect(x, y, toPixels(left + width, logicalDpi) - x,
                     toPixels(top + height, logicalDpi) - y);
    }

    // The toolkit's point sizes are typographic points like ours (QFont::setPointSizeF takes
    // them unchanged); pixel sizes follow the logical dpi.
    static double pixelsToPoints(double pixels, double logicalDpi = ReferenceDpi)
    {
        return pixels * 72.0 / logicalDpi;
    }
};
