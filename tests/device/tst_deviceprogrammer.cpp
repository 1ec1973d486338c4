#include "device/procedurerig.h"
#include "progresscounter.h"

#include <optional>

namespace
{

QByteArrayList lines(const QList<const char *> &commands)
{
    QByteArrayList result;
    for (const char *command : commands)
        result << QByteArray(command) + '\r';
    return result;
}

// A run that does not end in "Tickets Programmed", and what it leaves behind.
struct Stop {
    std::optional<Fault> fault{};
    int cancelAt = 0;
    DeviceClass deviceClass = DeviceClass::Velmar;
    Outcome outcome = Outcome::Failed;
    QList<Message> messages{};
    bool connected = true;
    int commands = 0;
    QString statusText{};
    bool erased = true; // T's old directory entry is gone
};

} // namespace
Q_DECLARE_METATYPE(Stop)

// The Program command against a simulated device: its commands on the wire, progress, the space
// check, cancel and failures.
class TestDeviceProgrammer : public QObject
{
    Q_OBJECT
private slots:
    void wireTraffic_data()
    {
        QTest::addColumn<Model>("model");
        QTest::addColumn<App>("app");
        QTest::addColumn<QByteArrayList>("contents");
        QTest::addColumn<QByteArrayList>("expected");
        QTest::newRow("abc, class 8")
            << Model::Velmar << App::None << QByteArrayList{"abc"}
            << accesses(0x9FFE, 4, -4, "FFFFFFFF") + lines({"@EA000-616263FF", "@E9FFE-A000A002"});
        QTest::newRow("truck set erases P1, P2")
            << Model::Velmar << App::Truck << QByteArrayList{"abc"}
            << accesses(0x9FFE, 6, -4, "FFFFFFFF") + lines({"@EA000-616263FF", "@E9FFE-A000A002"});
        QTest::newRow("class 1, T then B, H empty")
            << Model::ZorlaOld << App::Industrial << QByteArrayList{"abc", "", "de"}
            << accesses(0x0400, 16, 1, "FF") +
                   lines({"@E0410-61", "@E0411-62", "@E0412-63", "@E0413-64", "@E0414-65",
                          "@E0400-04", "@E0401-10", "@E0402-04", "@E0403-12", "@E0408-04",
                          "@E0409-13", "@E040A-04", "@E040B-14"});
        QTest::newRow("class 4, five bytes")
            << Model::Zorla << App::Industrial << QByteArrayList{"abcde"}
            << accesses(0x0400, 4, 4, "FFFFFFFF") +
                   lines({"@E0410-61626364", "@E0414-65FFFFFF", "@E0400-04100414"});
    }

    void wireTraffic()
    {
        QFETCH(Model, model);
        QFETCH(App, app);
        QFETCH(QByteArrayList, contents);
        ProcedureRig rig(model, app);
        for (int n = 1; n <= contents.size(); ++n)
            rig.fill(n, contents.at(n - 1));

        QCOMPARE(rig.program(), Outcome::Programmed);
        QTEST(rig.commands(), "expected");
        QCOMPARE(rig.statusLine, QStringLiteral("Tickets Programmed"));
        QVERIFY(rig.session.transfersEnabled() && !rig.session.progress().running());
        QVERIFY(rig.dialogs.messages.isEmpty());
    }

