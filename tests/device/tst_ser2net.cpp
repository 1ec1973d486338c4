#include "deviceconnection.h"
#include "deviceprogrammer.h"
#include "devicereader.h"
#include "devicesession.h"
#include "networktransport.h"
#include "scripteddialogservice.h"
#include "ser2netserver.h"
#include "seriallink.h"
#include "simulatedport.h"
#include "ticketproject.h"

#include <QtTest>

using Mode = Ser2NetServer::Mode;
using Fault = SimulatedDevice::Fault;

// The network transport through Debian's ser2net to the simulated device's pseudo-terminal, as a
// raw TCP stream and as Telnet with RFC 2217 serial port control.
class TestSer2Net : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void exchanges_data();
    void exchanges();
    void programAndReadThroughTheServer_data();
    void programAndReadThroughTheServer();
};

void TestSer2Net::initTestCase()
{
    if (Ser2NetServer::program().isEmpty())
        QSKIP("ser2net is not installed (make deps installs it): the tests through a real serial "
              "server are skipped");
}

void TestSer2Net::exchanges_data()
{
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<int>("rateAfter"); // on the pseudo-terminal after asking for 19200
    QTest::newRow("raw: the server keeps its line") << Mode::Raw << 9600;
    QTest::newRow("rfc2217: the tool sets the line") << Mode::Rfc2217 << 19200;
}

void TestSer2Net::exchanges()
{
    QFETCH(Mode, mode);
    SimulatedPort port(SimulatedDevice::Model::Velmar);
    Ser2NetServer server(port.slavePath(), mode);
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    NetworkTransport transport(server.url());
    QByteArray received;
    connect(&transport, &PortTransport::readyRead, this, [&] { received += transport.readAll(); });
    const auto exchange = [&](const QByteArray &command) {
        received.clear();
        if (!transport.write(command) || !transport.waitForBytesWritten(1000) ||
            !QTest::qWaitFor([&] { return received.endsWith('\r'); }, 3000))
            received += " <no reply>";
        return received.toHex(' ');
    };
    QString error;
    QVERIFY2(transport.open(&error), qPrintable(error));
    // ser2net sets up the line once the connection is made.
    QTRY_COMPARE(port.server().configuredRate(), 9600);
    QVERIFY(transport.setLineSettings(*LineSettings::parse(QStringLiteral("19200,n,8,1"))));
    QTEST(port.server().configuredRate(), "rateAfter");
    SimulatedDevice &device = port.device();
    QCOMPARE(exchange("@C4\r"), device.identificationReply().toHex(' '));
    // Dropping the input asks an RFC 2217 server to drop its buffer too; the stream goes on.
    transport.discardInput();
    // Bytes 0xFF and 0x00 pass both ways unchanged.
    const QByteArray binary("\xff\xff\x00\xff\r", 5);
    device.addFault(Fault::garbage(1, binary));
    QCOMPARE(exchange(QByteArray("\xff@\x00\xff\r", 5)), binary.toHex(' '));
    QCOMPARE(device.commands().last().toHex(' '), QByteArray("\xff@\x00\xff\r", 5).toHex(' '));
}

void TestSer2Net::programAndReadThroughTheServer_data()
{
    exchanges_data();
}

// The link, the connect command and Program and Read with a network port as they run with a
// local one: what Read gives back is what Program wrote, 0xFF and CR bytes included.
void TestSer2Net::programAndReadThroughTheServer()
{
    QFETCH(Mode, mode);
    SimulatedPort port(SimulatedDevice::Model::Velmar, SimulatedDevice::Application::Truck);
    Ser2NetServer server(port.slavePath(), mode);
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    ScriptedDialogService dialogs;
    SerialLink link;
    DeviceSession session(link, dialogs);
    link.setPortName(server.url());
    link.setLineSettings({19200, LineSettings::Parity::None, 8, 1});
    DeviceConnection(session).toggle();
    QVERIFY(session.isConnected());

    TicketProject project;
    const QByteArray t("ticket\xff\r\n\x1b@", 11);
    project.setSlot(TicketProject::T, {t, {}, {}, t.size()});
    project.setSlot(TicketProject::P2, {QByteArray(301, '\xff'), {}, {}, 301});
    QCOMPARE(DeviceProgrammer(project, session).run().outcome, TransferResult::Outcome::Programmed);
    TicketProject readBack;
    QCOMPARE(DeviceReader(readBack, session).run().outcome, TransferResult::Outcome::Read);
    QCOMPARE(readBack.contents(TicketProject::T), t);
    QCOMPARE(readBack.contents(TicketProject::P2), QByteArray(301, '\xff'));
    QVERIFY(dialogs.messages.isEmpty());
}

QTEST_GUILESS_MAIN(TestSer2Net)
#include "tst_ser2net.moc"
