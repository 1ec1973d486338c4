#include "memorymap.h"
#include "progresscounter.h"

#include <QtTest>

// Command texts, directory addresses, read-reply decoding and the progress rule.
class TestMemoryMap : public QObject
{
    Q_OBJECT
private slots:
    void commands_data();
    void commands();
    void entryAddresses();
    void replyBytes_data();
    void replyBytes();
    void percentage_data();
    void percentage();
    void velmarReadingProgress();
};

void TestMemoryMap::commands_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("one byte") << MemoryWriteCommand(0x0410, "a") << QByteArray("@E0410-61\r");
    QTest::newRow("four bytes, fill")
        << MemoryWriteCommand(0xA000, QByteArray("abc\xff", 4)) << QByteArray("@EA000-616263FF\r");
    QTest::newRow("entry") << MemoryWriteCommand(0x9FFE, directoryEntryBytes(0xA000, 0xA002))
                           << QByteArray("@E9FFE-A000A002\r");
    QTest::newRow("low bytes") << MemoryWriteCommand(0x040C, QByteArray("\x00\x0a", 2))
                               << QByteArray("@E040C-000A\r");
    QTest::newRow("read") << MemoryReadCommand(0x9FFE) << QByteArray("@E9FFE-??\r");
    QTest::newRow("read zorla") << MemoryReadCommand(0x0401) << QByteArray("@E0401-??\r");
}

void TestMemoryMap::commands()
{
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, expected);
    QCOMPARE(command, expected);
}

void TestMemoryMap::entryAddresses()
{
    const quint16 zorla[] = {0x0400, 0x0404, 0x0408, 0x040C};
    const quint16 velmar[] = {0x9FFE, 0x9FFA, 0x9FF6, 0x9FF2, 0x9FEE, 0x9FEA};
    for (int n = 1; n <= 4; ++n)
        QCOMPARE(DirectoryEntryAddress(Layout::Zorla, n), zorla[n - 1]);
    for (int n = 1; n <= 6; ++n)
        QCOMPARE(DirectoryEntryAddress(Layout::Velmar, n), velmar[n - 1]);
    QCOMPARE(layoutFor(0), Layout::None);
    QCOMPARE(layoutFor(4), Layout::Zorla);
    QCOMPARE(layoutFor(8), Layout::Velmar);
    QCOMPARE(writeUnit(8), 4);
}

void TestMemoryMap::replyBytes_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("deviceClass");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("class 1") << QByteArray("@E0410-61\r") << 1 << true << QByteArray("a");
    QTest::newRow("class 1, nine characters")
        << QByteArray("@E0410-FF") << 1 << true << QByteArray("\xff");
    QTest::newRow("entry") << QByteArray("@E9FFE-A000A002\r") << 8 << true
                           << QByteArray("\xa0\x00\xa0\x02", 4);
    QTest::newRow("lower case") << QByteArray("@E0410-0a0b0c0d\r") << 4 << true
                                << QByteArray("\x0a\x0b\x0c\x0d");
    QTest::newRow("short") << QByteArray("@E0410-616263\r") << 4 << false << QByteArray();
    QTest::newRow("not hex") << QByteArray("@E0410-6G\r") << 1 << false << QByteArray();
    QTest::newRow("no class") << QByteArray("@E0410-61\r") << 0 << false << QByteArray();
}

void TestMemoryMap::replyBytes()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, deviceClass);
    QFETCH(bool, valid);
    QFETCH(QByteArray, bytes);
    const std::optional<QByteArray> decoded = ReadReplyBytes(reply, deviceClass);
    QCOMPARE(decoded.has_value(), valid);
    if (valid)
        QCOMPARE(*decoded, bytes);
}

void TestMemoryMap::percentage_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("percent");
    QTest::newRow("12.5 to even") << 1 << 8 << 12;
    QTest::newRow("13.5 to even") << 27 << 200 << 14;
    QTest::newRow("8 of 19") << 8 << 19 << 42;
    QTest::newRow("16 of 19") << 16 << 19 << 84;
    QTest::newRow("32 of 116") << 32 << 116 << 28;
    QTest::newRow("full") << 19 << 19 << 100;
}

void TestMemoryMap::percentage()
{
    QFETCH(int, value);
    QFETCH(int, maximum);
    QFETCH(int, percent);
    QCOMPARE(ProgressCounter::percentage(value, maximum), percent);
}

void TestMemoryMap::velmarReadingProgress()
{
    ProgressCounter progress(10);
    QStringList texts;
    for (int i = 0; i < 3; ++i) {
        progress.advance(4, 8);
        texts << progress.text(QStringLiteral("Reading ..."));
    }
    QCOMPARE(texts,
             QStringList({QStringLiteral("Reading ...   40%"), QStringLiteral("Reading ...   100%"),
                          QStringLiteral("Reading ...   100%")}));
}

QTEST_GUILESS_MAIN(TestMemoryMap)
#include "tst_memorymap.moc"
