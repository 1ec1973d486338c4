#include "simulateddevice.h"

#include <QTest>

using Model = SimulatedDevice::Model;
using Application = SimulatedDevice::Application;
using Fault = SimulatedDevice::Fault;

class TestSimulatedDevice : public QObject
{
    Q_OBJECT
private slots:
    void identification_data();
    void identification();
    void writeThenRead_data();
    void writeThenRead();
    void velmarEntryAndDataAreKeptApart();
    void refusal_data();
    void refusal();
    void assemblesLinesFromSingleCharacters();
    void faults();
    void parseModel();
};

void TestSimulatedDevice::identification_data()
{
    QTest::addColumn<Model>("model");
    QTest::addColumn<Application>("application");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QByteArray>("word");
    QTest::addColumn<QByteArray>("token");
    QTest::addColumn<int>("deviceClass");

    QTest::newRow("zorla-old none") << Model::ZorlaOld << Application::None << QString()
                                    << QByteArray("ZORLA") << QByteArray(" S ") << 1;
    QTest::newRow("zorla industrial") << Model::Zorla << Application::Industrial << QString()
                                      << QByteArray("ZORLA") << QByteArray("ID") << 4;
    QTest::newRow("velmar truck") << Model::Velmar << Application::Truck << QString()
                                  << QByteArray("VELMAR") << QByteArray("PC") << 8;
    QTest::newRow("zorla 1.023") << Model::Zorla << Application::Industrial
                                 << QStringLiteral("1.023") << QByteArray("ZORLA")
                                 << QByteArray("ID") << 1;
    QTest::newRow("zorla-old 1.1") << Model::ZorlaOld << Application::Truck << QStringLiteral("1.1")
                                   << QByteArray("ZORLA") << QByteArray("PC") << 4;
    QTest::newRow("zorla 0.999") << Model::Zorla << Application::None << QStringLiteral("0.999")
                                 << QByteArray("ZORLA") << QByteArray(" S ") << 1;
}

void TestSimulatedDevice::identification()
{
    QFETCH(Model, model);
    QFETCH(Application, application);
    QFETCH(QString, version);
    QFETCH(QByteArray, word);
    QFETCH(QByteArray, token);
    QFETCH(int, deviceClass);

    SimulatedDevice device(model, application);
    if (!version.isEmpty())
        device.setVersion(version);
    const QByteArray reply = device.receive("@C4\r");

    QVERIFY(reply.endsWith('\r'));
    QCOMPARE(reply.count('\r'), 1);
    QCOMPARE(reply.count('.'), 1);
    const qsizetype dot = reply.indexOf('.');
    QVERIFY(reply.mid(dot - 1, 5).startsWith(device.version().toLatin1()));
    for (const char *other : {"ZORLA", "VELMAR", " S ", "ID", "PC"})
        QCOMPARE(reply.count(other), qsizetype(other == word || other == token));
    QVERIFY(!reply.contains(SimulatedDevice::Nak));
    QCOMPARE(device.deviceClass(), deviceClass);
}

void TestSimulatedDevice::writeThenRead_data()
{
    QTest::addColumn<Model>("model");
    QTest::addColumn<QByteArray>("address");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("readReply");

    QTest::newRow("zorla-old data")
        << Model::ZorlaOld << QByteArray("0410") << QByteArray("61") << QByteArray("@E0410-61");
    QTest::newRow("zorla-old directory")
        << Model::ZorlaOld << QByteArray("040F") << QByteArray("FF") << QByteArray("@E040F-FF");
    QTest::newRow("zorla data") << Model::Zorla << QByteArray("1FFC") << QByteArray("616263FF")
                                << QByteArray("@E1FFC-616263FF\r");
    QTest::newRow("zorla directory") << Model::Zorla << QByteArray("0400") << QByteArray("04100412")
                                     << QByteArray("@E0400-04100412\r");
    QTest::newRow("velmar data") << Model::Velmar << QByteArray("A000") << QByteArray("0A0B0C0D")
                                 << QByteArray("@EA000-0A0B0C0D\r");
    QTest::newRow("velmar P2 entry") << Model::Velmar << QByteArray("9FEA")
                                     << QByteArray("A010A0FF") << QByteArray("@E9FEA-A010A0FF\r");
}

