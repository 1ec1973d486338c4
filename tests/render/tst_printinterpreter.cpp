#include "familydetector.h"
#include "printinterpreter.h"

#include <QDir>
#include <QFile>
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

PrinterFamily::Id familyOf(const QString &key)
{
    return *PrinterFamily::fromKey(key);
}

QByteArray example(const QString &name)
{
    QFile file(QStringLiteral(ZV_EXAMPLES_DIR "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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

        // ESC E takes a parameter in ESC/POS only: read as ESC/P, bold stays on and the
        // parameters are a control code and a NUL.
        const QByteArray bold("\x1b"
                              "E\x01Hi\r\n\x1b"
                              "E\x00x\x1bJ\x12",
                              14);
        QTest::newRow("escpos bold")
            << u"escpos"_s << u"80col"_s << bold << u"\"Hi\"@0,0/36B \"x\"@0,72/36"_s
            << u"0+72 72+36"_s << u""_s;
        QTest::newRow("escp24 bold stays")
            << u"escp24"_s << u"80col"_s << bold << u"\"Hi\"@0,0/36B \"x\"@0,60/36B"_s
            << u"0+60 60+36"_s << u"u@2:01"_s;
        QTest::newRow("escp9 feed units")
            << u"escp9"_s << u"80col"_s << bold << u"\"Hi\"@0,0/36B \"x\"@0,60/36B"_s
            << u"0+60 60+30"_s << u"u@2:01"_s;
        QTest::newRow("escp line spacing")
            << u"escp24"_s << u"80col"_s
            << QByteArray("a\n\x1b"
                          "0b\n\x1b"
                          "3\x14"
                          "c\n\x1b"
                          "A\x0c"
                          "d\n")
            << u"\"a\"@0,0/36 \"b\"@0,60/36 \"c\"@0,105/36 \"d\"@0,145/36"_s
            << u"0+60 60+45 105+40 145+72"_s << u""_s;
        QTest::newRow("escp9 line spacing")
            << u"escp9"_s << u"80col"_s
            << QByteArray("\x1b"
                          "1a\n\x1b"
                          "A\x0c"
                          "b\n\x1b"
                          "3\x18"
                          "c\n")
            << u"\"a\"@0,0/36 \"b\"@0,35/36 \"c\"@0,95/36"_s << u"0+35 35+60 95+40"_s << u""_s;
        QTest::newRow("escp pitch condensed double")
            << u"escp24"_s << u"80col"_s
            << QByteArray("\x1bMab\x0f"
                          "cd\x12\x0e"
                          "ef\ngh\x1b!\x20i")
            << u"\"ab\"@0,0/30 \"cd\"@60,0/18C \"ef\"@96,0/60 \"gh\"@0,60/30 \"i\"@60,60/72"_s
            << u"0+60"_s << u""_s;
        QTest::newRow("escp underline italic tabs backspace")
            << u"escp24"_s << u"80col"_s
            << QByteArray("\x1b-1a\x1b-0\t\x1b"
                          "4b\x08\x1b"
                          "5c")
            << u"\"a\"@0,0/36U \"b\"@288,0/36I \"c\"@288,0/36"_s << u""_s << u""_s;
        QTest::newRow("escp length-prefixed and unknown")
            << u"escp24"_s << u"80col"_s
            << QByteArray("\x1b(x\x02\x00"
                          "ABC\x1b~D",
                          11)
            << u"\"CD\"@0,0/36"_s << u""_s << u"s@0:1b287802004142 u@8:1b7e"_s;
        QTest::newRow("escp form feed") << u"escp24"_s << u"80col"_s
                                        << QByteArray("A\x0c"
                                                      "B")
                                        << u"\"A\"@0,0/36 | \"B\"@0,0/36"_s << u""_s << u""_s;
        QTest::newRow("escp position and margin")
            << u"escp24"_s << u"80col"_s
            << QByteArray("\x1bl\x02"
                          "a\x1b$\x0a\x00"
                          "b\x1b\\\x12\x00"
                          "c",
                          14)
            << u"\"a\"@72,0/36 \"b\"@132,0/36 \"c\"@204,0/36"_s << u""_s << u""_s;
        QTest::newRow("escpos sizes and centre")
            << u"escpos"_s << u"80mm"_s
            << QByteArray("\x1b"
                          "a\x01\x1d!\x11"
                          "ab\n\x1b!\x08"
                          "c")
            << u"\"ab\"@467.7,0/42.5 \"c\"@499.6,85/21.3B"_s << u"0+85"_s << u""_s;
        QTest::newRow("escpos feeds and cut")
            << u"escpos"_s << u"80mm"_s
            << QByteArray("A\n\x1b"
                          "d\x02\x1bJ\x0a\x1dV\x42\x05"
                          "B")
            << u"\"A\"@0,0/21.3 \"B\"@0,210/21.3"_s << u"0+60 60+120 180+20 200+10"_s << u""_s;
        QTest::newRow("escpos reverse underline font b")
            << u"escpos"_s << u"58mm"_s
            << QByteArray("\x1d"
                          "B\x01"
                          "a\x1d"
                          "B\x00\x1b-\x02"
                          "b\x1bM\x01"
                          "c",
                          15)
            << u"\"a\"@0,0/21.3R \"b\"@21.3,0/21.3U \"c\"@42.5,12.4/15.9U"_s << u""_s << u""_s;
        QTest::newRow("escpos beyond the edge")
            << u"escpos"_s << u"58mm"_s << QByteArray(33, 'x')
            << u"\""_s + QString(33, QLatin1Char('x')) + u"\"@0,0/21.3^"_s << u""_s << u""_s;
        QTest::newRow("escpos unknown and skipped")
            << u"escpos"_s << u"80mm"_s
            << QByteArray("\x1bV\x01"
                          "a\x1b\x7f"
                          "b\x1dk\x02"
                          "12\x00"
                          "c",
                          14)
            << u"\"abc\"@0,0/21.3"_s << u""_s << u"s@0:1b5601 u@4:1b7f s@7:1d6b02313200"_s;
        QTest::newRow("escp truncated image")
            << u"escp24"_s << u"80col"_s << QByteArray("AB\x1b*\x21\x05\x00\x01\x02", 9)
            << u"\"AB\"@0,0/36"_s << u""_s << u"t@2:1b2a2105000102"_s;
        QTest::newRow("escpos truncated command")
            << u"escpos"_s << u"80mm"_s << QByteArray("AB\x1d") << u"\"AB\"@0,0/21.3"_s << u""_s
            << u"t@2:1d"_s;
        QTest::newRow("job preamble")
            << u"escp24"_s << u"80col"_s
            << QByteArray("\0\0\0\x1b\x01@EJL 1284.4\n@EJL     \n\x1b@Hi", 31) << u"\"Hi\"@0,0/36"_s
            << u""_s << u"p@3:1b0140454a4c20313238342e340a40454a4c20202020200a"_s;
        QTest::newRow("preamble in an ESC/POS file")
            << u"escpos"_s << u"80mm"_s << QByteArray("A\n@EJL 1284.4\nB")
            << u"\"A\"@0,0/21.3 \"B\"@0,60/21.3"_s << u"0+60"_s
            << u"p@2:40454a4c20313238342e340a"_s;
    }
    void pages()
    {
        QFETCH(QString, family);
        QFETCH(QString, paper);
        QFETCH(QByteArray, bytes);
        const PrintInterpreter::Result result =
            PrintInterpreter::interpret(bytes, familyOf(family), *PaperFormat::fromKey(paper));
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
    }
    void codePages()
    {
        QFETCH(QString, family);
        QFETCH(QByteArray, bytes);
        const PageModel model =
            PrintInterpreter::interpret(bytes, familyOf(family), PaperFormat::automatic()).model;
        QCOMPARE(model.uninterpreted.size(), 0);
        QString text;
        for (const PageModel::TextRun &run : model.runs)
            text += run.text;
        QTEST(text, "text");
    }

    void images()
    {
        const QByteArray raster("\x1dv0\x00\x01\x00\x02\x00\x80\x01"
                                "A",
                                11);
        const PageModel receipt =
            PrintInterpreter::interpret(raster, PrinterFamily::EscPos, PaperFormat::automatic())
                .model;
        QCOMPARE(receipt.images.size(), 1);
        QCOMPARE(receipt.images.at(0).bits.size(), QSize(8, 2));
        QCOMPARE(receipt.images.at(0).bits.pixelIndex(0, 0), 1);
        QCOMPARE(receipt.images.at(0).bits.pixelIndex(7, 1), 1);
        QCOMPARE(receipt.images.at(0).bits.pixelIndex(1, 0), 0);
        QCOMPARE(describeRuns(receipt), QStringLiteral("\"A\"@0,4/21.3"));

        const QByteArray columns("\x1b*\x27\x02\x00\x80\x00\x01\xff\xff\xff"
                                 "A",
                                 12);
        const PageModel sheet =
            PrintInterpreter::interpret(columns, PrinterFamily::EscP24, PaperFormat::automatic())
                .model;
        QCOMPARE(sheet.images.size(), 1);
        const PageModel::Image &image = sheet.images.at(0);
        QCOMPARE(image.bits.size(), QSize(2, 24));
        QCOMPARE(image.bits.pixelIndex(0, 0), 1);
        QCOMPARE(image.bits.pixelIndex(0, 23), 1);
        QCOMPARE(image.bits.pixelIndex(0, 1), 0);
        QCOMPARE(image.dotWidth, 2.0);
        QCOMPARE(describeRuns(sheet), QStringLiteral("\"A\"@4,0/36"));
    }

    void detection_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("reason");
        QTest::newRow("ESC E n") << QByteArray("\x1b"
                                               "E\x01Hi")
                                 << u"escpos"_s << u"ESC E n (1×"_s;
        QTest::newRow("cut") << QByteArray("Hi\x1dV\x00", 5) << u"escpos"_s << u"GS V"_s;
        QTest::newRow("ESC E without parameter") << QByteArray("\x1b"
                                                               "EHi\x1b"
                                                               "F")
                                                 << u"escp24"_s << u"ESC E without parameter"_s;
        QTest::newRow("nine-pin spacing") << QByteArray("\x1b"
                                                        "1\x1b"
                                                        "4a")
                                          << u"escp9"_s << u"ESC 1"_s;
        QTest::newRow("plain text") << QByteArray("Hi\r\n") << u"escpos"_s << u"no command"_s;
        QTest::newRow("preamble") << QByteArray("\x1b\x01@EJL 1284.4\n\x1b"
                                                "E\x01")
                                  << u"escp24"_s << u"print-job preamble"_s;
        QTest::newRow("image data is not read as commands")
            << QByteArray("\x1b*\x00\x03\x00\x1dV\x00\x1b"
                          "4",
                          10)
            << u"escp24"_s << u"ESC 4"_s;
        QTest::newRow("more of one family wins") << QByteArray("\x1b"
                                                               "E\x01\x1b"
                                                               "d\x02\x1b"
                                                               "4")
                                                 << u"escpos"_s << u"ESC d"_s;
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
        const QByteArray bytes = example(file);
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
        QFETCH(QString, boldText);
        QCOMPARE(bold.join(QLatin1Char('/')), boldText);
    }
};

QTEST_GUILESS_MAIN(TestPrintInterpreter)
#include "tst_printinterpreter.moc"
