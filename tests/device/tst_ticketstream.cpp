#include "ticketproject.h"
#include "ticketstream.h"

#include <QtTest>

// Slot sets, marker test, form-feed conversion and the ESC J adjustment of the ticket stream.
class TestTicketStream : public QObject
{
    Q_OBJECT
private slots:
    void stream_data()
    {
        QTest::addColumn<QByteArrayList>("contents"); // T, H, B, F, P1, P2
        QTest::addColumn<bool>("truck");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QByteArray>("storedH"); // H and B after the run
        QTest::addColumn<QByteArray>("storedB");
        // Slots are separated by "|"; "^" stands for ESC and "~" for a NUL byte.
        const auto row = [](const char *name, const char *contents, bool truck,
                            const char *expected, const char *h, const char *b) {
            const auto bytes = [](QByteArray text) {
                return text.replace('^', '\x1b').replace('~', '\0');
            };
            QTest::newRow(name) << bytes(contents).split('|') << truck << bytes(expected)
                                << bytes(h) << bytes(b);
        };
        row("no marker, form feed stays", "|ab\fc||||", false, "ab\fc", "ab\fc", "");
        row("marker in F converts H, B, F", "t\f|ab\fc|\f|@EJL 1284.4\f||", false,
            "t\fab\nc\n@EJL 1284.4\n", "ab\fc", "\f");
        row("marker only in T: adjustment", "@EJL 1284.4|x^J7y||||", false, "@EJL 1284.4x^J~y",
            "x^J~y", "");
        row("marker across H and B", "|\f@EJL 12|84.4^J1|||", false, "\n@EJL 1284.4^J1",
            "\f@EJL 12", "84.4^J1");
        row("lower-case marker does not count", "|@ejl 1284.4\f|^J1|||", false, "@ejl 1284.4\f^J~",
            "@ejl 1284.4\f", "^J~");
        row("only the last ESC J pair of H and of B", "|^J(x^J<|^J1^J2|F^J3||", false,
            "^J(x^J~^J1^J~F^J3", "^J(x^J~", "^J1^J~");
        row("ESC J at the very end", "|h^J||||", false, "h^J", "h^J", "");
        row("truck set, marker in P1: unchanged", "t\f|ab\fc|||@EJL 1284.4\f|\f", true,
            "t\f@EJL 1284.4\f\f", "ab\fc", "");
        row("truck set, no marker: H adjusted unwritten", "t|^J9||f|p1^J9|p2", true, "tp1^J9p2",
            "^J~", "");
        row("all empty", "|||||", false, "", "", "");
    }

    void stream()
    {
        QFETCH(QByteArrayList, contents);
        QFETCH(bool, truck);
        QFETCH(QByteArray, expected);
        QFETCH(QByteArray, storedH);

        TicketProject project;
        for (int n = 1; n <= TicketProject::slotCount; ++n)
            project.setContent(n, contents.at(n - 1));
        QCOMPARE(prepareTicketStream(project, truck), expected);
        QCOMPARE(project.contents(TicketProject::H), storedH);
        QTEST(project.contents(TicketProject::B), "storedB");
        for (int n : {int(TicketProject::T), int(TicketProject::F), int(TicketProject::P1)})
            QCOMPARE(project.contents(n), contents.at(n - 1));
        // A repeated run finds H and B adjusted already and gives the same stream.
        QCOMPARE(prepareTicketStream(project, truck), expected);
        QCOMPARE(project.contents(TicketProject::H), storedH);
    }
};

QTEST_GUILESS_MAIN(TestTicketStream)
#include "tst_ticketstream.moc"
