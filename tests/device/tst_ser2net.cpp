#include "deviceconnection.h"
#include "devicelink.h"
#include "deviceprogrammer.h"
#include "devicereader.h"
#include "devicesession.h"
#include "scripteddialogservice.h"
#include "ser2netserver.h"
#include "simulatedport.h"
#include "ticketproject.h"

#include <QtTest>

using Mode = Ser2NetServer::Mode;

// The link through ser2net to the simulated device's pseudo-terminal, as a raw TCP stream and as
// Telnet with RFC 2217 serial port control: the line settings, bytes 0xFF and 0x00 both ways,
// and Program and Read as they run with a local port.
class TestSer2Net : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (Ser2NetServer::program().isEmpty())
            QSKIP("ser2net is not installed (make deps installs it): the tests through a real "
                  "serial server are skipped");
    }

    void throughTheServer_data()
    {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<int>("rate"); // on the pseudo-terminal after asking for 19200
        QTest::newRow("raw: the server keeps its line") << Mode::Raw << 9600;
        QTest::newRow("rfc2217: the tool sets the line") << Mode::Rfc2217 << 19200;
    }
    void throughTheServer()
    {
        QFETCH(Mode, mode);
        SimulatedPort port(Model::Velmar, Application::Truck);
        Ser2NetServer server(port.slavePath(), mode);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        ScriptedDialogService dialogs;
        DeviceLink link;
        DeviceSession session(link, dialogs);
        link.setPortName(server.url());
        link.setLineSettings({19200, LineSettings::Parity::None, 8, 1});
        DeviceConnection(session).toggle();
        QVERIFY(session.isConnected());
        QTEST(port.server().configuredRate(), "rate");

        const QByteArray binary("\xff\xff\x00\xff\r", 5), command("\xff@\x00\xff\r", 5);
        port.device().addFault(Fault::garbage(1, binary));
        QCOMPARE(link.exchange(command, 1).bytes.toHex(' '), binary.toHex(' '));
        QCOMPARE(port.device().commands().last().toHex(' '), command.toHex(' '));

        TicketProject project;
        const QByteArray t("ticket\xff\r\n\x1b@", 11);
        project.setSlot(TicketProject::T, {t, {}, {}, t.size()});
        project.setSlot(TicketProject::P2, {QByteArray(301, '\xff'), {}, {}, 301});
        QCOMPARE(DeviceProgrammer(project, session).run().outcome,
                 TransferResult::Outcome::Programmed);
        TicketProject readBack;
        QCOMPARE(DeviceReader(readBack, session).run().outcome, TransferResult::Outcome::Read);
        QCOMPARE(readBack.contents(TicketProject::T), t);
        QCOMPARE(readBack.contents(TicketProject::P2), QByteArray(301, '\xff'));
        QVERIFY(dialogs.messages.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSer2Net)
#include "tst_ser2net.moc"
