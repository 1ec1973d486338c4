#pragma once

#include "rowtextview.h"

#include <QByteArray>

// A slot's bytes as a hex dump, 16 bytes a row: 8-digit offset, the bytes in hex (a wider gap
// after the eighth) and the printable ASCII with '.' for the rest.
class HexView : public RowTextView
{
    Q_OBJECT
public:
    static constexpr int BytesPerRow = 16;

    explicit HexView(const QByteArray &content, QWidget *parent = nullptr);

    qsizetype rowCount() const override;
    QString rowText(qsizetype row) const override;

private:
    QByteArray m_content;
};
