#include "familydetector.h"
#include "printinterpreter.h"
#include "testfiles.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace
{

QString number(qreal value)
{
    return QString::number(qRound(value * 10) / 10.0);
}

QString attributes(int flags)
{
    QString out;
    const char *names = "BUIRCD";
    for (int bit = 0; bit < 6; ++bit) {
        if (flags & (1 << bit))
            out += QLatin1Char(names[bit]);
    }
    return out;
}

// "text"@x,y/w[attributes][^] per run, one page after the other ("|" between pages).
QString describeRuns(const PageModel &model)
{
    QStringList out;
    int page = 0;
    for (const PageModel::TextRun &run : model.runs) {
        for (; page < run.page; ++page)
            out << QStringLiteral("|");
        out << QStringLiteral("\"%1\"@%2,%3/%4%5%6")
                   .arg(run.text, number(run.position.x()), number(run.position.y()),
                        number(run.charWidth), attributes(run.attributes),
                        run.beyondEdge ? QStringLiteral("^") : QString());
    }
    return out.join(QLatin1Char(' '));
}

// y+amount per feed.
QString describeFeeds(const PageModel &model)
{
    QStringList out;
    for (const PageModel::Feed &feed : model.feeds)
        out << number(feed.y) + QLatin1Char('+') + number(feed.amount);
    return out.join(QLatin1Char(' '));
}

// kind@offset:bytes per passed-over item; kinds s(kipped), p(reamble), u(nknown), t(runcated).
QString describeSkips(const PageModel &model)
{
    QStringList out;
    for (const PageModel::Uninterpreted &item : model.uninterpreted)
        out << QStringLiteral("%1@%2:%3")
                   .arg(QLatin1Char("sput"[int(item.kind)]))
                   .arg(item.offset)
                   .arg(QString::fromLatin1(item.bytes.toHex()));
    return out.join(QLatin1Char(' '));
}

} // namespace

