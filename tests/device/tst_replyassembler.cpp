#include "replyassembler.h"

#include <QTest>

// Replies put together from the pieces a port delivers.
class TestReplyAssembler : public QObject
{
    Q_OBJECT
private slots:
    void feed_data()
    {
        QTest::addColumn<qsizetype>("limit");
        QTest::addColumn<QByteArrayList>("pieces");
        QTest::addColumn<QByteArrayList>("replies"); // completed, in order
        const QByteArray noise1000(1000, 'N');
        const QByteArray reply("@EA000-41424344\r");
        QTest::newRow("carriage return inside a piece")
            << qsizetype(1024) << QByteArrayList{"E04", "10-OK\rE0", "414-OK\r"}
            << QByteArrayList{"E0410-OK\rE0", "414-OK\r"};
        QTest::newRow("nine characters with @")
            << qsizetype(1024) << QByteArrayList{"@E04", "10-41", "@E0411-4", "2X", "\r"}
            << QByteArrayList{"@E0410-41", "@E0411-42X\r"};
        QTest::newRow("nine characters without @")
            << qsizetype(1024) << QByteArrayList{"E0410-41X", "\r"}
            << QByteArrayList{"E0410-41X\r"};
        QTest::newRow("a piece at the limit starts afresh")
            << qsizetype(16) << QByteArrayList{"@E0", "0123456789ABCDEF", "\r"}
            << QByteArrayList{"0123456789ABCDEF\r"};
        QTest::newRow("overflow keeps the newest characters")
            << qsizetype(16) << QByteArrayList{"xxxxxxxxxx", "yyyyyyyyyy", "z\r"}
            << QByteArrayList{"xxxxxxyyyyyyyyyyz\r"};
        QTest::newRow("flood before a reply")
            << ReplyAssembler::defaultLimit
            << QByteArrayList{noise1000, noise1000, noise1000 + reply}
            << QByteArrayList{QByteArray(128, 'N') + noise1000 + reply};
        QTest::newRow("limit below nine characters")
            << qsizetype(4) << QByteArrayList{"@E04", "10-41"} << QByteArrayList{"@E0410-41"};
    }
    void feed()
    {
        QFETCH(qsizetype, limit);
        QFETCH(QByteArrayList, pieces);
        ReplyAssembler assembler;
        assembler.setLimit(limit);
        QByteArrayList completed;
        for (const QByteArray &piece : pieces) {
            if (const auto reply = assembler.feed(piece))
                completed.append(*reply);
        }
        QTEST(completed, "replies");
        assembler.feed("@E0");
        assembler.clear();
        QCOMPARE(assembler.feed("OK\r"), std::optional<QByteArray>("OK\r"));
    }
};

QTEST_GUILESS_MAIN(TestReplyAssembler)
#include "tst_replyassembler.moc"
