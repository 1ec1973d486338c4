#pragma once

#include <QAbstractScrollArea>

// A read-only, scrollable view of numbered rows of text in a fixed-pitch font that asks its
// subclass only for the rows it draws, so that a view over millions of rows opens at once and
// holds no more than the rows on screen.
class RowTextView : public QAbstractScrollArea
{
    Q_OBJECT
public:
    explicit RowTextView(QWidget *parent = nullptr);

    virtual qsizetype rowCount() const = 0;
    // Row `row` (0 <= row < rowCount()), without a line break.
    virtual QString rowText(qsizetype row) const = 0;

    // The first row drawn and how many rows fit the viewport.
    qsizetype firstVisibleRow() const;
    int visibleRows() const;
    // The text drawn where the view has no rows.
    void setPlaceholderText(const QString &text) { m_placeholder = text; }

protected:
    // Sets the scroll ranges for the current rows; a subclass calls it once its rows are known.
    void rowsChanged();
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void updateScrollRanges();
    int rowHeight() const;
    int characterWidth() const;

    QString m_placeholder;
    bool m_rowsKnown = false;
    // The widest row drawn so far, in characters: the horizontal range grows as wider rows come
    // into view, so that no row has to be measured before it is shown.
    qsizetype m_widestDrawn = 0;
};
