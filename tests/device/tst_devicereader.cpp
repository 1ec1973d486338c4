#include "deviceconnection.h"
#include "deviceprogrammer.h"
#include "devicereader.h"
#include "devicestatus.h"
#include "errors.h"
#include "projectcommands.h"
#include "scripteddialogservice.h"
#include "seriallink.h"
#include "simulatedport.h"
#include "ticketproject.h"

#include <QRandomGenerator>
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
    DeviceReader::Outcome read()
    {
        return DeviceReader(project, link, status, connection, dialogs, commands).run();
    }
    QStringList byteCounts() const
    {
        QStringList counts;
        for (int n = 1; n <= TicketProject::SlotCount; ++n)
            counts << project.slot(n).byteCount;
        return counts;
    }

    SimulatedPort port;
    ScriptedDialogService dialogs;
    TicketProject project;
    ProjectCommands commands{project, dialogs};
    SerialLink link{dialogs};
    DeviceStatus status;
    DeviceConnection connection{link, status, dialogs};
};

QByteArray entry(quint16 first, quint16 last)
{
    return QByteArray::fromHex(
        QByteArray::number(quint32(first) << 16 | last, 16).rightJustified(8, '0'));
}

QByteArrayList reads(quint16 from, int count, int step)
{
    QByteArrayList commands;
    for (int i = 0; i < count; ++i)
        commands << "@E" +
                        QByteArray::number(from + step * i, 16).toUpper().rightJustified(4, '0') +
                        "-??\r";
    return commands;
}

} // namespace

// The Read command against a simulated device: round trips with Program, its reads on the wire,
// progress, cancel, failures and damaged directories.
class TestDeviceReader : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void wireTraffic_data();
    void wireTraffic();
    void stops_data();
    void stops();
    void noDeviceClass();
};

void TestDeviceReader::roundTrip_data()
{
    QTest::addColumn<Model>("model");
    QTest::addColumn<App>("app");
    QTest::addColumn<int>("total");
    // Class 1 costs a character pause per command character and one command per byte, so it
    // gets a short stream here; the benchmark reads back a full class-1 device.
    for (const App app : {App::Industrial, App::Truck}) {
        const char *set = app == App::Truck ? "truck" : "totalize";
        QTest::addRow("class 1, %s", set) << Model::ZorlaOld << app << 96;
        QTest::addRow("class 4, %s", set) << Model::Zorla << app << 7152;
        QTest::addRow("class 8, %s", set) << Model::Velmar << app << 20480;
    }
}

void TestDeviceReader::roundTrip()
{
    QFETCH(Model, model);
    QFETCH(App, app);
    QFETCH(int, total);
    Rig rig(model, app);
    const bool truck = app == App::Truck;
    const QList<int> set = truck ? QList<int>{1, 5, 6} : QList<int>{1, 2, 3, 4};

    QRandomGenerator random(20240611 + total + int(truck));
    QByteArray bytes(total, Qt::Uninitialized);
    for (int i = 0; i < total; ++i)
        bytes[i] = char(i < 256 ? i : random.bounded(256));
    QList<int> cuts{0, total};
    for (int i = 1; i < set.size(); ++i)
        cuts << int(random.bounded(total + 1));
    std::sort(cuts.begin(), cuts.end());
    for (int i = 0; i < set.size(); ++i) {
        const QByteArray part = bytes.mid(cuts.at(i), cuts.at(i + 1) - cuts.at(i));
        rig.project.setSlot(set.at(i),
                            {part, QStringLiteral("f"), {}, QString::number(part.size())});
    }
    QCOMPARE(DeviceProgrammer(rig.project, rig.link, rig.status, rig.connection, rig.dialogs).run(),
             DeviceProgrammer::Outcome::Programmed);

    // A Zorla directory has no entries for P1 and P2, so only T comes back from the truck set.
    QByteArrayList expected(TicketProject::SlotCount);
    for (int n : set) {
        if (n <= 4 || model == Model::Velmar)
            expected[n - 1] = rig.project.contents(n); // as adjusted by the stream preparation
    }
    QCOMPARE(rig.read(), DeviceReader::Outcome::Readed);
    for (int n = 1; n <= TicketProject::SlotCount; ++n)
        QCOMPARE(rig.project.contents(n), expected.at(n - 1));
    QVERIFY(rig.project.isConsistent());
    QCOMPARE(rig.status.statusText(4), QStringLiteral("Tickets Readed"));
    QVERIFY(rig.dialogs.messages.isEmpty());
}

