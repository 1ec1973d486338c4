#include "diaabout.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

class TestDiaAbout : public QObject
{
    Q_OBJECT
private slots:
    void contentsAreTheSameAtEveryLoad();
};

void TestDiaAbout::contentsAreTheSameAtEveryLoad()
{
    const QString expected =
        QStringLiteral("\r\n\r\nZorlaVelmarTicket\r\nV1.101\r\n\r\n\r\nDravenco");
    for (int shown = 0; shown < 2; ++shown) {
        diaAbout box;
        QCOMPARE(box.windowTitle(), QStringLiteral("About ..."));
        QCOMPARE(box.findChild<QLabel *>(QStringLiteral("lblAbout"))->text(), expected);
        QCOMPARE(box.findChild<QLabel *>(QStringLiteral("imgZorla"))->pixmap().size(),
                 QSize(471, 354));
        QVERIFY(!box.windowIcon().isNull());
        auto *ok = box.findChild<QPushButton *>(QStringLiteral("OKButton"));
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        box.show();
        ok->click();
        QVERIFY(!box.isVisible());
    }
}

QTEST_MAIN(TestDiaAbout)
#include "tst_diaabout.moc"
