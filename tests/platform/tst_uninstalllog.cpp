#include "uninstalllog.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestUninstallLog : public QObject
{
    Q_OBJECT

private slots:
    void blockIsWrittenOnce_data()
    {
        QTest::addColumn<QByteArray>("log");
        QTest::addColumn<bool>("appended");
        QTest::newRow("fresh log") << QByteArray("Setup log\r\nfile: a.exe\r\n") << true;
        QTest::newRow("already registered") << QByteArray("Setup\r\nx\r\n") << false;
        QTest::newRow("one byte") << QByteArray("x") << false;
        QTest::newRow("two bytes") << QByteArray("ab") << false;
        QTest::newRow("three bytes, not marked") << QByteArray("abc") << true;
        QTest::newRow("no log: none is made") << QByteArray() << false;
    }

    void blockIsWrittenOnce()
    {
        QFETCH(QByteArray, log);
        QFETCH(bool, appended);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("ST6UNST.LOG"));
        QFile file(path);
        if (!log.isNull()) {
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(log);
            file.close();
        }

        // Two starts in a row never write the block twice.
        UninstallLog::registerSettings(path);
        UninstallLog::registerSettings(path);
        QCOMPARE(file.exists(), !log.isNull());
        if (log.isNull())
            return;
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray expected = appended ? log + UninstallLog::registrationBlock() : log;
        QCOMPARE(file.readAll(), expected);
    }
};

QTEST_GUILESS_MAIN(TestUninstallLog)
#include "tst_uninstalllog.moc"
