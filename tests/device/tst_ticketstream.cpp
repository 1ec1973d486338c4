#include "ticketproject.h"
#include "ticketstream.h"

#include <QtTest>

// Slot sets, marker test, form-feed conversion and the ESC J adjustment of the ticket stream.
class TestTicketStream : public QObject
{
    Q_OBJECT
private slots:
    void stream_data();
    void stream();
};

namespace
{
const QByteArray Marker = QByteArrayLiteral("@EJL 1284.4");
const QByteArray EscJ = QByteArrayLiteral("\x1bJ");
} // namespace

void TestTicketStream::stream_data()
{
    QTest::addColumn<QByteArrayList>("contents"); // T, H, B, F, P1, P2
    QTest::addColumn<bool>("truck");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QByteArray>("storedH"); // H and B after the run
    QTest::addColumn<QByteArray>("storedB");

    const QByteArray ffH = "ab\fc";
    QTest::newRow("no marker, form feed stays")
        << QByteArrayList{{}, ffH, {}, {}, {}, {}} << false << ffH << ffH << QByteArray();
    QTest::newRow("marker in F converts H, B, F")
        << QByteArrayList{"t\f", ffH, "\f", Marker + "\f", {}, {}} << false
        << "t\fab\nc\n" + Marker + "\n"
        << ffH << QByteArray("\f");
    QTest::newRow("marker only in T: adjustment")
        << QByteArrayList{Marker, "x" + EscJ + "7y", {}, {}, {}, {}} << false
        << Marker + "x" + EscJ + QByteArray("\0y", 2) << "x" + EscJ + QByteArray("\0y", 2)
        << QByteArray();
    QTest::newRow("marker across H and B")
        << QByteArrayList{{}, "\f@EJL 12", "84.4" + EscJ + "1", {}, {}, {}} << false
        << "\n@EJL 1284.4" + EscJ + "1" << QByteArray("\f@EJL 12") << "84.4" + EscJ + "1";
    QTest::newRow("lower-case marker does not count")
        << QByteArrayList{{}, "@ejl 1284.4\f", EscJ + "1", {}, {}, {}} << false
        << "@ejl 1284.4\f" + EscJ + QByteArray("\0", 1) << QByteArray("@ejl 1284.4\f")
        << EscJ + QByteArray("\0", 1);
    QTest::newRow("only the last ESC J pair of H and of B")
        << QByteArrayList{{},
                          EscJ + "(x" + EscJ + "<",
                          EscJ + "1" + EscJ + "2",
                          "F" + EscJ + "3",
                          {},
                          {}}
        << false
        << EscJ + "(x" + EscJ + QByteArray("\0", 1) + EscJ + "1" + EscJ + QByteArray("\0", 1) +
               "F" + EscJ + "3"
        << EscJ + "(x" + EscJ + QByteArray("\0", 1) << EscJ + "1" + EscJ + QByteArray("\0", 1);
    QTest::newRow("ESC J at the very end") << QByteArrayList{{}, "h" + EscJ, {}, {}, {}, {}}
                                           << false << "h" + EscJ << "h" + EscJ << QByteArray();
    QTest::newRow("truck set, marker in P1: unchanged")
        << QByteArrayList{"t\f", ffH, {}, {}, Marker + "\f", "\f"} << true
        << "t\f" + Marker + "\f\f" << ffH << QByteArray();
    QTest::newRow("truck set, no marker: H adjusted unwritten")
        << QByteArrayList{"t", EscJ + "9", {}, "f", "p1" + EscJ + "9", "p2"} << true
        << "tp1" + EscJ + "9p2" << EscJ + QByteArray("\0", 1) << QByteArray();
    QTest::newRow("all empty") << QByteArrayList(6) << false << QByteArray() << QByteArray()
                               << QByteArray();
}

void TestTicketStream::stream()
{
    QFETCH(QByteArrayList, contents);
    QFETCH(bool, truck);
    QFETCH(QByteArray, expected);
    QFETCH(QByteArray, storedH);
    QFETCH(QByteArray, storedB);

    TicketProject project;
    for (int n = 1; n <= TicketProject::slotCount; ++n)
        project.setContent(n, contents.at(n - 1));
    QCOMPARE(prepareTicketStream(project, truck), expected);
    QCOMPARE(project.contents(TicketProject::H), storedH);
    QCOMPARE(project.contents(TicketProject::B), storedB);
    for (int n : {int(TicketProject::T), int(TicketProject::F), int(TicketProject::P1)})
        QCOMPARE(project.contents(n), contents.at(n - 1));
    // A repeated run finds H and B adjusted already and gives the same stream.
    QCOMPARE(prepareTicketStream(project, truck), expected);
    QCOMPARE(project.contents(TicketProject::H), storedH);
}

QTEST_GUILESS_MAIN(TestTicketStream)
#include "tst_ticketstream.moc"
