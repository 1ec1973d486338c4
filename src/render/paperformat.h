#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// A paper the preview draws on: a receipt roll (58 or 80 mm, a number of columns of the normal
// font) or a dot-matrix sheet (80 or 136 columns at 10 characters an inch, 11 inches long).
// Lengths are in units of 1/360 inch.
struct PaperFormat {
    QString key; // "58mm", "80mm", "80mm42", "80col", "136col"; "auto" follows the family
    QString caption;
    bool receipt = true;
    int columns = 0;
    qreal paperWidth = 0;
    qreal printableWidth = 0;
    qreal pageLength = 0; // 0 on a roll

    qreal leftMargin() const { return (paperWidth - printableWidth) / 2; }
    bool isAutomatic() const { return columns == 0; }

    static QStringList keys();
    static std::optional<PaperFormat> fromKey(const QString &key);
    static PaperFormat automatic();
    // The paper a family's printers usually take: an 80 mm roll or an 80-column sheet.
    static PaperFormat defaultFor(bool receiptFamily);
};