void TestDeviceReader::wireTraffic_data()
{
    QTest::addColumn<Model>("model");
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArrayList>("expected");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("class 1") << Model::ZorlaOld << 10 << reads(0x0400, 16, 1) + reads(0x0410, 10, 1)
                             << QStringList();
    QTest::newRow("class 4") << Model::Zorla << 10 << reads(0x0400, 4, 4) + reads(0x0410, 3, 4)
                             << QStringList();
    QTest::newRow("class 8") << Model::Velmar << 10 << reads(0x9FFE, 6, -4) + reads(0xA000, 3, 4)
                             << QStringList{QStringLiteral("Reading ..."),
                                            QStringLiteral("Reading ...   0%"),
                                            QStringLiteral("Reading ...   40%"),
                                            QStringLiteral("Reading ...   100%"),
                                            QStringLiteral("Tickets Readed")};
    QTest::newRow("empty directory")
        << Model::Velmar << 0 << reads(0x9FFE, 6, -4)
        << QStringList{QStringLiteral("Reading ..."), QStringLiteral("Tickets Readed")};
}

void TestDeviceReader::wireTraffic()
{
    QFETCH(Model, model);
    QFETCH(int, length);
    QFETCH(QByteArrayList, expected);
    QFETCH(QStringList, texts);
    Rig rig(model);
    const quint16 start = model == Model::Velmar ? 0xA000 : 0x0410;
    rig.port.device().setMemory(start, "0123456789AB");
    if (length > 0)
        rig.port.device().setDirectoryEntry(1, entry(start, quint16(start + length - 1)));
    rig.project.setSlot(TicketProject::P2, {"old", {}, {}, QStringLiteral("3")});
    QStringList seen{rig.status.statusText(4)};
    bool progressShown = false;
    QObject::connect(&rig.status, &DeviceStatus::changed, [&] {
        progressShown |= rig.status.progressVisible();
        if (seen.constLast() != rig.status.statusText(4))
            seen << rig.status.statusText(4);
    });

    QCOMPARE(rig.read(), DeviceReader::Outcome::Readed);
    QCOMPARE(rig.port.device().commands(), expected);
    QCOMPARE(rig.project.contents(1), QByteArray("0123456789").left(length));
    QCOMPARE(rig.byteCounts(),
             (QStringList{QString::number(length), QStringLiteral("0"), QStringLiteral("0"),
                          QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0")}));
    QCOMPARE(progressShown, length > 0);
    if (!texts.isEmpty())
        QCOMPARE(seen.mid(1), texts);
    QVERIFY(rig.status.loadEnabled() && rig.status.programEnabled() && !rig.status.busy());
}

void TestDeviceReader::stops_data()
{
    QTest::addColumn<Model>("model");
    QTest::addColumn<QByteArray>("tEntry");
    QTest::addColumn<std::optional<Fault>>("fault");
    QTest::addColumn<int>("cancelAt"); // command number whose wait sees a Cancel click
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QList<Message>>("messages");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<int>("commands");
    QTest::addColumn<QString>("tCount"); // T's byte count afterwards; H always ends "0"

    const QByteArray t = entry(0xA000, 0xA003); // H follows at A004..A00B
    const int failed = int(DeviceReader::Outcome::Failed);
    const auto invalid = [](const char *text) {
        return QList<Message>{{QString::fromLatin1(text), QStringLiteral("Communication error!")}};
    };
    QTest::newRow("silence on the third entry")
        << Model::Velmar << t << std::optional(Fault::silence(3)) << 0 << failed
        << QList<Message>{{QStringLiteral("Communication failed"), QStringLiteral("Timeout!")},
                          {errorMessage(4).text, errorMessage(4).title}}
        << true << 5 << QStringLiteral("0");
    QTest::newRow("NAK on a data read")
        << Model::Velmar << t << std::optional(Fault::nak(8)) << 0 << failed
        << QList<Message>{{errorMessage(8).text, errorMessage(8).title}} << false << 8
        << QStringLiteral("4");
    QTest::newRow("cancel in the second slot")
        << Model::Velmar << t << std::optional<Fault>() << 8
        << int(DeviceReader::Outcome::Cancelled) << QList<Message>() << true << 8
        << QStringLiteral("4");
    QTest::newRow("invalid data reply")
        << Model::Velmar << t << std::optional(Fault::garbage(7, "@EA000-6X\r")) << 0 << failed
        << invalid("The device sent an invalid reply: @EA000-6X<CR>") << true << 7
        << QStringLiteral("0");
    QTest::newRow("entry outside the data area")
        << Model::Velmar << entry(0x9000, 0x9010) << std::optional<Fault>() << 0 << failed
        << invalid("The device sent an invalid directory entry for slot T: 90009010") << true << 1
        << QStringLiteral("0");
    QTest::newRow("entry past a class-4 device")
        << Model::Zorla << entry(0x0410, 0x2000) << std::optional<Fault>() << 0 << failed
        << invalid("The device sent an invalid directory entry for slot T: 04102000") << true << 4
        << QStringLiteral("0");
    QTest::newRow("entry running backwards")
        << Model::ZorlaOld << entry(0x0420, 0x0410) << std::optional<Fault>() << 0 << failed
        << invalid("The device sent an invalid directory entry for slot T: 04200410") << true << 16
        << QStringLiteral("0");
}

void TestDeviceReader::stops()
{
    QFETCH(Model, model);
    QFETCH(QByteArray, tEntry);
    QFETCH(std::optional<Fault>, fault);
    QFETCH(int, cancelAt);
    QFETCH(int, outcome);
    QFETCH(QList<Message>, messages);
    QFETCH(bool, connected);
    QFETCH(int, commands);
    QFETCH(QString, tCount);
    Rig rig(model);
    SimulatedDevice &device = rig.port.device();
    device.setDirectoryEntry(1, tEntry);
    device.setDirectoryEntry(2, entry(0xA004, 0xA00B));
    device.setMemory(0xA000, "0123456789AB");
    if (fault)
        device.addFault(*fault);
    rig.link.setTimeoutScale(0.05);
    QObject::connect(&rig.link, &SerialLink::commandSent, [&] {
        if (device.commands().size() + 1 == cancelAt)
            QTimer::singleShot(0, &rig.link, [&] { rig.link.setCancelRequested(true); });
    });

    QCOMPARE(int(rig.read()), outcome);
    QCOMPARE(rig.dialogs.messages, messages);
    QCOMPARE(rig.connection.Connected(), connected);
    QCOMPARE(device.commands().size(), commands);
    QCOMPARE(rig.project.slot(TicketProject::T).byteCount, tCount);
    QCOMPARE(rig.project.contents(TicketProject::T), QByteArray("0123").left(tCount.toInt()));
    QCOMPARE(rig.project.slot(TicketProject::H).byteCount, QStringLiteral("0"));
    QVERIFY(rig.project.isConsistent());
    const bool cancelled = outcome == int(DeviceReader::Outcome::Cancelled);
    QCOMPARE(rig.status.statusText(4), cancelled ? QStringLiteral("Reading Cancelled") : QString());
    QCOMPARE(rig.status.loadEnabled(), cancelled);
    QVERIFY(!rig.status.progressVisible() && !rig.status.busy() && !rig.status.cancelVisible());
}

void TestDeviceReader::noDeviceClass()
{
    Rig rig(Model::Velmar);
    rig.project.setSlot(TicketProject::T, {"abc", QStringLiteral("t"), {}, QStringLiteral("3")});
    rig.link.setDeviceClass(0);
    QCOMPARE(rig.read(), DeviceReader::Outcome::Readed);
    QVERIFY(rig.port.device().commands().isEmpty());
    QCOMPARE(rig.project.slot(TicketProject::T), TicketSlot());
    QCOMPARE(rig.status.statusText(4), QStringLiteral("Tickets Readed"));
}

QTEST_GUILESS_MAIN(TestDeviceReader)
#include "tst_devicereader.moc"
