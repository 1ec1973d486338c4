#include "deviceconnection.h"
#include "deviceprogrammer.h"
#include "devicestatus.h"
#include "errors.h"
#include "scripteddialogservice.h"
#include "seriallink.h"
#include "simulatedport.h"
#include "ticketproject.h"

#include <QtTest>
#include <optional>

using Model = SimulatedDevice::Model;
using App = SimulatedDevice::Application;
using Fault = SimulatedDevice::Fault;
using Message = ScriptedDialogService::Message;
Q_DECLARE_METATYPE(std::optional<SimulatedDevice::Fault>)

char *toString(const Message &message)
{
    return QTest::toString(message.title + QLatin1String(": ") + message.text);
}

namespace
{

// The real link connected to a simulated device over a pseudo-terminal, identified and ready.
struct Rig {
    explicit Rig(Model model, App app = App::Industrial) : port(model, app)
    {
        link.setPortName(port.slavePath());
        link.setSettings(QStringLiteral("19200,n,8,1"));
        connection.toggle();
        port.device().clearRecording();
    }
    void fill(int n, const QByteArray &bytes)
    {
        project.setSlot(n, {bytes, QStringLiteral("f"), {}, QString::number(bytes.size())});
    }
    DeviceProgrammer::Outcome program()
    {
        return DeviceProgrammer(project, link, status, connection, dialogs).run();
    }
    QByteArrayList commands() { return port.device().commands(); }

    SimulatedPort port;
    ScriptedDialogService dialogs;
    TicketProject project;
    SerialLink link{dialogs};
    DeviceStatus status;
    DeviceConnection connection{link, status, dialogs};
};

QByteArrayList lines(QByteArrayList commands)
{
    for (QByteArray &command : commands)
        command += '\r';
    return commands;
}

QByteArrayList erase(quint16 from, int count, int step, const QByteArray &fill)
{
    QByteArrayList commands;
    for (int i = 0; i < count; ++i)
        commands << "@E" +
                        QByteArray::number(from + step * i, 16).toUpper().rightJustified(4, '0') +
                        '-' + fill;
    return commands;
}

Message box(int code)
{
    const ErrorMessage m = errorMessage(code);
    return {m.text, m.title};
}

} // namespace

// The Program command against a simulated device: its commands on the wire, progress, the space
// check, cancel and failures.
class TestDeviceProgrammer : public QObject
{
    Q_OBJECT
private slots:
    void wireTraffic_data();
    void wireTraffic();
    void progress();
    void spaceCheck_data();
    void spaceCheck();
    void cancelDuringData();
    void failures_data();
    void failures();
    void noDeviceClass();
};

void TestDeviceProgrammer::wireTraffic_data()
{
    QTest::addColumn<Model>("model");
    QTest::addColumn<App>("app");
    QTest::addColumn<QByteArrayList>("contents");
    QTest::addColumn<QByteArrayList>("expected");

    const QByteArrayList zorlaOldErase = erase(0x0400, 16, 1, "FF");
    const QByteArrayList zorlaErase = erase(0x0400, 4, 4, "FFFFFFFF");
    const QByteArrayList velmarErase = erase(0x9FFE, 4, -4, "FFFFFFFF");
    QTest::newRow("abc, class 1") << Model::ZorlaOld << App::Industrial << QByteArrayList{"abc"}
                                  << zorlaOldErase + QByteArrayList{"@E0410-61", "@E0411-62",
                                                                    "@E0412-63", "@E0400-04",
                                                                    "@E0401-10", "@E0402-04",
                                                                    "@E0403-12"};
    QTest::newRow("abc, class 4") << Model::Zorla << App::Industrial << QByteArrayList{"abc"}
                                  << zorlaErase +
                                         QByteArrayList{"@E0410-616263FF", "@E0400-04100412"};
    QTest::newRow("abc, class 8") << Model::Velmar << App::None << QByteArrayList{"abc"}
                                  << velmarErase +
                                         QByteArrayList{"@EA000-616263FF", "@E9FFE-A000A002"};
    QTest::newRow("truck set erases P1, P2")
        << Model::Velmar << App::Truck << QByteArrayList{"abc"}
        << erase(0x9FFE, 6, -4, "FFFFFFFF") + QByteArrayList{"@EA000-616263FF", "@E9FFE-A000A002"};
    QTest::newRow("class 1, T then B, H empty")
        << Model::ZorlaOld << App::Industrial << QByteArrayList{"abc", "", "de"}
        << zorlaOldErase + QByteArrayList{"@E0410-61", "@E0411-62", "@E0412-63", "@E0413-64",
                                          "@E0414-65", "@E0400-04", "@E0401-10", "@E0402-04",
                                          "@E0403-12", "@E0408-04", "@E0409-13", "@E040A-04",
                                          "@E040B-14"};
    QTest::newRow("class 4, five bytes")
        << Model::Zorla << App::Industrial << QByteArrayList{"abcde"}
        << zorlaErase + QByteArrayList{"@E0410-61626364", "@E0414-65FFFFFF", "@E0400-04100414"};
}

