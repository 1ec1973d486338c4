#include "slotpreview.h"

#include <QTest>

class TestSlotPreview : public QObject
{
    Q_OBJECT
private slots:
    void renderText_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("named controls")
            << QByteArray("\x1b@A\r\nB\x0c\0", 8) << QStringLiteral("<ESC>@A<CR><LF>\nB<FF><00>");
        QTest::newRow("other bytes in hex")
            << QByteArray("\x01\t\x7f\x80\xff~ ", 7) << QStringLiteral("<01><09><7F><80><FF>~ ");
        QTest::newRow("line breaks follow LF")
            << QByteArray("a\n\nb") << QStringLiteral("a<LF>\n<LF>\nb");
    }
    void renderText()
    {
        QFETCH(QByteArray, content);
        QTEST(SlotPreview::renderText(content), "text");
    }

    void renderHex_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("hex");
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("short line padded")
            << QByteArrayLiteral("\x1b\x41\x80\xff")
            << QStringLiteral("00000000  1B 41 80 FF                                       .A..\n");
        QByteArray twoLines;
        for (int i = 0; i < 18; ++i)
            twoLines += char(0x3a + i * 8);
        QTest::newRow("full line then rest")
            << twoLines
            << QStringLiteral(
                   "00000000  3A 42 4A 52 5A 62 6A 72  7A 82 8A 92 9A A2 AA B2  :BJRZbjrz.......\n"
                   "00000010  BA C2                                             ..\n");
    }
    void renderHex()
    {
        QFETCH(QByteArray, content);
        QTEST(SlotPreview::renderHex(content), "hex");
    }

    void title()
    {
        QCOMPARE(SlotPreview::title(QStringLiteral("T"), QStringLiteral("ticket.txt")),
                 QStringLiteral("T \u2014 ticket.txt"));
        QCOMPARE(SlotPreview::title(QStringLiteral("P1"), QString()),
                 QStringLiteral("P1 (read from device)"));
    }
};

QTEST_MAIN(TestSlotPreview)
#include "tst_slotpreview.moc"