void TestSimulatedDevice::writeThenRead()
{
    QFETCH(Model, model);
    QFETCH(QByteArray, address);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, readReply);

    SimulatedDevice device(model, Application::Industrial);
    const QByteArray before = device.receive("@E" + address + "-??\r");
    QCOMPARE(before.mid(7, data.size()), QByteArray(data.size(), 'F'));

    const QByteArray ack = device.receive("@E" + address + '-' + data + '\r');
    QVERIFY(ack.endsWith('\r'));
    QVERIFY(!ack.contains(SimulatedDevice::Nak));
    QCOMPARE(device.receive("@E" + address + "-??\r"), readReply);
    QCOMPARE(device.commands().size(), 3);
}

void TestSimulatedDevice::velmarEntryAndDataAreKeptApart()
{
    SimulatedDevice velmar(Model::Velmar, Application::Truck);
    velmar.receive("@EA000-616263FF\r@E9FFE-A000A002\r");
    QCOMPARE(velmar.receive("@EA000-??\r"), QByteArray("@EA000-616263FF\r"));
    QCOMPARE(velmar.receive("@E9FFE-??\r"), QByteArray("@E9FFE-A000A002\r"));
    QCOMPARE(velmar.memory(0xA000, 4), QByteArray::fromHex("616263FF"));
    QCOMPARE(velmar.directoryEntry(1), QByteArray::fromHex("A000A002"));
    // Only an entry's own address is the directory: 9FFC is data memory.
    velmar.receive("@E9FFC-01020304\r");
    QCOMPARE(velmar.memory(0x9FFC, 6), QByteArray::fromHex("010203046162"));
    QCOMPARE(velmar.directoryEntry(1), QByteArray::fromHex("A000A002"));

    SimulatedDevice zorla(Model::Zorla, Application::Industrial);
    zorla.receive("@E9FFE-A000A002\r");
    QCOMPARE(zorla.memoryAt(0xA001), quint8(0x02));
    zorla.receive("@E0404-04100412\r");
    QCOMPARE(zorla.directoryEntry(2), QByteArray::fromHex("04100412"));
}

void TestSimulatedDevice::refusal_data()
{
    QTest::addColumn<Model>("model");
    QTest::addColumn<QByteArray>("command");

    QTest::newRow("unknown") << Model::Zorla << QByteArray("@X1\r");
    QTest::newRow("other identification") << Model::Zorla << QByteArray("@C5\r");
    QTest::newRow("no @") << Model::Velmar << QByteArray("C4\r");
    QTest::newRow("empty line") << Model::Velmar << QByteArray("\r");
    QTest::newRow("odd digits") << Model::ZorlaOld << QByteArray("@E0410-6\r");
    QTest::newRow("4 bytes to class 1") << Model::ZorlaOld << QByteArray("@E0410-61626364\r");
    QTest::newRow("1 byte to class 4") << Model::Zorla << QByteArray("@E0410-61\r");
    QTest::newRow("8 bytes to class 8") << Model::Velmar << QByteArray("@EA000-6162636465666768\r");
    QTest::newRow("lower-case data") << Model::Velmar << QByteArray("@EA000-6a6b6c6d\r");
    QTest::newRow("bad address") << Model::Zorla << QByteArray("@E041G-??\r");
    QTest::newRow("short address") << Model::Zorla << QByteArray("@E410-??\r");
    QTest::newRow("no dash") << Model::Zorla << QByteArray("@E0410=??\r");
}

void TestSimulatedDevice::refusal()
{
    QFETCH(Model, model);
    QFETCH(QByteArray, command);

    SimulatedDevice device(model, Application::Industrial);
    const QByteArray reply = device.receive(command);
    QVERIFY(reply.contains(SimulatedDevice::Nak));
    QVERIFY(reply.endsWith('\r'));
    QCOMPARE(device.memory(0x0410, 4), QByteArray(4, char(0xFF)));
    QCOMPARE(device.directoryEntry(1), QByteArray(4, char(0xFF)));
}