void TestDeviceProgrammer::wireTraffic()
{
    QFETCH(Model, model);
    QFETCH(App, app);
    QFETCH(QByteArrayList, contents);
    QFETCH(QByteArrayList, expected);
    Rig rig(model, app);
    for (int n = 1; n <= contents.size(); ++n)
        rig.fill(n, contents.at(n - 1));

    QCOMPARE(rig.program(), DeviceProgrammer::Outcome::Programmed);
    QCOMPARE(rig.commands(), lines(expected));
    QCOMPARE(rig.status.statusText(4), QStringLiteral("Tickets Programmed"));
    QVERIFY(rig.status.programEnabled() && rig.status.loadEnabled());
    QVERIFY(!rig.status.progressVisible() && !rig.status.cancelVisible() && !rig.status.busy());
    QVERIFY(rig.status.commandButtonsEnabled());
    QVERIFY(rig.dialogs.messages.isEmpty());
}

void TestDeviceProgrammer::progress()
{
    for (const int length : {3, 100}) {
        Rig rig(Model::Velmar);
        rig.fill(TicketProject::T, QByteArray(length, 'x'));
        QList<int> values;
        QStringList texts;
        QObject::connect(&rig.link, &SerialLink::commandSent, [&] {
            values << rig.status.progressValue();
            texts << rig.status.statusText(4);
        });
        QCOMPARE(rig.program(), DeviceProgrammer::Outcome::Programmed);
        QCOMPARE(rig.status.progressMaximum(), length + 16);
        if (length == 3) {
            QCOMPARE(values, QList<int>({0, 8, 16, 19, 19, 19}));
            QCOMPARE(texts.mid(1, 4), QStringList({QStringLiteral("Programming ...   42%"),
                                                   QStringLiteral("Programming ...   84%"),
                                                   QStringLiteral("Programming ...   100%"),
                                                   QStringLiteral("Programming ...   100%")}));
        } else {
            QCOMPARE(texts.at(4), QStringLiteral("Programming ...   28%"));
            QCOMPARE(values.mid(24, 3), QList<int>({112, 116, 116})); // the 21st data command
            QCOMPARE(values.size(), 4 + 25 + 1);
        }
    }
}

void TestDeviceProgrammer::spaceCheck_data()
{
    QTest::addColumn<int>("tLength");
    QTest::addColumn<int>("p1Length");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("equal passes") << 7152 << 0 << true;
    QTest::newRow("one more byte") << 7153 << 0 << false;
    QTest::newRow("unwritten P1 counts") << 7152 << 1 << false;
}

