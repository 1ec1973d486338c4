#include "deviceconnection.h"
#include "devicestatus.h"
#include "errors.h"
#include "scripteddialogservice.h"
#include "seriallink.h"
#include "simulatedport.h"

#include <QTest>

using Model = SimulatedDevice::Model;
using Application = SimulatedDevice::Application;
using Parse = DeviceIdentity::Parse;
using Messages = QList<ScriptedDialogService::Message>;
Q_DECLARE_METATYPE(SimulatedDevice::Fault)

class TestDeviceConnection : public QObject
{
    Q_OBJECT

    // A connect command over a fresh link to a simulated device.
    struct Bench {
        explicit Bench(Model model = Model::Velmar,
                       Application application = Application::Industrial)
            : port(model, application), link(dialogs), connection(link, status, dialogs)
        {
            link.setPortName(port.slavePath());
            link.setTimeoutScale(0.05);
        }
        SimulatedPort port;
        ScriptedDialogService dialogs;
        SerialLink link;
        DeviceStatus status;
        DeviceConnection connection;
    };

    // What the window shows after the connect command.
    static QStringList shown(const Bench &b)
    {
        return {b.status.portState(),      b.status.statusText(1), b.status.statusText(2),
                b.status.statusText(3),    b.status.statusText(4), b.status.spaceAvailable(),
                b.status.connectTooltip(), b.status.connectIcon()};
    }

private slots:
    // Expected: parse outcome | model | version | class | space | application.
    void identityFromReply_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("expected");
        auto row = [](const char *name, const QByteArray &reply, const char *expected) {
            QTest::newRow(name) << reply << QString::fromLatin1(expected);
        };
        row("ZORLA 1.023", "ZORLA 1.023 ID\r", "ok|ZORLA|1.023|1|3056|Industrial");
        row("ZORLA 1.024", "ZORLA 1.024 ID\r", "ok|ZORLA|1.024|4|7152|Industrial");
        row("ZORLA 1.1 is above 1.024", "ZORLA 1.1 S \r", "ok|ZORLA|1.1 S|4|7152|None");
        row("ZORLA 0.999", "ZORLA 0.999\r", "ok|ZORLA|0.999|1|3056|");
        row("version without a number", "ZORLA X.500 PC\r", "ok|ZORLA|X.500|1|3056|Truck Scale");
        row("short reply after the dot", "ZORLA 2.1\r", "ok|ZORLA|2.1\r|4|7152|");
        row("ZORLA wins over VELMAR", "VELMAR ZORLA 1.030\r", "ok|ZORLA|1.030|4|7152|");
        row("ID and PC: PC decides", "VELMAR 2.105 ID PC\r", "ok|VELMAR|2.105|8|20480|Truck Scale");
        row("PC before S: still PC", "VELMAR PC 2.105 S \r", "ok|VELMAR|2.105|8|20480|Truck Scale");
        row("case-sensitive tokens", "VELMAR 2.105 id pc\r", "ok|VELMAR|2.105|8|20480|");
        row("no model word", "ACME 1.000 ID\r", "unknown|UNKNOWN|1.000|0|0|");
        row("no dot", "ZORLA ID\r", "no version|||0|0|");
        row("dot first", ".ZORLA 1.024\r", "misplaced|||0|0|");
        row("dot at 255", QByteArray(253, ' ') + "1.024 ZORLA\r", "ok|ZORLA|1.024|4|7152|");
        row("dot at 256", QByteArray(254, ' ') + "1.024 ZORLA\r", "misplaced|||0|0|");
    }
    void identityFromReply()
    {
        QFETCH(QByteArray, reply);
        const DeviceIdentity identity = DeviceIdentity::fromReply(reply);
        const QString parse[] = {QStringLiteral("ok"), QStringLiteral("unknown"),
                                 QStringLiteral("no version"), QStringLiteral("misplaced")};
        const QStringList fields{parse[int(identity.parse)],
                                 identity.model,
                                 identity.version,
                                 QString::number(identity.deviceClass),
                                 QString::number(identity.space),
                                 identity.application};
        QTEST(fields.join(QLatin1Char('|')), "expected");
        QCOMPARE(identity.failure.isEmpty(), identity.parse != Parse::VersionMisplaced);
    }

    void connectAndDisconnect_data()
    {
        QTest::addColumn<Model>("model");
        QTest::addColumn<Application>("application");
        QTest::addColumn<QString>("identity"); // model|version|application|space
        QTest::addColumn<int>("deviceClass");
        QTest::addColumn<bool>("truck");
        auto row = [](const char *name, Model model, Application application, const char *identity,
                      int deviceClass, bool truck) {
            QTest::newRow(name) << model << application << QString::fromLatin1(identity)
                                << deviceClass << truck;
        };
        row("old ZORLA", Model::ZorlaOld, Application::Industrial, "ZORLA|1.020|Industrial|3056", 1,
            false);
        row("ZORLA", Model::Zorla, Application::None, "ZORLA|1.024|None|7152", 4, false);
        row("VELMAR", Model::Velmar, Application::Truck, "VELMAR|2.105|Truck Scale|20480", 8, true);
    }
    void connectAndDisconnect()
    {
        QFETCH(Model, model);
        QFETCH(Application, application);
        QFETCH(QString, identity);
        QFETCH(int, deviceClass);
        QFETCH(bool, truck);
        Bench b(model, application);
        QCOMPARE(b.status.connectTooltip(), QStringLiteral("Connect With Device"));

        b.connection.toggle();
        QCOMPARE(b.dialogs.messages, Messages());
        QCOMPARE(b.port.device().commands(), QList<QByteArray>{"@C4\r"});
        const QStringList id = identity.split(QLatin1Char('|'));
        QCOMPARE(shown(b), (QStringList{QStringLiteral("Connected !"), id[0], id[1], id[2],
                                        QString(), id[3], QStringLiteral("Break Communication"),
                                        QStringLiteral("cmdDisconnectIcon")}));
        QVERIFY(b.connection.Connected());
        QCOMPARE(b.link.DeviceClass(), deviceClass);
        QCOMPARE(b.status.truckVisible(), truck);
        QCOMPARE(b.status.totalVisible(), !truck);
        QVERIFY(b.status.programEnabled() && b.status.loadEnabled() && b.status.connectEnabled());

        b.status.setStatusText(4, QStringLiteral("Tickets Programmed"));
        b.connection.toggle();
        QCOMPARE(shown(b).join(QLatin1Char('|')),
                 QStringLiteral("Not Connected||||||Connect with Device|cmdConnectIcon"));
        QVERIFY(!b.connection.Connected() && !b.link.isOpen());
        QCOMPARE(b.link.ReplyStatus(), u'N');
        QCOMPARE(b.link.DeviceClass(), 0);
        QVERIFY(!b.status.programEnabled() && !b.status.loadEnabled() && !b.status.truckVisible());
        QCOMPARE(b.status.totalVisible(), !truck); // a disconnect leaves the totalize frame
    }

    // Identifications that end without a connection; the connect button is enabled again after
    // every one of them. Expected: panel 1|lblStatus(1)|Program and Load|port open|box titles.
    void unfinishedIdentification_data()
    {
        using Fault = SimulatedDevice::Fault;
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("expected");
        auto row = [](const char *name, const Fault &fault, const char *expected) {
            QTest::newRow(name) << fault << QString::fromLatin1(expected);
        };
        row("unknown model", Fault::garbage(1, "ACME 3.000 ID\r"), "Connected !|UNKNOWN|1|1");
        row("no version", Fault::garbage(1, "VELMAR ID\r"), "Port Opened||0|1|Version Error!");
        row("dot first", Fault::garbage(1, ".VELMAR\r"), "Not Connected||0|1|Communication Error!");
        row("refused", Fault::nak(1), "Port Opened||0|1|Communication Error!");
        row("silent", Fault::silence(1), "Port Opened||0|1|Timeout!");
        row("line dropped", Fault::lineDrop(1), "Port Opened||0|0|Communication Error!");
    }
    void unfinishedIdentification()
    {
        QFETCH(SimulatedDevice::Fault, fault);
        Bench b;
        b.link.setDeviceClass(4);
        b.port.device().addFault(fault);

        b.connection.toggle();
        QStringList outcome{b.status.portState(), b.status.statusText(1),
                            QString::number(b.status.programEnabled() && b.status.loadEnabled()),
                            QString::number(b.link.isOpen())};
        for (const auto &message : b.dialogs.messages)
            outcome.append(message.title);
        QTEST(outcome.join(QLatin1Char('|')), "expected");
        QCOMPARE(b.status.statusText(2), QString());
        QCOMPARE(b.link.DeviceClass(), 4);
        QVERIFY(!b.connection.Connected());
        QVERIFY(b.status.connectEnabled());

        // The next connect command identifies again, over the port left open.
        b.port.device().clearFaults();
        if (b.link.isOpen()) {
            b.connection.toggle();
            QCOMPARE(b.status.statusText(1), QStringLiteral("VELMAR"));
            QVERIFY(b.connection.Connected());
        }
    }

    void portThatCannotOpen()
    {
        Bench b;
        b.link.setPortName(QStringLiteral("/dev/zv-no-such-port"));
        b.connection.toggle();
        QCOMPARE(b.dialogs.messages.size(), 1);
        QCOMPARE(b.dialogs.messages.first().title, QStringLiteral("Communication Error!"));
        QVERIFY(b.dialogs.messages.first().text.contains(QStringLiteral("zv-no-such-port")));
        QCOMPARE(b.status.portState(), QStringLiteral("Not Connected"));
        QVERIFY(b.status.connectEnabled());
        QVERIFY(b.port.device().commands().isEmpty());
    }

    void disconnectWithPortAlreadyClosed()
    {
        Bench b;
        b.connection.toggle();
        b.link.close();
        b.link.setReplyStatus(u'R');
        b.connection.toggle();
        QCOMPARE(b.link.ReplyStatus(), u'N');
        QCOMPARE(b.status.statusText(1), QString());
        QCOMPARE(b.status.spaceAvailable(), QString());
        QVERIFY(!b.connection.Connected());
        QCOMPARE(b.connection.identity().model, QString());
    }
};

QTEST_GUILESS_MAIN(TestDeviceConnection)
#include "tst_deviceconnection.moc"
