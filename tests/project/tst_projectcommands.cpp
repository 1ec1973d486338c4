#include "programmingfile.h"
#include "projectcommands.h"
#include "scripteddialogservice.h"
#include "ticketproject.h"

#include <QTemporaryDir>
#include <QTest>

namespace
{
using Message = ScriptedDialogService::Message;

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}
} // namespace

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
        QCOMPARE(readAll(path(QStringLiteral("plain"))), QByteArray("0,0,0,0,0,0\r\n"));
        dialogs.queueCancel();
        commands.save();
        QCOMPARE(dialogs.filters.size(), 2);

        // "a.data" holds ".dat": Save writes in place without a dialog.
        dialogs.queueFile(path(QStringLiteral("a.data")));
        commands.saveAs();
        project.setSlot(TicketProject::B, {QByteArray(3, 'b'), {}, {}, 3});
        commands.save();
        QCOMPARE(dialogs.filters.size(), 3);
        QCOMPARE(readAll(path(QStringLiteral("a.data"))), QByteArray("0,0,3,0,0,0\r\nbbb"));

        // New drops the working file: Save asks for a name again.
        commands.newProject();
        QCOMPARE(project.origin(), TicketProject::Origin::New);
        QCOMPARE(project.spaceRequired(), 0);
        dialogs.queueCancel();
        commands.save();
        QCOMPARE(dialogs.filters.size(), 4);
    }

    void savingOverALongerFileLeavesNoTail()
    {
        TicketProject project;
        ScriptedDialogService dialogs;
        ProjectCommands commands(project, dialogs);
        writeFile(path(QStringLiteral("long.dat")), QByteArray(500, 'z'));
        QVERIFY(commands.writeProgrammingFile(path(QStringLiteral("long.dat"))));
        QCOMPARE(readAll(path(QStringLiteral("long.dat"))), QByteArray("0,0,0,0,0,0\r\n"));

        // A save that cannot be written reports code 2 and keeps the earlier file.
        QVERIFY(!commands.writeProgrammingFile(path(QStringLiteral("no/such/dir/x.dat"))));
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages.first().title, QStringLiteral("File Saving error!"));
    }

    // A damaged file is reported and leaves a new project holding only the slots read whole; an
    // empty file leaves the project as it was.
    void openReportsDamagedFiles_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("bytesOfT"); // -1: the project is untouched
        QTest::newRow("empty file") << QByteArray() << -1;
        QTest::newRow("seventh field") << QByteArray("1,0,0,0,0,0,\r\nx") << 0;
        QTest::newRow("non-numeric field") << QByteArray("1,x,0\r\na") << 0;
        QTest::newRow("empty field") << QByteArray("1,,0\r\na") << 0;
        QTest::newRow("header without carriage return") << QByteArray("1,2,3") << 0;
        QTest::newRow("counts beyond what a project holds") << QByteArray("16777216,1\r\n") << 0;
        QTest::newRow("header longer than its bound") << QByteArray(200, ',') << 0;
        QTest::newRow("contents shorter than counts") << QByteArray("2,5,1\r\nab12") << 2;
    }
    void openReportsDamagedFiles()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, bytesOfT);
        TicketProject project;
        ScriptedDialogService dialogs;
        ProjectCommands commands(project, dialogs);
        project.setSlot(TicketProject::F,
                        {QByteArray("old"), QStringLiteral("f.prn"), QStringLiteral("/f.prn"), 3});
        const TicketSlot before = project.slot(TicketProject::F);
        writeFile(path(QStringLiteral("damaged.dat")), data);
        dialogs.queueFile(path(QStringLiteral("damaged.dat")));
        commands.openProject();

        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages.first().title, QStringLiteral("File Opening error!"));
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

    void openFillsMissingFieldsWithZero()
    {
        TicketProject project;
        ScriptedDialogService dialogs;
        ProjectCommands commands(project, dialogs);
        writeFile(path(QStringLiteral("short.dat")), QByteArray("2,1\r\nabcSURPLUS"));
        QVERIFY(commands.openProjectFile(path(QStringLiteral("short.dat")),
                                         QStringLiteral("short.dat")));
        QCOMPARE(project.contents(TicketProject::T), QByteArray("ab"));
        QCOMPARE(project.contents(TicketProject::H), QByteArray("c"));
        QCOMPARE(project.spaceRequired(), 3);
        QCOMPARE(project.byteCount(TicketProject::P2), 0);

        // Counts with leading zeros are plain numbers, and are saved as such.
        writeFile(path(QStringLiteral("zeros.dat")), QByteArray("003,00,0,0,0,0\r\nabc"));
        QVERIFY(commands.openProjectFile(path(QStringLiteral("zeros.dat")),
                                         QStringLiteral("zeros.dat")));
        QCOMPARE(project.byteCount(TicketProject::T), 3);
        QVERIFY(commands.writeProgrammingFile(path(QStringLiteral("zeros.dat"))));
        QCOMPARE(readAll(path(QStringLiteral("zeros.dat"))), QByteArray("3,0,0,0,0,0\r\nabc"));
    }
};

QTEST_GUILESS_MAIN(TestProjectCommands)
#include "tst_projectcommands.moc"
