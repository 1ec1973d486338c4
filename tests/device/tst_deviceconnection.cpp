#include "connecteddevice.h"

#include <QTest>

Q_DECLARE_METATYPE(SimulatedDevice::Fault)

namespace
{

// The session's port states by name; the window words them for the operator.
const char *const PortStates[] = {"closed", "open", "identified"};

// What the session announces: port state, the identified device and whether it is connected.
QString shown(const DeviceSession &s)
{
    const DeviceIdentity &id = s.identity();
    const QStringList texts{QString::fromLatin1(PortStates[int(s.portState())]),
                            id.model,
                            id.identified() ? id.version : QString(),
                            id.application,
                            id.identified() ? QString::number(id.space) : QString(),
                            s.isConnected() ? QStringLiteral("connected") : QString()};
    return texts.join(QLatin1Char('|'));
}

} // namespace

class TestDeviceConnection : public QObject
{
    Q_OBJECT

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
        const DeviceIdentity id = DeviceIdentity::fromReply(reply);
        const char *parse[] = {"ok", "unknown", "no version", "misplaced"};
        QTEST(QStringLiteral("%1|%2|%3|%4|%5|%6")
                  .arg(QLatin1String(parse[int(id.parse)]), id.model, id.version)
                  .arg(int(id.deviceClass))
                  .arg(id.space)
                  .arg(id.application),
              "expected");
    }

    // The connect command per model, a disconnect clearing all it showed (also when the port was
    // lost before), and a second connect identifying anew.
    void connectAndDisconnect_data()
    {
        QTest::addColumn<Model>("model");
        QTest::addColumn<Application>("application");
        QTest::addColumn<QString>("identity"); // model, version, application, space
        QTest::addColumn<bool>("portLost");
        auto row = [](const char *name, Model model, Application app, const char *identity,
                      bool portLost = false) {
            QTest::newRow(name) << model << app << QString::fromLatin1(identity) << portLost;
        };
        row("old ZORLA", Model::ZorlaOld, Application::Industrial, "ZORLA|1.020|Industrial|3056");
        row("ZORLA", Model::Zorla, Application::None, "ZORLA|1.024|None|7152");
        row("VELMAR, port lost", Model::Velmar, Application::Truck,
            "VELMAR|2.105|Truck Scale|20480", true);
    }
    void connectAndDisconnect()
    {
        QFETCH(Model, model);
        QFETCH(Application, application);
        QFETCH(QString, identity);
        QFETCH(bool, portLost);
        const bool truck = application == Application::Truck;
        ConnectedDevice d(model, application);
        QVERIFY(d.session.isConnected() && d.dialogs.messages.isEmpty());
        QCOMPARE(shown(d.session), QStringLiteral("identified|%1|connected").arg(identity));
        QCOMPARE(int(d.link.deviceClass()), d.port.device().deviceClass());
        QCOMPARE(d.session.identity().truckApplication(), truck);
        QVERIFY(d.session.transfersEnabled());

        if (portLost)
            d.link.close();
        d.connection.toggle();
        QCOMPARE(shown(d.session), QStringLiteral("closed|||||"));
        QVERIFY(!d.session.isConnected() && !d.link.isOpen());
        QCOMPARE(d.link.deviceClass(), DeviceClass::None);
        QVERIFY(!d.session.transfersEnabled());

        d.connection.toggle();
        QCOMPARE(d.commands(), QByteArrayList{"@C4\r"});
        QVERIFY(d.session.isConnected());
    }

    // Connect commands that end without a connection, after a disconnect; the connect button is
    // enabled again after every one of them.
    // Expected: port state | model | Program and Read | port open | box titles.
    void unfinishedIdentification_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("portName"); // empty: the simulated device's
        QTest::addColumn<QString>("expected");
        auto row = [](const char *name, const Fault &fault, const char *expected,
                      const char *portName = "") {
            QTest::newRow(name) << fault << QString::fromLatin1(portName)
                                << QString::fromLatin1(expected);
        };
        row("unknown model", Fault::garbage(1, "ACME 3.000 ID\r"), "identified|UNKNOWN|1|1");
        row("no version", Fault::garbage(1, "VELMAR ID\r"), "open||0|1|Version Error!");
        row("dot first", Fault::garbage(1, ".VELMAR\r"), "closed||0|1|Communication Error!");
        row("refused", Fault::nak(1), "open||0|1|Communication Error!");
        row("silent", Fault::silence(1), "open||0|1|Timeout!");
        row("line dropped", Fault::lineDrop(1), "open||0|0|Communication Error!");
        row("port that cannot open", Fault::nak(1), "closed||0|0|Communication Error!",
            "/dev/zv-no-such-port");
    }
    void unfinishedIdentification()
    {
        QFETCH(Fault, fault);
        QFETCH(QString, portName);
        ConnectedDevice d(Model::Velmar);
        d.connection.toggle();
        d.link.setTimeoutScale(0.05);
        d.port.device().addFault(fault);
        if (!portName.isEmpty())
            d.link.setPortName(portName);

        d.connection.toggle();
        QStringList outcome{
            QString::fromLatin1(PortStates[int(d.session.portState())]), d.session.identity().model,
            QString::number(d.session.transfersEnabled()), QString::number(d.link.isOpen())};
        for (const auto &message : d.dialogs.messages)
            outcome.append(message.title);
        QTEST(outcome.join(QLatin1Char('|')), "expected");
        QVERIFY(!d.session.identity().identified() && !d.session.isConnected());

        // The next connect command identifies again, over the port left open.
        d.port.device().clearFaults();
        if (d.link.isOpen()) {
            d.connection.toggle();
            QCOMPARE(d.session.identity().model, QStringLiteral("VELMAR"));
            QVERIFY(d.session.isConnected());
        }
    }
};

QTEST_GUILESS_MAIN(TestDeviceConnection)
#include "tst_deviceconnection.moc"
