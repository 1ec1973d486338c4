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
        // Pieces and completed replies are separated by "|".
        const auto row = [](const char *name, qsizetype limit, bool split, bool quiet,
                            const QByteArray &pieces, const QByteArray &replies) {
            QTest::newRow(name) << limit << split << quiet << pieces.split('|')
                                << replies.split('|');
        };
        const QByteArray noise(1000, 'N'), reply("@EA000-41424344\r");
        row("carriage return inside a piece", 1024, false, true, "E04|10-OK\rE0|414-OK\r",
            "E0410-OK\rE0|414-OK\r");
        row("nine characters with @, then quiet", 1024, false, true, "@E04|10-41|@E0411-4|2X|\r",
            "@E0410-41|@E0411-42X\r");
        row("nine characters without @", 1024, false, true, "E0410-41X|\r", "E0410-41X\r");
        row("a piece at the limit starts afresh", 16, false, true, "@E0|0123456789ABCDEF|\r",
            "0123456789ABCDEF\r");
        row("overflow keeps the newest characters", 16, false, true, "xxxxxxxxxx|yyyyyyyyyy|z\r",
            "xxxxxyyyyyyyyyyz\r");
        row("flood before a reply", ReplyAssembler::defaultLimit, false, true,
            noise + '|' + noise + '|' + noise + reply,
            (noise + reply).right(ReplyAssembler::keptAfterOverflow + 1));
        row("nine characters with @ that go on within the gap", 1024, true, false,
            "@EA004-41|4243\r", "@EA004-414243\r");
        row("line feeds and NULs in front of a reply", 1024, true, true,
            QByteArray("\n|OK\r\n|\0\n@EA004-4|1\n", 20), "OK\r|@EA004-41");
        row("a reply that is only a carriage return", 1024, false, true, "\n\r", "\r");
        row("split: a stale reply and the next in one piece", 1024, true, false,
            "@EA000-11\r@EA004-22\r@EA|008-33\r", "@EA000-11\r|@EA004-22\r|@EA008-33\r");
        row("split: a flood cut before the reply", 16, true, true,
            QByteArray(40, 'N') + "OK\rNEXT\r", QByteArray(14, 'N') + "OK\r|NEXT\r");
        row("limit below nine characters", 4, false, true, "@E04|10-41", "@E0410-41");
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
