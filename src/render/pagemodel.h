#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QString>

// What a print file puts on paper, in units of 1/360 inch measured from the top left corner of
// the printable area of each page: text runs, bit images, feeds, cuts, page breaks and the bytes
// that were not drawn. Every item names the page it is on and the offset of its first byte.
struct PageModel {
    static constexpr qreal unitsPerInch = 360;

    enum Attribute {
        Bold = 0x01,
        Underline = 0x02,
        Italic = 0x04,
        Reverse = 0x08,
        Condensed = 0x10,
        DoubleStrike = 0x20,
    };

    struct TextRun {
        int page = 0;
        QPointF position; // top left of the first character cell
        QString text;
        qreal charWidth = 0; // the advance of one character, enlargement included
        qreal height = 0;    // the character cell, enlargement included
        int widthScale = 1;
        int heightScale = 1;
        int attributes = 0;
        qsizetype offset = 0;
        bool beyondEdge = false; // part of the run lies right of the printable area
        qreal right() const { return position.x() + charWidth * text.size(); }
    };

    struct Image {
        int page = 0;
        QPointF position;
        QImage bits; // one bit a dot, set bits print
        qreal dotWidth = 0;
        qreal dotHeight = 0;
        qsizetype offset = 0;
        bool beyondEdge = false;
    };

    enum class FeedKind { LineFeed, FeedUnits, FeedLines, VerticalTab };
    struct Feed {
        int page = 0;
        qreal y = 0; // where the feed starts
        qreal amount = 0;
        FeedKind kind = FeedKind::LineFeed;
        qsizetype offset = 0;
    };

    struct Cut {
        int page = 0;
        qreal y = 0;
        bool partial = false;
        qsizetype offset = 0;
    };

    enum class BreakKind { FormFeed, PageFull };
    struct PageBreak {
        int page = 0; // the page that ends
        qreal y = 0;
        BreakKind kind = BreakKind::FormFeed;
        qsizetype offset = 0;
    };

    // Bytes passed over: a command known but not drawn (skipped by its length), the job preamble,
    // a command this family does not know, or a command cut short by the end of the file.
    enum class SkipKind { Skipped, Preamble, Unknown, Truncated };
    struct Uninterpreted {
        int page = 0;
        QPointF position;
        QByteArray bytes;
        SkipKind kind = SkipKind::Unknown;
        QString description;
        qsizetype offset = 0;
    };

    QList<TextRun> runs;
    QList<Image> images;
    QList<Feed> feeds;
    QList<Cut> cuts;
    QList<PageBreak> breaks;
    QList<Uninterpreted> uninterpreted;
    QList<qreal> pageHeights; // one for each page; a receipt's page is as long as its content
    qreal printableWidth = 0;
    qreal leftMargin = 0; // between the paper's left edge and the printable area
    qreal paperWidth = 0;
    bool continuousPaper = true; // receipt roll; a sheet of fixed length otherwise

    int pageCount() const { return int(pageHeights.size()); }
    // Puts other's pages after these; its offsets count on from offsetBase.
    void append(const PageModel &other, qsizetype offsetBase);
    qsizetype unknownCount() const;
    int linesBeyondEdge() const;
};
