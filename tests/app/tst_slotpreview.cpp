#include "hexview.h"
#include "slotpreview.h"
#include "tickettextview.h"

#include <QScrollBar>
#include <QTest>

namespace
{

QStringList rowsOf(const RowTextView &view)
{
    QStringList rows;
    for (qsizetype row = 0; row < view.rowCount(); ++row)
        rows << view.rowText(row);
    return rows;
}

// A hex view that counts the rows it is asked for.
class CountingHexView : public HexView
{
public:
    using HexView::HexView;
    QString rowText(qsizetype row) const override
    {
        ++asked;
        return HexView::rowText(row);
    }
    mutable qsizetype asked = 0;
};

} // namespace

class TestSlotPreview : public QObject
{
    Q_OBJECT
private slots:
    // What the Text and the Hex view show of a slot, row by row.
    void rows_data()
    {
        QTest::addColumn<bool>("hex");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("rows");
        for (const bool hex : {false, true})
            QTest::newRow(hex ? "hex, empty" : "text, empty")
                << hex << QByteArray() << QStringList();
        QTest::newRow("text, named controls")
            << false << QByteArray("\x1b@A\r\nB\x0c\0", 8)
            << QStringList{QStringLiteral("<ESC>@A<CR><LF>"), QStringLiteral("B<FF><00>")};
        QTest::newRow("text, other bytes in hex")
            << false << QByteArray("\x01\t\x7f\x80\xff~ ", 7)
            << QStringList{QStringLiteral("<01><09><7F><80><FF>~ ")};
        QTest::newRow("text, a row ends after LF")
            << false << QByteArray("a\n\nb")
            << QStringList{QStringLiteral("a<LF>"), QStringLiteral("<LF>"), QStringLiteral("b")};
        // A line longer than a row wraps: no row is wider than 64 bytes' worth.
        QTest::newRow("text, long line wraps")
            << false << QByteArray(64, 'x') + QByteArray(64, '\x1b') + "y\n"
            << QStringList{QString(64, QLatin1Char('x')), QStringLiteral("<ESC>").repeated(64),
                           QStringLiteral("y<LF>")};
        QTest::newRow("hex, short row padded")
            << true << QByteArrayLiteral("\x1b\x41\x80\xff")
            << QStringList{QStringLiteral(
                   "00000000  1B 41 80 FF                                       .A..")};
        QByteArray twoRows;
        for (int i = 0; i < 18; ++i)
            twoRows += char(0x3a + i * 8);
        QTest::newRow("hex, full row then rest")
            << true << twoRows
            << QStringList{QStringLiteral("00000000  3A 42 4A 52 5A 62 6A 72  7A 82 8A 92 9A A2 AA "
                                          "B2  :BJRZbjrz......."),
                           QStringLiteral(
                               "00000010  BA C2                                             ..")};
    }
    void rows()
    {
        QFETCH(bool, hex);
        QFETCH(QByteArray, content);
        if (hex)
            QTEST(rowsOf(HexView(content)), "rows");
        else
            QTEST(rowsOf(TicketTextView(content)), "rows");
    }

    // Every row of a long text is found again from the sparse index, wherever it starts.
    void textRowsOfALongSlot()
    {
        QByteArray content;
        for (int i = 0; i < 1000; ++i)
            content += QByteArray(i % 150, char('a' + i % 26)) + '\n';
        TicketTextView view(content);
        QString joined;
        for (qsizetype row = 0; row < view.rowCount(); ++row)
            joined += view.rowText(row);
        QCOMPARE(joined, QString::fromLatin1(content).replace(QStringLiteral("\n"),
                                                              QStringLiteral("<LF>")));
    }

    // A 16 MiB slot opens without rendering it: drawing asks only for the rows on screen, and
    // the last row is reached through the scroll bar.
    void drawsOnlyTheVisibleRows()
    {
        const QByteArray content(16 * 1024 * 1024, 'z');
        CountingHexView view(content);
        view.resize(400, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTRY_VERIFY(view.asked > 0);
        QVERIFY2(view.asked <= 2 * (view.visibleRows() + 1),
                 qPrintable(QString::number(view.asked)));
        view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
        QCOMPARE(view.firstVisibleRow() + view.visibleRows(), view.rowCount());
        QCOMPARE(view.rowText(view.rowCount() - 1).left(8), QStringLiteral("00FFFFF0"));
    }
};

QTEST_MAIN(TestSlotPreview)
#include "tst_slotpreview.moc"