class TestPrintInterpreter : public QObject
{
    Q_OBJECT
private slots:
    void pages_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("paper");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("runs");
        QTest::addColumn<QString>("feeds");
        QTest::addColumn<QString>("skips");
        const auto row = [](const char *name, const char *family, const char *paper,
                            const QByteArray &bytes, const QString &runs, const char *feeds = "",
                            const char *skips = "") {
            QTest::newRow(name) << QString::fromLatin1(family) << QString::fromLatin1(paper)
                                << bytes << runs << QString::fromLatin1(feeds)
                                << QString::fromLatin1(skips);
        };
        // ESC E takes a parameter in ESC/POS only: read as ESC/P, bold stays on and the
        // parameters are a control code and a NUL.
        const QByteArray bold("\033E\001Hi\r\n\033E\000x\033J\022", 14);
        row("escpos bold", "escpos", "80col", bold, u"\"Hi\"@0,0/36B \"x\"@0,72/36"_s,
            "0+72 72+36");
        row("escp24 bold stays", "escp24", "80col", bold, u"\"Hi\"@0,0/36B \"x\"@0,60/36B"_s,
            "0+60 60+36", "u@2:01");
        row("escp9 feed units", "escp9", "80col", bold, u"\"Hi\"@0,0/36B \"x\"@0,60/36B"_s,
            "0+60 60+30", "u@2:01");
        row("escp line spacing", "escp24", "80col", "a\n\0330b\n\0333\024c\n\033A\014d\n",
            u"\"a\"@0,0/36 \"b\"@0,60/36 \"c\"@0,105/36 \"d\"@0,145/36"_s,
            "0+60 60+45 105+40 145+72");
        row("escp9 line spacing", "escp9", "80col", "\0331a\n\033A\014b\n\0333\030c\n",
            u"\"a\"@0,0/36 \"b\"@0,35/36 \"c\"@0,95/36"_s, "0+35 35+60 95+40");
        row("escp pitch condensed double", "escp24", "80col", "\033Mab\017cd\022\016ef\ngh\033! i",
            u"\"ab\"@0,0/30 \"cd\"@60,0/18C \"ef\"@96,0/60 \"gh\"@0,60/30 \"i\"@60,60/72"_s,
            "0+60");
        row("escp underline italic tabs backspace", "escp24", "80col",
            "\033-1a\033-0\t\0334b\010\0335c", u"\"a\"@0,0/36U \"b\"@288,0/36I \"c\"@288,0/36"_s);
        row("escp length-prefixed and unknown", "escp24", "80col",
            QByteArray("\033(x\002\000ABC\033~D", 11), u"\"CD\"@0,0/36"_s, "",
            "s@0:1b287802004142 u@8:1b7e");
        row("escp form feed", "escp24", "80col", "A\014B", u"\"A\"@0,0/36 | \"B\"@0,0/36"_s);
        row("escp position and margin", "escp24", "80col",
            QByteArray("\033l\002a\033$\012\000b\033\\\022\000c", 14),
            u"\"a\"@72,0/36 \"b\"@132,0/36 \"c\"@204,0/36"_s);
        row("escpos sizes and centre", "escpos", "80mm", "\033a\001\035!\021ab\n\033!\010c",
            u"\"ab\"@467.7,0/42.5 \"c\"@499.6,85/21.3B"_s, "0+85");
        row("escpos feeds and cut", "escpos", "80mm", "A\n\033d\002\033J\012\035VB\005B",
            u"\"A\"@0,0/21.3 \"B\"@0,210/21.3"_s, "0+60 60+120 180+20 200+10");
        row("escpos reverse underline font b", "escpos", "58mm",
            QByteArray("\035B\001a\035B\000\033-\002b\033M\001c", 15),
            u"\"a\"@0,0/21.3R \"b\"@21.3,0/21.3U \"c\"@42.5,12.4/15.9U"_s);
        row("escpos beyond the edge", "escpos", "58mm", QByteArray(33, 'x'),
            u"\""_s + QString(33, QLatin1Char('x')) + u"\"@0,0/21.3^"_s);
        row("escpos unknown and skipped", "escpos", "80mm",
            QByteArray("\033V\001a\033\177b\035k\00212\000c", 14), u"\"abc\"@0,0/21.3"_s, "",
            "s@0:1b5601 u@4:1b7f s@7:1d6b02313200");
        row("escp truncated image", "escp24", "80col", QByteArray("AB\033*!\005\000\001\002", 9),
            u"\"AB\"@0,0/36"_s, "", "t@2:1b2a2105000102");
        row("escpos truncated command", "escpos", "80mm", "AB\035", u"\"AB\"@0,0/21.3"_s, "",
            "t@2:1d");
        row("job preamble", "escp24", "80col",
            QByteArray("\0\0\0\033\001@EJL 1284.4\n@EJL     \n\033@Hi", 31), u"\"Hi\"@0,0/36"_s, "",
            "p@3:1b0140454a4c20313238342e340a40454a4c20202020200a");
        row("preamble in an ESC/POS file", "escpos", "80mm", "A\n@EJL 1284.4\nB",
            u"\"A\"@0,0/21.3 \"B\"@0,60/21.3"_s, "0+60", "p@2:40454a4c20313238342e340a");
    }
    void pages()
    {
        QFETCH(QString, family);
        QFETCH(QString, paper);
        QFETCH(QByteArray, bytes);
        const PrintInterpreter::Result result = PrintInterpreter::interpret(
            bytes, *PrinterFamily::fromKey(family), *PaperFormat::fromKey(paper));
        QTEST(describeRuns(result.model), "runs");
        QTEST(describeFeeds(result.model), "feeds");
        QTEST(describeSkips(result.model), "skips");
        QVERIFY(result.familyReason.isEmpty());
    }

    void codePages_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("escpos 437 by default") << u"escpos"_s << QByteArray("\x9b\xe1") << u"¢ß"_s;
        QTest::newRow("escpos 850") << u"escpos"_s << QByteArray("\x1bt\x02\x9b\xd5") << u"øı"_s;
        QTest::newRow("escpos 858") << u"escpos"_s << QByteArray("\x1bt\x13\x9b\xd5") << u"ø€"_s;
        QTest::newRow("escpos 1252") << u"escpos"_s << QByteArray("\x1bt\x10\x80\xe9") << u"€é"_s;
        QTest::newRow("escp 437 by default") << u"escp24"_s << QByteArray("\xb3\xc4") << u"│─"_s;
        QTest::newRow("escp italic table")
            << u"escp24"_s << QByteArray("\x1bt\x00\xc1", 4) << u"A"_s;
        QTest::newRow("escp table assigned 850")
            << u"escp24"_s << QByteArray("\x1b(t\x03\x00\x01\x03\x00\x1bt\x01\x9b", 12) << u"ø"_s;
        QTest::newRow("escp table assigned 858, selected by digit")
            << u"escp24"_s << QByteArray("\x1b(t\x03\x00\x33\x2c\x00\x1bt\x33\x9b\xd5", 13)
            << u"ø€"_s;
        QTest::newRow("escp Latin 1 and Latin 9")
            << u"escp24"_s
            << QByteArray("\x1b(t\x03\x00\x01\x1d\x10\x1b(t\x03\x00\x02\x1d\x0f"
                          "\x1bt\x01\x80\xa4\xe9\x1bt\x02\xa4",
                          26)
            << u"¤é€"_s;
    }
    void codePages()
    {
        QFETCH(QString, family);
        QFETCH(QByteArray, bytes);
        const PageModel model = PrintInterpreter::interpret(bytes, *PrinterFamily::fromKey(family),
                                                            PaperFormat::automatic())
                                    .model;
        QCOMPARE(model.uninterpreted.size(), 0);
        QString text;
        for (const PageModel::TextRun &run : model.runs)
            text += run.text;
        QTEST(text, "text");
    }

    // A raster image (GS v 0) and a column image (ESC *): their bits, and the text after them.
    void images()
    {
        const PageModel receipt =
            PrintInterpreter::interpret(QByteArray("\035v0\000\001\000\002\000\200\001A", 11),
                                        PrinterFamily::EscPos, PaperFormat::automatic())
                .model;
        QCOMPARE(receipt.images.size(), 1);
        const QImage &raster = receipt.images.at(0).bits;
        QCOMPARE(raster.size(), QSize(8, 2));
        QCOMPARE(
            QList<int>({raster.pixelIndex(0, 0), raster.pixelIndex(7, 1), raster.pixelIndex(1, 0)}),
            QList<int>({1, 1, 0}));
        QCOMPARE(describeRuns(receipt), QStringLiteral("\"A\"@0,4/21.3"));

        const PageModel sheet =
            PrintInterpreter::interpret(QByteArray("\033*'\002\000\200\000\001\377\377\377A", 12),
                                        PrinterFamily::EscP24, PaperFormat::automatic())
                .model;
        QCOMPARE(sheet.images.size(), 1);
        const PageModel::Image &image = sheet.images.at(0);
        QCOMPARE(image.bits.size(), QSize(2, 24));
        QCOMPARE(QList<int>({image.bits.pixelIndex(0, 0), image.bits.pixelIndex(0, 23),
                             image.bits.pixelIndex(0, 1)}),
                 QList<int>({1, 1, 0}));
        QCOMPARE(image.dotWidth, 2.0);
        QCOMPARE(describeRuns(sheet), QStringLiteral("\"A\"@4,0/36"));
    }

    void detection_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("reason");
        const auto row = [](const char *name, const QByteArray &bytes, const char *family,
                            const QString &reason) {
            QTest::newRow(name) << bytes << QString::fromLatin1(family) << reason;
        };
        row("ESC E n", "\033E\001Hi", "escpos", u"ESC E n (1×"_s);
        row("cut", QByteArray("Hi\035V\000", 5), "escpos", u"GS V"_s);
        row("ESC E without parameter", "\033EHi\033F", "escp24", u"ESC E without parameter"_s);
        row("nine-pin spacing", "\0331\0334a", "escp9", u"ESC 1"_s);
        row("plain text", "Hi\r\n", "escpos", u"no command"_s);
        row("preamble", "\033\001@EJL 1284.4\n\033E\001", "escp24", u"print-job preamble"_s);
        row("image data is not read as commands", QByteArray("\033*\000\003\000\035V\000\0334", 10),
            "escp24", u"ESC 4"_s);
        row("more of one family wins", "\033E\001\033d\002\0334", "escpos", u"ESC d"_s);
    }
    void detection()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        const PrintInterpreter::Result result =
            PrintInterpreter::interpret(bytes, PrinterFamily::Automatic, PaperFormat::automatic());
        QTEST(PrinterFamily::key(result.family), "family");
        QVERIFY2(result.familyReason.contains(reason), qPrintable(result.familyReason));
    }

    void examples_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("boldText");
        QTest::addColumn<int>("pages");
        QTest::newRow("ticket") << u"ticket.txt"_s << u""_s << 1;
        QTest::newRow("header") << u"header.prn"_s << u"   TOTALIZE REPORT"_s << 1;
        QTest::newRow("body") << u"body.prn"_s << u""_s << 1;
        QTest::newRow("footer") << u"footer.prn"_s << u"TOTAL  3 weighings      35.205"_s << 2;
        QTest::newRow("truck1") << u"truck1.prn"_s << u"TRUCK TICKET - FIRST WEIGHING"_s << 1;
        QTest::newRow("truck2") << u"truck2.prn"_s << u"Net load  : 12.455 t"_s << 2;
    }
    // Every bundled example reads as ESC/POS on an 80 mm roll with nothing left over and no line
    // wider than the paper.
    void examples()
    {
        QFETCH(QString, file);
        const QByteArray bytes = readFile(QStringLiteral(ZV_EXAMPLES_DIR "/") + file);
        QVERIFY(!bytes.isEmpty());
        const PrintInterpreter::Result result =
            PrintInterpreter::interpret(bytes, PrinterFamily::Automatic, PaperFormat::automatic());
        QCOMPARE(result.family, PrinterFamily::EscPos);
        QCOMPARE(result.paper.key, QStringLiteral("80mm"));
        QCOMPARE(result.model.unknownCount(), 0);
        QCOMPARE(result.model.linesBeyondEdge(), 0);
        QTEST(result.model.pageCount(), "pages");
        QStringList bold;
        for (const PageModel::TextRun &run : result.model.runs) {
            if (run.attributes & PageModel::Bold)
                bold << run.text;
        }
        QTEST(bold.join(QLatin1Char('/')), "boldText");
    }
};

QTEST_GUILESS_MAIN(TestPrintInterpreter)
#include "tst_printinterpreter.moc"