void TestSimulatedDevice::assemblesLinesFromSingleCharacters()
{
    SimulatedDevice device(Model::ZorlaOld, Application::None);
    const QByteArray command = "@E0411-62\r";
    QByteArray reply;
    for (char c : command) {
        QVERIFY(reply.isEmpty());
        reply = device.receive(QByteArray(1, c));
    }
    QVERIFY(!reply.isEmpty());
    QCOMPARE(device.memoryAt(0x0411), quint8(0x62));

    // A line split anywhere, and two lines in one piece.
    QVERIFY(device.receive("@C").isEmpty());
    QCOMPARE(device.receive("4\r@E0411-??\r"), device.identificationReply() + "@E0411-62");
    QCOMPARE(device.commands(), (QList<QByteArray>{command, "@C4\r", "@E0411-??\r"}));
    device.clearRecording();
    QVERIFY(device.commands().isEmpty());
}

void TestSimulatedDevice::faults()
{
    SimulatedDevice device(Model::Zorla, Application::Industrial);
    const QByteArray write = "@E0410-01020304\r";
    const QByteArray identification = device.identificationReply();
    device.receive("@C4\r@C4\r");

    // Counted from when the fault is added: the 2nd command from now is refused, not executed.
    device.addFault(Fault::nak(2));
    QCOMPARE(device.receive("@C4\r"), identification);
    const QByteArray refused = device.receive(write);
    QVERIFY(refused.contains(SimulatedDevice::Nak));
    QCOMPARE(device.memoryAt(0x0410), quint8(0xFF));
    QCOMPARE(device.receive("@C4\r"), identification);

    device.addFault(Fault::garbage(1, "ZORLA VELMAR\r"));
    QCOMPARE(device.receive(write), QByteArray("ZORLA VELMAR\r"));
    QCOMPARE(device.memoryAt(0x0410), quint8(0x01));

    device.addFault(Fault::lateReply(1, 2500));
    device.addFault(Fault::splitReply(2, 3, 7));
    device.addFault(Fault::lineDrop(3));
    const QList<SimulatedDevice::Reply> replies = device.receiveReplies("@C4\r@C4\r@C4\r@C4\r");
    QCOMPARE(replies.size(), 4);
    QCOMPARE(replies.at(0).delayMs, 2500);
    QCOMPARE(replies.at(0).bytes, identification);
    QCOMPARE(replies.at(1).chunkSize, 3);
    QCOMPARE(replies.at(1).chunkGapMs, 7);
    QVERIFY(replies.at(2).dropLine);
    QVERIFY(replies.at(2).bytes.isEmpty());
    QVERIFY(!replies.at(3).dropLine && replies.at(3).delayMs == 0 && replies.at(3).chunkSize == 0);

    device.addFault(Fault::silence(2));
    QCOMPARE(device.receive("@C4\r"), identification);
    for (int i = 0; i < 3; ++i)
        QVERIFY(device.receive("@C4\r").isEmpty());
    device.clearFaults();
    QCOMPARE(device.receive("@C4\r"), identification);
    QCOMPARE(device.commands().size(), 15);
}

void TestSimulatedDevice::parseModel()
{
    using Parsed = std::optional<std::pair<Model, Application>>;
    QCOMPARE(SimulatedDevice::parseModel(QStringLiteral("zorla")),
             Parsed({Model::Zorla, Application::Industrial}));
    QCOMPARE(SimulatedDevice::parseModel(QStringLiteral("zorla-old:none")),
             Parsed({Model::ZorlaOld, Application::None}));
    QCOMPARE(SimulatedDevice::parseModel(QStringLiteral("Velmar:Truck")),
             Parsed({Model::Velmar, Application::Truck}));
    for (const char *bad : {"zorlax", "velmar:scale", "velmar:", "zorla:id:pc"})
        QVERIFY(!SimulatedDevice::parseModel(QLatin1String(bad)));
}

QTEST_GUILESS_MAIN(TestSimulatedDevice)
#include "tst_simulateddevice.moc"