    // The share of the work done before each command: the erase commands, the data, then the
    // directory entry at 100%. Percentages round half to even and the count never passes its end.
    void progress()
    {
        ProcedureRig rig(Model::Velmar);
        rig.fill(TicketProject::T, "abc");
        QList<int> values;
        QStringList percentages;
        QObject::connect(&rig.link, &DeviceLink::commandSent, [&] {
            QCOMPARE(rig.session.progress().total, 19);
            values << rig.session.progress().done;
            percentages << QString(rig.statusLine).remove(QStringLiteral("Programming ...   "));
        });
        QCOMPARE(rig.program(), Outcome::Programmed);
        QCOMPARE(values, QList<int>({0, 8, 16, 19, 19, 19}));
        QCOMPARE(percentages.join(QLatin1Char(' ')), QStringLiteral("0% 42% 84% 100% 100% 100%"));

        QCOMPARE(ProgressCounter::percentage(1, 8), 12);    // 12.5
        QCOMPARE(ProgressCounter::percentage(27, 200), 14); // 13.5
        QCOMPARE(ProgressCounter::percentage(0, 0), 0);
        ProgressCounter counter(10);
        counter.advance(4, 8);
        counter.advance(4, 8); // 4 + 8 passes 10: the count jumps to its end
        QCOMPARE(counter.value(), 10);
    }

    void spaceCheck()
    {
        for (const auto &[tLength, p1Length] : {std::pair{7152, 0}, {7153, 0}, {7152, 1}}) {
            ProcedureRig rig(Model::Zorla);
            rig.fill(TicketProject::T, QByteArray(tLength, 'x'));
            rig.fill(TicketProject::P1, QByteArray(p1Length, 'y')); // counts though not written
            if (tLength + p1Length == 7152) {
                QCOMPARE(rig.program(), Outcome::Programmed);
                QCOMPARE(rig.device().memory(0x0410, 7152), QByteArray(7152, 'x'));
                continue;
            }
            QCOMPARE(rig.program(), Outcome::Refused);
            QCOMPARE(rig.dialogs.messages, QList<Message>{errorBox(ErrorCode::DoesNotFit)});
            QVERIFY(rig.commands().isEmpty() && rig.statusLine.isEmpty());
            QVERIFY(rig.session.transfersEnabled());
        }
    }

    void stops_data()
    {
        QTest::addColumn<Stop>("stop");
        QTest::newRow("cancel during a data command")
            << Stop{.cancelAt = 5,
                    .outcome = Outcome::Cancelled,
                    .commands = 5,
                    .statusText = QStringLiteral("Programming Cancelled")};
        QTest::newRow("NAK on a data command")
            << Stop{.fault = Fault::nak(5),
                    .messages = {errorBox(ErrorCode::CommandRefused)},
                    .connected = false,
                    .commands = 5};
        QTest::newRow("silence on the first erase")
            << Stop{.fault = Fault::silence(1),
                    .messages = {TimeoutBox, errorBox(ErrorCode::ProgramFailed)},
                    .commands = 3,
                    .erased = false};
        QTest::newRow("no device class")
            << Stop{.deviceClass = DeviceClass::None,
                    .outcome = Outcome::NoDevice,
                    .statusText = QStringLiteral("Programming ...   0%"),
                    .erased = false};
    }

    void stops()
    {
        QFETCH(Stop, stop);
        ProcedureRig rig(Model::Velmar);
        rig.fill(TicketProject::T, "0123456789");
        const QByteArray oldEntry("\xa0\x00\xa0\x09", 4);
        rig.device().setDirectoryEntry(1, oldEntry);
        if (stop.fault)
            rig.device().addFault(*stop.fault);
        rig.cancelAt(stop.cancelAt);
        rig.link.setDeviceClass(stop.deviceClass);
        rig.link.setTimeoutScale(0.05);

        QCOMPARE(rig.program(), stop.outcome);
        QCOMPARE(rig.dialogs.messages, stop.messages);
        QCOMPARE(rig.session.isConnected(), stop.connected);
        QCOMPARE(rig.commands().size(), stop.commands);
        QCOMPARE(rig.statusLine, stop.statusText);
        QCOMPARE(rig.device().directoryEntry(1),
                 stop.erased ? QByteArray(4, char(0xFF)) : oldEntry);
        const bool reenabled = stop.outcome == Outcome::Cancelled;
        QCOMPARE(rig.session.transfersEnabled(), reenabled);
        QVERIFY(!rig.session.progress().running());
    }
};

QTEST_GUILESS_MAIN(TestDeviceProgrammer)
#include "tst_deviceprogrammer.moc"
