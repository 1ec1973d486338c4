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

namespace
{
QStringList texts(std::initializer_list<const char *> items)
{
    QStringList list;
    for (const char *item : items)
        list.append(QString::fromLatin1(item));
    return list;
}
} // namespace

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
    void identityFromReply_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<Parse>("parse");
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("version");
        QTest::addColumn<int>("deviceClass");
        QTest::addColumn<qint64>("space");
        QTest::addColumn<QString>("application");
        const auto ok = Parse::Identified;
        QTest::newRow("ZORLA 1.023") << QByteArray("ZORLA 1.023 ID\r") << ok << "ZORLA"
                                     << "1.023" << 1 << 3056LL << "Industrial";
        QTest::newRow("ZORLA 1.024") << QByteArray("ZORLA 1.024 ID\r") << ok << "ZORLA"
                                     << "1.024" << 4 << 7152LL << "Industrial";
        QTest::newRow("ZORLA 1.1 is above 1.024") << QByteArray("ZORLA 1.1 S \r") << ok << "ZORLA"
                                                  << "1.1 S" << 4 << 7152LL << "None";
        QTest::newRow("ZORLA 0.999") << QByteArray("ZORLA 0.999\r") << ok << "ZORLA"
                                     << "0.999" << 1 << 3056LL << "";
        QTest::newRow("version text without a number")
            << QByteArray("ZORLA X.500 PC\r") << ok << "ZORLA"
            << "X.500" << 1 << 3056LL << "Truck Scale";
        QTest::newRow("short reply after the dot") << QByteArray("ZORLA 2.1\r") << ok << "ZORLA"
                                                   << "2.1\r" << 4 << 7152LL << "";
        QTest::newRow("ZORLA wins over VELMAR")
            << QByteArray("VELMAR ZORLA 1.030\r") << ok << "ZORLA"
            << "1.030" << 4 << 7152LL << "";
        QTest::newRow("VELMAR, ID and PC: PC decides")
            << QByteArray("VELMAR 2.105 ID PC\r") << ok << "VELMAR"
            << "2.105" << 8 << 20480LL << "Truck Scale";
        QTest::newRow("PC before S: still PC")
            << QByteArray("VELMAR PC 2.105 S \r") << ok << "VELMAR"
            << "2.105" << 8 << 20480LL << "Truck Scale";
        QTest::newRow("tokens are case-sensitive")
            << QByteArray("VELMAR 2.105 id pc\r") << ok << "VELMAR"
            << "2.105" << 8 << 20480LL << "";
        QTest::newRow("no model word")
            << QByteArray("ACME 1.000 ID\r") << Parse::UnknownModel << "UNKNOWN"
            << "1.000" << 0 << 0LL << "";
        QTest::newRow("no dot") << QByteArray("ZORLA ID\r") << Parse::NoVersion << ""
                                << "" << 0 << 0LL << "";
        QTest::newRow("dot first") << QByteArray(".ZORLA 1.024\r") << Parse::VersionMisplaced << ""
                                   << "" << 0 << 0LL << "";
        QTest::newRow("dot at 255") << QByteArray(253, ' ') + "1.024 ZORLA\r" << ok << "ZORLA"
                                    << "1.024" << 4 << 7152LL << "";
        QTest::newRow("dot at 256")
            << QByteArray(254, ' ') + "1.024 ZORLA\r" << Parse::VersionMisplaced << ""
            << "" << 0 << 0LL << "";
    }
    void identityFromReply()
    {
        QFETCH(QByteArray, reply);
        const DeviceIdentity identity = DeviceIdentity::fromReply(reply);
        QTEST(identity.parse, "parse");
        QTEST(identity.model, "model");
        QTEST(identity.version, "version");
        QTEST(identity.deviceClass, "deviceClass");
        QTEST(identity.space, "space");
        QTEST(identity.application, "application");
        QCOMPARE(identity.failure.isEmpty(), identity.parse != Parse::VersionMisplaced);
    }

    void connectAndDisconnect_data()
    {
        QTest::addColumn<Model>("model");
        QTest::addColumn<Application>("application");
        QTest::addColumn<QStringList>("identity"); // model, version, application, space
        QTest::addColumn<int>("deviceClass");
        QTest::addColumn<bool>("truck");
        QTest::newRow("old ZORLA, industrial")
            << Model::ZorlaOld << Application::Industrial
            << texts({"ZORLA", "1.020", "Industrial", "3056"}) << 1 << false;
        QTest::newRow("ZORLA, none") << Model::Zorla << Application::None
                                     << texts({"ZORLA", "1.024", "None", "7152"}) << 4 << false;
        QTest::newRow("VELMAR, truck")
            << Model::Velmar << Application::Truck
            << texts({"VELMAR", "2.105", "Truck Scale", "20480"}) << 8 << true;
    }
    void connectAndDisconnect()
    {
        QFETCH(Model, model);
        QFETCH(Application, application);
        QFETCH(QStringList, identity);
        QFETCH(int, deviceClass);
        QFETCH(bool, truck);
        Bench b(model, application);
        QCOMPARE(b.status.connectTooltip(), QStringLiteral("Connect With Device"));

        b.connection.toggle();
        QCOMPARE(b.dialogs.messages, Messages());
        QCOMPARE(b.port.device().commands(), QList<QByteArray>{"@C4\r"});
        QCOMPARE(shown(b),
                 (QStringList{QStringLiteral("Connected !"), identity[0], identity[1], identity[2],
                              QString(), identity[3], QStringLiteral("Break Communication"),
                              QStringLiteral("cmdDisconnectIcon")}));
        QVERIFY(b.connection.Connected());
        QCOMPARE(b.link.DeviceClass(), deviceClass);
        QCOMPARE(b.connection.identity().deviceClass, deviceClass);
        QCOMPARE(b.status.truckVisible(), truck);
        QCOMPARE(b.status.totalVisible(), !truck);
        QVERIFY(b.status.programEnabled() && b.status.loadEnabled() && b.status.connectEnabled());

        b.status.setStatusText(4, QStringLiteral("Tickets Programmed"));
        b.connection.toggle();
        QCOMPARE(shown(b), (texts({"Not Connected", "", "", "", "", "", "Connect with Device",
                                   "cmdConnectIcon"})));
        QVERIFY(!b.connection.Connected());
        QVERIFY(!b.link.isOpen());
        QCOMPARE(b.link.ReplyStatus(), u'N');
        QCOMPARE(b.link.DeviceClass(), 0);
        QVERIFY(!b.status.programEnabled() && !b.status.loadEnabled());
        QVERIFY(!b.status.truckVisible());
        QCOMPARE(b.status.totalVisible(), !truck); // a disconnect leaves the totalize frame
    }

    // Identifications that end without a connection; the connect button is enabled again after
    // every one of them.
    void unfinishedIdentification_data()
    {
        QTest::addColumn<SimulatedDevice::Fault>("fault");
        QTest::addColumn<QString>("portState");
        QTest::addColumn<QString>("model");
        QTest::addColumn<bool>("programEnabled");
        QTest::addColumn<bool>("portOpen");
        QTest::addColumn<QStringList>("titles");
        using Fault = SimulatedDevice::Fault;
        QTest::newRow("unknown model") << Fault::garbage(1, "ACME 3.000 ID\r") << "Connected !"
                                       << "UNKNOWN" << true << true << QStringList();
        QTest::newRow("no version") << Fault::garbage(1, "VELMAR ID\r") << "Port Opened"
                                    << "" << false << true << texts({"Version Error!"});
        QTest::newRow("dot first") << Fault::garbage(1, ".VELMAR\r") << "Not Connected"
                                   << "" << false << true << texts({"Communication Error!"});
        QTest::newRow("refused") << Fault::nak(1) << "Port Opened"
                                 << "" << false << true << texts({"Communication Error!"});
        QTest::newRow("silent") << Fault::silence(1) << "Port Opened"
                                << "" << false << true << texts({"Timeout!"});
        QTest::newRow("line dropped") << Fault::lineDrop(1) << "Port Opened"
                                      << "" << false << false << texts({"Communication Error!"});
    }
    void unfinishedIdentification()
    {
        QFETCH(SimulatedDevice::Fault, fault);
        QFETCH(QString, portState);
        QFETCH(QString, model);
        QFETCH(bool, programEnabled);
        QFETCH(bool, portOpen);
        QFETCH(QStringList, titles);
        Bench b;
        b.link.setDeviceClass(4);
        b.port.device().addFault(fault);

        b.connection.toggle();
        QStringList shownTitles;
        for (const auto &message : b.dialogs.messages)
            shownTitles.append(message.title);
        QCOMPARE(shownTitles, titles);
        QCOMPARE(b.status.portState(), portState);
        QCOMPARE(b.status.statusText(1), model);
        QCOMPARE(b.status.statusText(2), QString());
        QCOMPARE(b.status.programEnabled(), programEnabled);
        QCOMPARE(b.status.loadEnabled(), programEnabled);
        QCOMPARE(b.link.isOpen(), portOpen);
        QCOMPARE(b.link.DeviceClass(), 4);
        QVERIFY(!b.connection.Connected());
        QCOMPARE(b.status.connectIcon(), QStringLiteral("cmdConnectIcon"));
        QVERIFY(b.status.connectEnabled());

        // The next connect command identifies again, over the port left open.
        b.port.device().clearFaults();
        if (!portOpen)
            return;
        b.connection.toggle();
        QVERIFY(b.connection.Connected());
        QCOMPARE(b.status.statusText(1), QStringLiteral("VELMAR"));
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
