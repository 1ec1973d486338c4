#include "deviceconnection.h"
#include "devicelink.h"
#include "deviceprogrammer.h"
#include "devicereader.h"
#include "devicesession.h"
#include "errors.h"
#include "scripteddialogservice.h"
#include "tcpdeviceserver.h"
#include "ticketproject.h"

#include <QtNetwork>
#include <QtTest>
#include <algorithm>
#include <optional>

using Model = SimulatedDevice::Model;
using Fault = SimulatedDevice::Fault;
using Outcome = TransferResult::Outcome;
using Message = ScriptedDialogService::Message;

namespace
{

// The real link and session on a simulated device served on a loopback TCP port.
struct TcpRig {
    explicit TcpRig(Model model) : server(model, SimulatedDevice::Application::Industrial)
    {
        started = server.start(&error);
        link.setPortName(server.portName());
        link.setLineSettings({19200, LineSettings::Parity::None, 8, 1});
    }
    TcpDeviceServer server;
    QString error;
    bool started = false;
    ScriptedDialogService dialogs;
    DeviceLink link;
    DeviceSession session{link, dialogs};
    DeviceConnection connection{session};
};

} // namespace

// The simulated device on a loopback TCP port, as the link reaches it by "socket://HOST:PORT".
class TestTcpDeviceServer : public QObject
{
    Q_OBJECT
private slots:
    // Identifies, programs and reads back every device class (class 4 with its reply in pieces,
    // class 8 with a late one); the faults a line shows on the way
    // are carried out over TCP as well, and a line drop closes the connection.
    void programAndReadBack_data()
    {
        QTest::addColumn<Model>("model");
        QTest::addColumn<std::optional<Fault>>("fault"); // on the first erase command
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QStringList>("messageTitles");
        auto row = [](const char *name, Model model, std::optional<Fault> fault = {},
                      Outcome outcome = Outcome::Programmed, QStringList titles = {}) {
            QTest::newRow(name) << model << fault << outcome << titles;
        };
        row("class 1", Model::ZorlaOld);
        row("late reply", Model::Velmar, Fault::lateReply(1, 300));
        row("reply one byte at a time", Model::Zorla, Fault::splitReply(1, 1, 20));
        row("line drop", Model::Velmar, Fault::lineDrop(1), Outcome::Failed,
            {errorMessage(ErrorCode::Communication).title,
             errorMessage(ErrorCode::ProgramFailed).title});
    }
    void programAndReadBack()
    {
        QFETCH(Model, model);
        QFETCH(std::optional<Fault>, fault);
        TcpRig rig(model);
        QVERIFY2(rig.started, qPrintable(rig.error));
        QVERIFY(rig.server.portName().startsWith(QStringLiteral("socket://127.0.0.1:")));
        rig.connection.toggle();
        QVERIFY(rig.session.isConnected());
        QCOMPARE(int(rig.link.deviceClass()), rig.server.device().deviceClass());

        TicketProject project;
        const QByteArray ticket("TCP ticket\r\n");
        project.setSlot(TicketProject::T, {ticket, QStringLiteral("t"), {}, ticket.size()});
        if (fault)
            rig.server.device().addFault(*fault);
        QSignalSpy dropped(&rig.server, &DeviceServer::lineDropped);
        QTEST(DeviceProgrammer(project, rig.session).run().outcome, "outcome");
        QStringList titles;
        for (const Message &message : std::as_const(rig.dialogs.messages))
            titles << message.title;
        QTEST(titles, "messageTitles");

        if (!dropped.isEmpty()) {
            QVERIFY(rig.dialogs.messages.first().text.contains(QStringLiteral("closed")));
            QVERIFY(!rig.link.isOpen());
            // The server goes on listening: the device is identified anew.
            QVERIFY(rig.server.isRunning());
            rig.session.disconnectDevice();
            rig.connection.toggle();
            QVERIFY(rig.session.isConnected());
            return;
        }
        // Each reply came in time: the link never had to send a command again.
        const QByteArrayList commands = rig.server.device().commands();
        QVERIFY(std::adjacent_find(commands.begin(), commands.end()) == commands.end());
        TicketProject readBack;
        QCOMPARE(DeviceReader(readBack, rig.session).run().outcome, Outcome::Read);
        QCOMPARE(readBack.contents(TicketProject::T), ticket);
    }

    // A second connection takes the line over; the first is closed.
    void newestConnectionTakesOver()
    {
        TcpDeviceServer server(Model::Velmar, SimulatedDevice::Application::None);
        QVERIFY(server.start());
        QTcpSocket first;
        QTcpSocket second;
        first.connectToHost(QHostAddress::LocalHost, server.serverPort());
        QVERIFY(first.waitForConnected(5000));
        second.connectToHost(QHostAddress::LocalHost, server.serverPort());
        QVERIFY(second.waitForConnected(5000));
        QTRY_COMPARE(first.state(), QAbstractSocket::UnconnectedState);

        QByteArray received;
        connect(&second, &QTcpSocket::readyRead, this, [&] { received += second.readAll(); });
        second.write("@C4\r");
        QTRY_COMPARE(received, server.device().identificationReply());
        QCOMPARE(server.device().commands(), QByteArrayList{"@C4\r"});
    }
};

QTEST_GUILESS_MAIN(TestTcpDeviceServer)
#include "tst_tcpdeviceserver.moc"
