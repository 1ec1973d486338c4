#include "testfiles.h"
#include "uninstalllog.h"

#include <QtTest>

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
        if (!log.isNull())
            writeFile(path, log);
        // Two starts in a row never write the block twice.
        UninstallLog::registerSettings(path);
        UninstallLog::registerSettings(path);
        QCOMPARE(QFile::exists(path), !log.isNull());
        QCOMPARE(readFile(path), appended ? log + UninstallLog::registrationBlock() : log);
    }
};

QTEST_GUILESS_MAIN(TestUninstallLog)
#include "tst_uninstalllog.moc"
