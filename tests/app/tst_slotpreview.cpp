#include "hexview.h"
#include "slotpreview.h"
#include "tickettextview.h"

#include <QScrollBar>
#include <QTabWidget>
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
    void textRows_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("empty") << QByteArray() << QStringList();
        QTest::newRow("named controls")
            << QByteArray("\x1b@A\r\nB\x0c\0", 8)
            << QStringList{QStringLiteral("<ESC>@A<CR><LF>"), QStringLiteral("B<FF><00>")};
        QTest::newRow("other bytes in hex")
            << QByteArray("\x01\t\x7f\x80\xff~ ", 7)
            << QStringList{QStringLiteral("<01><09><7F><80><FF>~ ")};
        QTest::newRow("a row ends after LF")
            << QByteArray("a\n\nb")
            << QStringList{QStringLiteral("a<LF>"), QStringLiteral("<LF>"), QStringLiteral("b")};
        // A line longer than a row wraps: no row is wider than 64 bytes' worth.
        const QByteArray line = QByteArray(64, 'x') + QByteArray(64, '\x1b') + "y\n";
        QTest::newRow("long line wraps")
            << line
            << QStringList{QString(64, QLatin1Char('x')), QStringLiteral("<ESC>").repeated(64),
                           QStringLiteral("y<LF>")};
    }
    void textRows()
    {
        QFETCH(QByteArray, content);
        TicketTextView view(content);
        QTEST(rowsOf(view), "rows");
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

    void hexRows_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("empty") << QByteArray() << QStringList();
        QTest::newRow("short row padded")
            << QByteArrayLiteral("\x1b\x41\x80\xff")
            << QStringList{QStringLiteral(
                   "00000000  1B 41 80 FF                                       .A..")};
        QByteArray twoRows;
        for (int i = 0; i < 18; ++i)
            twoRows += char(0x3a + i * 8);
        QTest::newRow("full row then rest")
            << twoRows
            << QStringList{QStringLiteral("00000000  3A 42 4A 52 5A 62 6A 72  7A 82 8A 92 9A A2 AA "
                                          "B2  :BJRZbjrz......."),
                           QStringLiteral(
                               "00000010  BA C2                                             ..")};
    }
    void hexRows()
    {
        QFETCH(QByteArray, content);
        HexView view(content);
        QTEST(rowsOf(view), "rows");
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

    // The title names where the bytes came from; further views come as tabs after Text and Hex.
    void titleAndTabs()
    {
        using Source = SlotPreview::Source;
        QCOMPARE(SlotPreview::title(QStringLiteral("T"), Source::PrintFile,
                                    QStringLiteral("ticket.txt")),
                 QStringLiteral("T \u2014 ticket.txt"));
        QCOMPARE(SlotPreview::title(QStringLiteral("P1"), Source::ProgrammingFile,
                                    QStringLiteral("a.dat")),
                 QStringLiteral("P1 \u2014 from the programming file a.dat"));
        QCOMPARE(SlotPreview::title(QStringLiteral("P1"), Source::Device, QString()),
                 QStringLiteral("P1 (read from device)"));

        SlotPreview preview(QStringLiteral("T"), QByteArray("abc"));
        preview.addView(new QWidget, QStringLiteral("Other"));
        QCOMPARE(preview.tabs()->count(), 3);
        QCOMPARE(preview.tabs()->tabText(2), QStringLiteral("Other"));
    }
};

QTEST_MAIN(TestSlotPreview)
#include "tst_slotpreview.moc"
