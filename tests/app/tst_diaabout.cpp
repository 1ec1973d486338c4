#include "diaabout.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

class TestDiaAbout : public QObject
{
    Q_OBJECT
private slots:
    void contents();
    void okCloses();
};

void TestDiaAbout::contents()
{
    const QString expected =
        QStringLiteral("\r\n\r\nZorlaVelmarTicket\r\nV1.101\r\n\r\n\r\nDravenco");
    QCOMPARE(diaAbout::aboutText(), expected);
    for (int shown = 0; shown < 2; ++shown) {
        diaAbout box;
        QCOMPARE(box.windowTitle(), QStringLiteral("About ..."));
        QCOMPARE(box.findChild<QLabel *>(QStringLiteral("lblAbout"))->text(), expected);
        const QLabel *picture = box.findChild<QLabel *>(QStringLiteral("imgZorla"));
        QCOMPARE(picture->pixmap().size(), QSize(471, 354));
        QCOMPARE(box.findChild<QPushButton *>(QStringLiteral("OKButton"))->text(),
                 QStringLiteral("OK"));
        QVERIFY(!box.windowIcon().isNull());
    }
}

void TestDiaAbout::okCloses()
{
    diaAbout box;
    box.show();
    QVERIFY(box.isVisible());
    box.findChild<QPushButton *>(QStringLiteral("OKButton"))->click();
    QVERIFY(!box.isVisible());
}

QTEST_MAIN(TestDiaAbout)
#include "tst_diaabout.moc"
