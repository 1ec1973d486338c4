#pragma once

#include <QtGlobal>

// How the next characters print: their cell (before enlargement), enlargement and attributes.
struct TextStyle {
    qreal charWidth = 36;  // units of 1/360 inch
    qreal cellHeight = 48; // units of 1/360 inch
    int widthScale = 1;
    int heightScale = 1;
    int attributes = 0; // PageModel::Attribute flags

    qreal advance() const { return charWidth * widthScale; }
    qreal height() const { return cellHeight * heightScale; }
    bool operator==(const TextStyle &) const = default;
};