void TestDeviceProgrammer::spaceCheck()
{
    QFETCH(int, tLength);
    QFETCH(int, p1Length);
    QFETCH(bool, accepted);
    Rig rig(Model::Zorla);
    rig.fill(TicketProject::T, QByteArray(tLength, 'x'));
    rig.fill(TicketProject::P1, QByteArray(p1Length, 'y'));

    if (accepted) {
        QCOMPARE(rig.program(), DeviceProgrammer::Outcome::Programmed);
        QCOMPARE(rig.port.device().memory(0x0410, 7152), QByteArray(7152, 'x'));
        return;
    }
    QCOMPARE(rig.program(), DeviceProgrammer::Outcome::Refused);
    QCOMPARE(rig.dialogs.messages, QList<Message>{box(7)});
    QVERIFY(rig.commands().isEmpty());
    QVERIFY(rig.status.statusText(4).isEmpty());
    QVERIFY(rig.status.programEnabled() && rig.status.loadEnabled());
}

void TestDeviceProgrammer::cancelDuringData()
{
    Rig rig(Model::Velmar);
    rig.fill(TicketProject::T, "0123456789");
    rig.port.device().setDirectoryEntry(1, "\xa0\x00\xa0\x09");
    QObject::connect(&rig.link, &SerialLink::commandSent, [&](const QByteArray &command) {
        if (command.startsWith("@EA000"))
            QTimer::singleShot(0, &rig.link, [&] { rig.link.setCancelRequested(true); });
    });

    QCOMPARE(rig.program(), DeviceProgrammer::Outcome::Cancelled);
    QCOMPARE(rig.commands().size(), 5); // the data command in progress completed
    QCOMPARE(rig.port.device().memory(0xA000, 4), QByteArray("0123"));
    QCOMPARE(rig.port.device().directoryEntry(1), QByteArray(4, char(0xFF)));
    QCOMPARE(rig.status.statusText(4), QStringLiteral("Programming Cancelled"));
    QVERIFY(rig.status.programEnabled() && !rig.status.cancelVisible() && !rig.status.busy());
}

void TestDeviceProgrammer::failures_data()
{
    QTest::addColumn<std::optional<Fault>>("fault");
    QTest::addColumn<QList<Message>>("messages");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<int>("commands");
    QTest::newRow("NAK on a data command")
        << std::optional(Fault::nak(5)) << QList<Message>{box(8)} << false << 5;
    QTest::newRow("silence on the first erase")
        << std::optional(Fault::silence(1))
        << QList<Message>{{QStringLiteral("Communication failed"), QStringLiteral("Timeout!")},
                          box(5)}
        << true << 3;
}

void TestDeviceProgrammer::failures()
{
    QFETCH(std::optional<Fault>, fault);
    QFETCH(QList<Message>, messages);
    QFETCH(bool, connected);
    QFETCH(int, commands);
    Rig rig(Model::Velmar);
    rig.fill(TicketProject::T, "abc");
    rig.link.setTimeoutScale(0.05);
    rig.port.device().addFault(*fault);

    QCOMPARE(rig.program(), DeviceProgrammer::Outcome::Failed);
    QCOMPARE(rig.dialogs.messages, messages);
    QCOMPARE(rig.connection.Connected(), connected);
    QCOMPARE(rig.commands().size(), commands);
    QVERIFY(rig.status.statusText(4).isEmpty());
    QVERIFY(!rig.status.programEnabled() && !rig.status.loadEnabled());
    QVERIFY(!rig.status.progressVisible() && !rig.status.busy());
    QVERIFY(rig.status.commandButtonsEnabled());
}

void TestDeviceProgrammer::noDeviceClass()
{
    Rig rig(Model::Velmar);
    rig.fill(TicketProject::T, "abc");
    rig.link.setDeviceClass(0);
    QCOMPARE(rig.program(), DeviceProgrammer::Outcome::NoDevice);
    QVERIFY(rig.commands().isEmpty());
    QCOMPARE(rig.status.statusText(4), QStringLiteral("Programming ...   0%"));
    QVERIFY(!rig.status.programEnabled() && !rig.status.loadEnabled() && !rig.status.busy());
}

QTEST_GUILESS_MAIN(TestDeviceProgrammer)
#include "tst_deviceprogrammer.moc"
