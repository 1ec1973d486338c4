#include "programmingfile.h"
#include "projectcommands.h"
#include "scripteddialogservice.h"
#include "testfiles.h"
#include "ticketproject.h"

#include <QtTest>

class TestProjectCommands : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }

private slots:
    void slotsAddReplaceCancelRemove()
    {
        TicketProject project;
        ScriptedDialogService dialogs;
        ProjectCommands commands(project, dialogs);
        writeFile(path(QStringLiteral("a.prn")), QByteArray(100, 'a'));
        writeFile(path(QStringLiteral("b.txt")), QByteArray(250, 'b'));
        writeFile(path(QStringLiteral("c.prn")), QByteArray("x\0y\n\f", 5));

        dialogs.queueFile(path(QStringLiteral("a.prn")));
        commands.addTicket(TicketProject::T);
        dialogs.queueFile(path(QStringLiteral("b.txt")));
        commands.addTicket(TicketProject::P1);
        QCOMPARE(project.byteCount(TicketProject::T), 100);
        QCOMPARE(project.slot(TicketProject::P1).fileTitle, QStringLiteral("b.txt"));
        QCOMPARE(project.spaceRequired(), 350);
        QCOMPARE(dialogs.filters.first(), ProjectCommands::printFileFilter());

        // Replacing takes all four fields from the new file; a cancel keeps it.
        dialogs.queueFile(path(QStringLiteral("c.prn")));
        commands.addTicket(TicketProject::T);
        dialogs.queueCancel();
        commands.addTicket(TicketProject::T);
        const TicketSlot t = project.slot(TicketProject::T);
        QCOMPARE(t.content, QByteArray("x\0y\n\f", 5));
        QCOMPARE(t.byteCount, 5);
        QCOMPARE(t.filePath, path(QStringLiteral("c.prn")));
        QCOMPARE(project.spaceRequired(), 255);

        // A file that cannot be read is reported by name and leaves the slot as it was.
        dialogs.queueFile(path(QStringLiteral("missing.prn")));
        commands.addTicket(TicketProject::T);
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY(dialogs.messages.first().text.contains(QStringLiteral("missing.prn")));
        QCOMPARE(project.slot(TicketProject::T), t);

        commands.removeTicket(TicketProject::T);
        commands.removeTicket(TicketProject::T);
        commands.removeTicket(TicketProject::P1);
        QCOMPARE(project.slot(TicketProject::T), TicketSlot());
        QCOMPARE(project.spaceRequired(), 0);
    }

    void saveThenOpenGivesTheSameProject()
    {
        TicketProject project;
        ScriptedDialogService dialogs;
        ProjectCommands commands(project, dialogs);
        for (int n = 1; n <= TicketProject::slotCount; ++n) {
            QByteArray content("\x00\x0a\x0c\x0d\x1b\xff", 6);
            content += QByteArray(n * 7, char('A' + n)) + "\r\n";
            writeFile(path(QStringLiteral("slot%1.prn").arg(n)), content);
            QVERIFY(commands.addTicketFile(n, path(QStringLiteral("slot%1.prn").arg(n))));
        }
        project.clearSlot(TicketProject::H); // an empty slot in the middle

        dialogs.queueFile(path(QStringLiteral("round.dat")));
        commands.save(); // no working file yet: asks for a name
        QCOMPARE(dialogs.filters.last(), ProjectCommands::saveFilter());
        QCOMPARE(project.origin(), TicketProject::Origin::File);
        QCOMPARE(project.workingTitle(), QStringLiteral("round.dat"));

        TicketProject reopened;
        ProjectCommands reopen(reopened, dialogs);
        dialogs.queueFile(path(QStringLiteral("round.dat")));
        reopen.openProject();
        QVERIFY(dialogs.messages.isEmpty());
        for (int n = 1; n <= TicketProject::slotCount; ++n) {
            QCOMPARE(reopened.contents(n), project.contents(n));
            QCOMPARE(reopened.slot(n).byteCount, project.slot(n).byteCount);
            QVERIFY(reopened.slot(n).fileTitle.isEmpty());
        }
        QCOMPARE(reopened.spaceRequired(), project.spaceRequired());
        QCOMPARE(reopened.workingPath(), path(QStringLiteral("round.dat")));
    }

    void saveDecidesByTheWorkingFileName()
    {
        TicketProject project;
        ScriptedDialogService dialogs;
        ProjectCommands commands(project, dialogs);

        // A name typed without extension is used as typed, and the next Save asks again.
        dialogs.queueFile(path(QStringLiteral("plain")));
        commands.saveAs();
        QCOMPARE(readFile(path(QStringLiteral("plain"))), QByteArray("0,0,0,0,0,0\r\n"));
        dialogs.queueCancel();
        commands.save();
        QCOMPARE(dialogs.filters.size(), 2);

        // "a.data" holds ".dat": Save writes in place without a dialog.
        dialogs.queueFile(path(QStringLiteral("a.data")));
        commands.saveAs();
        project.setSlot(TicketProject::B, {QByteArray(3, 'b'), {}, {}, 3});
        commands.save();
        QCOMPARE(dialogs.filters.size(), 3);
        QCOMPARE(readFile(path(QStringLiteral("a.data"))), QByteArray("0,0,3,0,0,0\r\nbbb"));

        // New drops the working file: Save asks for a name again.
        commands.newProject();
        QCOMPARE(project.origin(), TicketProject::Origin::New);
        QCOMPARE(project.spaceRequired(), 0);
        dialogs.queueCancel();
        commands.save();
        QCOMPARE(dialogs.filters.size(), 4);

        // A save that cannot be written reports code 2.
        QVERIFY(!commands.writeProgrammingFile(path(QStringLiteral("no/such/dir/x.dat"))));
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages.first().title, QStringLiteral("File Saving error!"));
    }

    // A damaged file is reported and leaves a new project holding only the slots read whole; an
    // empty file leaves the project as it was. A file read whole is saved again with its counts
    // as plain numbers, over the longer file it came from without leaving a tail.
    void open_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("error");    // empty: opened
        QTest::addColumn<QByteArray>("saved"); // empty: the project is not saved
        QTest::addColumn<int>("bytesOfT");     // -1: the project is untouched
        auto row = [](const char *name, const QByteArray &data, const char *error,
                      const QByteArray &saved, int bytesOfT) {
            QTest::newRow(name) << data << QString::fromLatin1(error) << saved << bytesOfT;
        };
        const char *damaged = "File Opening error!";
        row("empty file", QByteArray(), damaged, {}, -1);
        row("seventh field", "1,0,0,0,0,0,\r\nx", damaged, {}, 0);
        row("non-numeric field", "1,x,0\r\na", damaged, {}, 0);
        row("empty field", "1,,0\r\na", damaged, {}, 0);
        row("header without carriage return", "1,2,3", damaged, {}, 0);
        row("counts beyond what a project holds", "16777216,1\r\n", damaged, {}, 0);
        row("header longer than its bound", QByteArray(200, ','), damaged, {}, 0);
        row("contents shorter than counts", "2,5,1\r\nab12", damaged, {}, 2);
        row("missing fields are zero", "2,1\r\nabcSURPLUS", "", "2,1,0,0,0,0\r\nabc", 2);
        row("leading zeros", "003,00,0,0,0,0\r\nabc", "", "3,0,0,0,0,0\r\nabc", 3);
    }
    void open()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, error);
        QFETCH(int, bytesOfT);
        TicketProject project;
        ScriptedDialogService dialogs;
        ProjectCommands commands(project, dialogs);
        project.setSlot(TicketProject::F,
                        {QByteArray("old"), QStringLiteral("f.prn"), QStringLiteral("/f.prn"), 3});
        const TicketSlot before = project.slot(TicketProject::F);
        writeFile(path(QStringLiteral("opened.dat")), data);
        dialogs.queueFile(path(QStringLiteral("opened.dat")));
        commands.openProject();

        if (error.isEmpty()) {
            QVERIFY(dialogs.messages.isEmpty());
            QCOMPARE(project.byteCount(TicketProject::T), bytesOfT);
            QVERIFY(commands.writeProgrammingFile(path(QStringLiteral("opened.dat"))));
            QTEST(readFile(path(QStringLiteral("opened.dat"))), "saved");
            return;
        }
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages.first().title, error);
        if (bytesOfT < 0) {
            QCOMPARE(dialogs.messages.first().text, QStringLiteral("File Empty"));
            QCOMPARE(project.slot(TicketProject::F), before);
            QCOMPARE(project.origin(), TicketProject::Origin::Start);
            return;
        }
        QVERIFY(!dialogs.messages.first().text.isEmpty());
        QCOMPARE(project.origin(), TicketProject::Origin::New);
        QVERIFY(project.workingPath().isEmpty());
        QVERIFY(project.isConsistent());
        QCOMPARE(project.spaceRequired(), bytesOfT);
        QCOMPARE(project.byteCount(TicketProject::T), bytesOfT);
    }
};

QTEST_GUILESS_MAIN(TestProjectCommands)
#include "tst_projectcommands.moc"
