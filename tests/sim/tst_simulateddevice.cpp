#include "simulateddevice.h"

#include <QTest>

using Model = SimulatedDevice::Model;
using Application = SimulatedDevice::Application;

class TestSimulatedDevice : public QObject
{
    Q_OBJECT
private slots:
    // Lines on the wire and the replies they get. A read reply of a class-1 device is nine
    // characters without a carriage return; a refused command (NAK) is not executed.
    void exchange_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("replies");
        auto row = [](const char *name, const char *device, const char *input,
                      const char *replies) {
            QTest::newRow(name) << QString::fromLatin1(device) << QByteArray(input)
                                << QByteArray(replies);
        };
        row("zorla-old identifies", "zorla-old:none", "@C4\r", "ZORLA 1.020 S \r");
        row("zorla identifies", "zorla", "@C4\r", "ZORLA 1.024 ID\r");
        row("velmar identifies", "Velmar:Truck", "@C4\r", "VELMAR 2.105 PC\r");
        row("class 1 memory", "zorla-old", "@E0410-??\r@E0410-61\r@E0410-??\r",
            "@E0410-FFE0410-OK\r@E0410-61");
        row("class 4 memory", "zorla", "@E1FFC-616263FF\r@E1FFC-??\r",
            "E1FFC-OK\r@E1FFC-616263FF\r");
        row("class 8 memory", "velmar", "@EA000-??\r@EA000-0A0B0C0D\r@EA000-??\r",
            "@EA000-FFFFFFFF\rEA000-OK\r@EA000-0A0B0C0D\r");
        row("velmar P2 entry", "velmar", "@E9FEA-A010A0FF\r@E9FEA-??\r",
            "E9FEA-OK\r@E9FEA-A010A0FF\r");
        // Unknown, another identification, no @, an empty line.
        row("not commands", "velmar", "@X1\r@C5\rC4\r\r", "\x15\r\x15\r\x15\r\x15\r");
        row("odd digits", "zorla-old", "@E0410-6\r@E0410-??\r", "\x15\r@E0410-FF");
        row("4 bytes to class 1", "zorla-old", "@E0410-61626364\r@E0410-??\r", "\x15\r@E0410-FF");
        row("1 byte to class 4", "zorla", "@E0410-61\r@E0410-??\r", "\x15\r@E0410-FFFFFFFF\r");
        row("8 bytes to class 8", "velmar", "@EA000-6162636465666768\r@EA000-??\r",
            "\x15\r@EA000-FFFFFFFF\r");
        row("lower-case data", "velmar", "@EA000-6a6b6c6d\r@EA000-??\r", "\x15\r@EA000-FFFFFFFF\r");
        // A bad and a short address, no dash.
        row("not addresses", "zorla", "@E041G-??\r@E410-??\r@E0410=??\r", "\x15\r\x15\r\x15\r");
    }
    void exchange()
    {
        QFETCH(QString, device);
        QFETCH(QByteArray, input);
        const auto parsed = SimulatedDevice::parseModel(device);
        QVERIFY(parsed);
        SimulatedDevice simulated(parsed->first, parsed->second);
        QTEST(simulated.receive(input), "replies");
    }

    // ZORLA software below 1.024 makes a class-1 device; the version set is the one reported.
    void deviceClass()
    {
        QCOMPARE(SimulatedDevice(Model::Velmar, Application::None).deviceClass(), 8);
        SimulatedDevice zorla(Model::ZorlaOld, Application::Truck);
        QCOMPARE(zorla.deviceClass(), 1);
        for (const auto &[version, expected] :
             {std::pair{"1.1", 4}, {"1.024", 4}, {"1.023", 1}, {"0.999", 1}}) {
            zorla.setVersion(QLatin1String(version));
            QCOMPARE(zorla.deviceClass(), expected);
        }
        QCOMPARE(zorla.receive("@C4\r"), QByteArray("ZORLA 0.999 PC\r"));
    }

    void velmarEntryAndDataAreKeptApart()
    {
        SimulatedDevice velmar(Model::Velmar, Application::Truck);
        velmar.receive("@EA000-616263FF\r@E9FFE-A000A002\r");
        QCOMPARE(velmar.memory(0xA000, 4), QByteArray::fromHex("616263FF"));
        QCOMPARE(velmar.directoryEntry(1), QByteArray::fromHex("A000A002"));
        // Only an entry's own address is the directory: 9FFC is data memory.
        velmar.receive("@E9FFC-01020304\r");
        QCOMPARE(velmar.memory(0x9FFC, 6), QByteArray::fromHex("010203046162"));
        QCOMPARE(velmar.directoryEntry(1), QByteArray::fromHex("A000A002"));

        SimulatedDevice zorla(Model::Zorla, Application::Industrial);
        zorla.receive("@E9FFE-A000A002\r@E0404-04100412\r");
        QCOMPARE(zorla.memoryAt(0xA001), quint8(0x02));
        QCOMPARE(zorla.directoryEntry(2), QByteArray::fromHex("04100412"));
    }

    // Lines come one character at a time, split anywhere, or several in one piece.
    void assemblesLines()
    {
        SimulatedDevice device(Model::ZorlaOld, Application::None);
        const QByteArray command = "@E0411-62\r";
        QByteArray reply;
        for (char c : command) {
            QVERIFY(reply.isEmpty());
            reply = device.receive(QByteArray(1, c));
        }
        QCOMPARE(device.memoryAt(0x0411), quint8(0x62));
        QVERIFY(!reply.isEmpty() && device.receive("@C").isEmpty());
        QCOMPARE(device.receive("4\r@E0411-??\r"), device.identificationReply() + "@E0411-62");
        QCOMPARE(device.commands(), (QList<QByteArray>{command, "@C4\r", "@E0411-??\r"}));
    }

    // Valid names are in the exchange table.
    void parseModel()
    {
        for (const char *bad : {"zorlax", "velmar:scale", "velmar:", "zorla:id:pc"})
            QVERIFY2(!SimulatedDevice::parseModel(QLatin1String(bad)), bad);
    }
};

QTEST_GUILESS_MAIN(TestSimulatedDevice)
#include "tst_simulateddevice.moc"
