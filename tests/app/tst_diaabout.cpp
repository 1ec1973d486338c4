#include "diaabout.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

class TestDiaAbout : public QObject
{
    Q_OBJECT
private slots:
    // The window shows a fresh box each time (checked there); this checks what one box holds.
    void contents()
    {
        diaAbout box;
        QCOMPARE(box.windowTitle(), QStringLiteral("About ..."));
        QCOMPARE(box.findChild<QLabel *>(QStringLiteral("lblAbout"))->text(),
                 QStringLiteral("\r\n\r\nZorlaVelmarTicket\r\nV1.101\r\n\r\n\r\nDravenco"));
        QCOMPARE(box.findChild<QLabel *>(QStringLiteral("imgZorla"))->pixmap().size(),
                 QSize(471, 354));
        auto *ok = box.findChild<QPushButton *>(QStringLiteral("OKButton"));
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        box.show();
        ok->click();
        QVERIFY(!box.isVisible());
    }
};

QTEST_MAIN(TestDiaAbout)
#include "tst_diaabout.moc"
