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
        QTest::addColumn<bool>("split");
        QTest::addColumn<bool>("quiet"); // the line goes quiet after each piece
        QTest::addColumn<QByteArrayList>("pieces");
        QTest::addColumn<QByteArrayList>("replies"); // completed, in order
        const QByteArray noise1000(1000, 'N');
        const QByteArray reply("@EA000-41424344\r");
        QTest::newRow("carriage return inside a piece")
            << qsizetype(1024) << false << true << QByteArrayList{"E04", "10-OK\rE0", "414-OK\r"}
            << QByteArrayList{"E0410-OK\rE0", "414-OK\r"};
        QTest::newRow("nine characters with @, then quiet")
            << qsizetype(1024) << false << true
            << QByteArrayList{"@E04", "10-41", "@E0411-4", "2X", "\r"}
            << QByteArrayList{"@E0410-41", "@E0411-42X\r"};
        QTest::newRow("nine characters without @")
            << qsizetype(1024) << false << true << QByteArrayList{"E0410-41X", "\r"}
            << QByteArrayList{"E0410-41X\r"};
        QTest::newRow("a piece at the limit starts afresh")
            << qsizetype(16) << false << true << QByteArrayList{"@E0", "0123456789ABCDEF", "\r"}
            << QByteArrayList{"0123456789ABCDEF\r"};
        QTest::newRow("overflow keeps the newest characters")
            << qsizetype(16) << false << true << QByteArrayList{"xxxxxxxxxx", "yyyyyyyyyy", "z\r"}
            << QByteArrayList{"xxxxxyyyyyyyyyyz\r"};
        QTest::newRow("flood before a reply")
            << ReplyAssembler::defaultLimit << false << true
            << QByteArrayList{noise1000, noise1000, noise1000 + reply}
            << QByteArrayList{(noise1000 + reply).right(ReplyAssembler::keptAfterOverflow + 1)};
        QTest::newRow("nine characters with @ that go on within the gap")
            << qsizetype(1024) << true << false << QByteArrayList{"@EA004-41", "4243\r"}
            << QByteArrayList{"@EA004-414243\r"};
        QTest::newRow("line feeds and NULs in front of a reply")
            << qsizetype(1024) << true << true
            << QByteArrayList{"\n", "OK\r\n", QByteArray("\0\n@EA004-4", 10), "1\n"}
            << QByteArrayList{"OK\r", "@EA004-41"};
        QTest::newRow("a reply that is only a carriage return")
            << qsizetype(1024) << false << true << QByteArrayList{"\n\r"} << QByteArrayList{"\r"};
        QTest::newRow("split: a stale reply and the next in one piece")
            << qsizetype(1024) << true << false
            << QByteArrayList{"@EA000-11\r@EA004-22\r@EA", "008-33\r"}
            << QByteArrayList{"@EA000-11\r", "@EA004-22\r", "@EA008-33\r"};
        QTest::newRow("split: a flood cut before the reply")
            << qsizetype(16) << true << true << QByteArrayList{QByteArray(40, 'N') + "OK\rNEXT\r"}
            << QByteArrayList{QByteArray(14, 'N') + "OK\r", "NEXT\r"};
        QTest::newRow("limit below nine characters")
            << qsizetype(4) << false << true << QByteArrayList{"@E04", "10-41"}
            << QByteArrayList{"@E0410-41"};
    }
    void feed()
    {
        QFETCH(qsizetype, limit);
        QFETCH(bool, split);
        QFETCH(bool, quiet);
        QFETCH(QByteArrayList, pieces);
        ReplyAssembler assembler;
        assembler.setLimit(limit);
        assembler.setSplit(split);
        QByteArrayList completed;
        for (const QByteArray &piece : pieces) {
            assembler.append(piece);
            while (const auto reply = assembler.take())
                completed.append(*reply);
            if (const auto reply = quiet ? assembler.takeShortReply() : std::nullopt)
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
