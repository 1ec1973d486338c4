#pragma once

#include "rowtextview.h"

#include <QByteArray>
#include <QList>

// A slot's bytes as ticket text: printable ASCII as is; ESC, FF, CR and LF as <ESC>, <FF>,
// <CR>, <LF>; every other byte as <hh>. A row ends after <LF>, and a line longer than
// BytesPerRow bytes wraps onto the next rows.
class TicketTextView : public RowTextView
{
    Q_OBJECT
public:
    static constexpr int BytesPerRow = 64;

    explicit TicketTextView(const QByteArray &content, QWidget *parent = nullptr);

    qsizetype rowCount() const override { return m_rowCount; }
    QString rowText(qsizetype row) const override;

    // The characters that show one byte.
    static QString byteText(uchar byte);

private:
    // Where the row after the one starting at `start` starts.
    qsizetype rowEnd(qsizetype start) const;
    void indexRows();

    // Rows are found from every RowsPerMark-th row's start, so the index stays small however
    // many rows there are.
    static constexpr qsizetype RowsPerMark = 64;

    QByteArray m_content;
    QList<qsizetype> m_marks; // start of rows 0, RowsPerMark, 2 × RowsPerMark, ...
    qsizetype m_rowCount = 0;
};
