#include "memorymap.h"

#include <QtTest>

// Read-reply decoding.
class TestMemoryMap : public QObject
{
    Q_OBJECT
private slots:
    void replyBytes_data();
    void replyBytes();
};

void TestMemoryMap::replyBytes_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<DeviceClass>("deviceClass");
    QTest::addColumn<QByteArray>("bytes"); // empty: no usable data
    QTest::newRow("class 1, nine characters")
        << QByteArray("@E0410-FF") << DeviceClass::ZorlaOld << QByteArray("\xff");
    QTest::newRow("entry") << QByteArray("@E9FFE-A000A002\r") << DeviceClass::Velmar
                           << QByteArray("\xa0\x00\xa0\x02", 4);
    QTest::newRow("lower case") << QByteArray("@E0410-0a0b0c0d\r") << DeviceClass::Zorla
                                << QByteArray("\n\v\f\r");
    QTest::newRow("short") << QByteArray("@E0410-616263\r") << DeviceClass::Zorla << QByteArray();
    QTest::newRow("not hex") << QByteArray("@E0410-6G\r") << DeviceClass::ZorlaOld << QByteArray();
    QTest::newRow("no class") << QByteArray("@E0410-61\r") << DeviceClass::None << QByteArray();
}

void TestMemoryMap::replyBytes()
{
    QFETCH(QByteArray, reply);
    QFETCH(DeviceClass, deviceClass);
    QFETCH(QByteArray, bytes);
    QCOMPARE(readReplyBytes(reply, deviceClass).value_or(QByteArray()), bytes);
}

QTEST_GUILESS_MAIN(TestMemoryMap)
#include "tst_memorymap.moc"
