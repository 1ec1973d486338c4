#include "device/procedurerig.h"
#include "memorymap.h"

#include <optional>

namespace
{

QByteArray entry(quint16 first, quint16 last)
{
    return QByteArray::fromHex(
        QByteArray::number(quint32(first) << 16 | last, 16).rightJustified(8, '0'));
}

// A read that does not end in "Tickets Readed", and what it leaves behind. The device holds T
// at A000..A003 and H at A004..A00B.
struct Stop {
    std::optional<Fault> fault{};
    int cancelAt = 0;
    Outcome outcome = Outcome::Failed;
    QList<Message> messages{};
    bool connected = true;
    int commands = 0;
    bool tKept = false; // T read completely and kept; H is always emptied
};

} // namespace
Q_DECLARE_METATYPE(Stop)
Q_DECLARE_METATYPE(Fault)

// The Read command against a simulated device: round trips with Program, its reads on the wire and
// the replies it takes, progress, cancel, failures and damaged directories.
class TestDeviceReader : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip_data()
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

    void roundTrip()
    {
        QFETCH(Model, model);
        QFETCH(App, app);
        QFETCH(int, total);
        ProcedureRig rig(model, app);
        const QList<int> set = app == App::Truck ? QList<int>{1, 5, 6} : QList<int>{1, 2, 3, 4};
        // Every byte value, split into slots of uneven lengths that fill the device exactly.
        QByteArray bytes(total, Qt::Uninitialized);
        for (int i = 0; i < total; ++i)
            bytes[i] = char(i * 131 + i / 256);
        auto cut = [&](int i) { return i == set.size() ? total : total * i / int(set.size()) - i; };
        for (int i = 0; i < set.size(); ++i)
            rig.fill(set.at(i), bytes.mid(cut(i), cut(i + 1) - cut(i)));
        QCOMPARE(rig.program(), Outcome::Programmed);

        // A Zorla directory has no entries for P1 and P2, so only T comes back from the truck set.
        QByteArrayList expected(TicketProject::slotCount);
        for (int n : set) {
            if (n <= 4 || model == Model::Velmar)
                expected[n - 1] = rig.project.contents(n); // as the stream preparation left them
        }
        QCOMPARE(rig.read(), Outcome::Read);
        for (int n = 1; n <= TicketProject::slotCount; ++n)
            QCOMPARE(rig.project.contents(n), expected.at(n - 1));
        QVERIFY(rig.project.isConsistent());
        // Programming the truck set on a Zorla asked first whether to go on.
        const bool asked = model != Model::Velmar && set.contains(TicketProject::P1);
        QCOMPARE(rig.dialogs.messages.size(), asked ? 1 : 0);
    }

    // Program and Read against devices that send their replies otherwise than the simulator does:
    // CR LF with the LF 3 ms after the CR, read replies without the echo, writes acknowledged with
    // nine characters holding "@" and no carriage return. Each gets its data through without
    // sending a command twice.
    void otherManners_data()
    {
        QTest::addColumn<Model>("model");
        QTest::addColumn<Fault>("manner");
        QTest::addColumn<QList<Message>>("messages");
        const QList<Message> none;
        const QList<Message> unchecked{
            {QStringLiteral(
                 "The device does not echo the address in its read replies, so its reads "
                 "cannot be cross-checked."),
             QStringLiteral("Read warning")}};
        for (const Model model : {Model::ZorlaOld, Model::Zorla, Model::Velmar}) {
            const int cls = model == Model::ZorlaOld ? 1 : model == Model::Zorla ? 4 : 8;
            QTest::addRow("class %d, CR LF", cls) << model << Fault::lineFeedAfter(3) << none;
            if (model == Model::ZorlaOld)
                continue; // its nine-character replies are complete only with the "@" of the echo
            QTest::addRow("class %d, no echo", cls) << model << Fault::noReadEcho() << unchecked;
            QTest::addRow("class %d, short acknowledgements", cls)
                << model << Fault::shortAcknowledge() << none;
        }
    }

    void otherManners()
    {
        QFETCH(Model, model);
        QFETCH(Fault, manner);
        ProcedureRig rig(model);
        // The line takes its time, as a real one does, so that the device's own pace is real too.
        rig.port.server().setLineRate(19200);
        rig.device().addFault(manner);
        const int total = model == Model::ZorlaOld ? 24 : 200;
        QByteArray bytes(total, Qt::Uninitialized);
        for (int i = 0; i < total; ++i)
            bytes[i] = char(i * 131 + 7);
        rig.fill(1, bytes.left(total / 2));
        rig.fill(2, bytes.mid(total / 2));
        QCOMPARE(rig.program(), Outcome::Programmed);
        const QByteArrayList expected{rig.project.contents(1), rig.project.contents(2)};
        rig.port.device().clearRecording();
        QCOMPARE(rig.read(), Outcome::Read);
        QCOMPARE((QByteArrayList{rig.project.contents(1), rig.project.contents(2)}), expected);
        QTEST(rig.dialogs.messages, "messages");
        // No command was sent again.
        QCOMPARE(
            rig.commands().size(),
            qsizetype(QSet<QByteArray>(rig.commands().cbegin(), rig.commands().cend()).size()));
    }

    // Noise in front of the first read reply is no device without the echo: the read is asked
    // again with the echo check, and nothing is said.
    void noiseBeforeTheFirstReply()
    {
        ProcedureRig rig(Model::Zorla);
        rig.fill(1, "ticket");
        QCOMPARE(rig.program(), Outcome::Programmed);
        const QByteArray programmed = rig.project.contents(1);
        rig.device().addFault(Fault::flood(1, 1500));
        QCOMPARE(rig.read(), Outcome::Read);
        QCOMPARE(rig.project.contents(1), programmed);
        QCOMPARE(rig.dialogs.messages, QList<Message>());
    }

    void wireTraffic_data()
    {
        QTest::addColumn<Model>("model");
        QTest::addColumn<DeviceClass>("deviceClass"); // as the link has it
        QTest::addColumn<int>("length");
        QTest::addColumn<QByteArrayList>("expected");
        QTest::addColumn<QString>("texts"); // the status line as it changes, after "Reading ..."
        QTest::newRow("class 1") << Model::ZorlaOld << DeviceClass::ZorlaOld << 10
                                 << accesses(0x0400, 16, 1, "??") + accesses(0x0410, 10, 1, "??")
                                 << QString();
        QTest::newRow("class 4") << Model::Zorla << DeviceClass::Zorla << 10
                                 << accesses(0x0400, 4, 4, "??") + accesses(0x0410, 3, 4, "??")
                                 << QString();
        QTest::newRow("class 8") << Model::Velmar << DeviceClass::Velmar << 10
                                 << accesses(0x9FFE, 6, -4, "??") + accesses(0xA000, 3, 4, "??")
                                 << QStringLiteral("0%|40%|100%|Tickets Readed");
        QTest::newRow("empty directory")
            << Model::Velmar << DeviceClass::Velmar << 0 << accesses(0x9FFE, 6, -4, "??")
            << QStringLiteral("Tickets Readed");
        QTest::newRow("no device class") << Model::Velmar << DeviceClass::None << 0
                                         << QByteArrayList() << QStringLiteral("Tickets Readed");
    }

    void wireTraffic()
    {
        QFETCH(Model, model);
        QFETCH(DeviceClass, deviceClass);
        QFETCH(int, length);
        QFETCH(QString, texts);
        ProcedureRig rig(model);
        rig.link.setDeviceClass(deviceClass);
        const quint16 start = model == Model::Velmar ? 0xA000 : 0x0410;
        rig.device().setMemory(start, "0123456789AB");
        if (length > 0)
            rig.device().setDirectoryEntry(1, entry(start, quint16(start + length - 1)));
        rig.fill(TicketProject::P2, "old"); // emptied by every read
        QStringList seen{rig.statusLine};
        bool progressShown = false;
        auto follow = [&] {
            progressShown |= rig.session.progress().phase == TransferProgress::Phase::ReadingData;
            if (seen.constLast() != rig.statusLine)
                seen << rig.statusLine;
        };
        QObject::connect(&rig.session, &DeviceSession::progressChanged, follow);
        QObject::connect(&rig.session, &DeviceSession::transferEnded, follow);

        QCOMPARE(rig.read(), Outcome::Read);
        QTEST(rig.commands(), "expected");
        QCOMPARE(rig.project.contents(1), QByteArray("0123456789").left(length));
        QCOMPARE(rig.project.spaceRequired(), length);
        QVERIFY(rig.project.isConsistent());
        QCOMPARE(progressShown, length > 0);
        QCOMPARE(seen.value(1), QStringLiteral("Reading ..."));
        if (!texts.isEmpty())
            QCOMPARE(seen.mid(2).join(QLatin1Char('|')).remove(QStringLiteral("Reading ...   ")),
                     texts);
        QVERIFY(rig.session.transfersEnabled() && !rig.session.progress().running());
    }

    void replyBytes_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<DeviceClass>("deviceClass");
        QTest::addColumn<QByteArray>("bytes"); // empty: no usable data
        // Well-formed replies of every class are decoded in every read above.
        QTest::newRow("lower case")
            << QByteArray("@E0410-0a0b0c0d\r") << DeviceClass::Zorla << QByteArray("\n\v\f\r");
        QTest::newRow("short") << QByteArray("@E0410-616263\r") << DeviceClass::Zorla
                               << QByteArray();
        QTest::newRow("not hex") << QByteArray("@E0410-6G\r") << DeviceClass::ZorlaOld
                                 << QByteArray();
        QTest::newRow("no class") << QByteArray("@E0410-61\r") << DeviceClass::None << QByteArray();
    }

    void replyBytes()
    {
        QFETCH(QByteArray, reply);
        QFETCH(DeviceClass, deviceClass);
        QTEST(readReplyBytes(reply, deviceClass).value_or(QByteArray()), "bytes");
    }

    void stops_data()
    {
        QTest::addColumn<Stop>("stop");
        QTest::newRow("silence on the third entry")
            << Stop{.fault = Fault::silence(3),
                    .messages = {TimeoutBox, errorBox(ErrorCode::ReadFailed)},
                    .commands = 5};
        QTest::newRow("NAK on a data read")
            << Stop{.fault = Fault::nak(8),
                    .messages = {errorBox(ErrorCode::CommandRefused)},
                    .connected = false,
                    .commands = 8,
                    .tKept = true};
        QTest::newRow("cancel in the second slot")
            << Stop{.cancelAt = 8, .outcome = Outcome::Cancelled, .commands = 8, .tKept = true};
        QTest::newRow("invalid data reply")
            << Stop{.fault = Fault::garbage(7, "@EA000-6X\r"),
                    .messages = {{QStringLiteral("The device sent an invalid reply: @EA000-6X<CR>"),
                                  QStringLiteral("Communication error!")}},
                    .commands = 7};
    }

    void stops()
    {
        QFETCH(Stop, stop);
        ProcedureRig rig(Model::Velmar);
        rig.device().setDirectoryEntry(1, entry(0xA000, 0xA003));
        rig.device().setDirectoryEntry(2, entry(0xA004, 0xA00B));
        rig.device().setMemory(0xA000, "0123456789AB");
        if (stop.fault)
            rig.device().addFault(*stop.fault);
        rig.cancelAt(stop.cancelAt);
        rig.link.setTimeoutScale(0.05);

        QCOMPARE(rig.read(), stop.outcome);
        QCOMPARE(rig.dialogs.messages, stop.messages);
        QCOMPARE(rig.session.isConnected(), stop.connected);
        QCOMPARE(rig.commands().size(), stop.commands);
        QCOMPARE(rig.project.contents(TicketProject::T), stop.tKept ? QByteArray("0123") : "");
        QCOMPARE(rig.project.spaceRequired(), stop.tKept ? 4 : 0);
        QVERIFY(rig.project.isConsistent());
        const bool cancelled = stop.outcome == Outcome::Cancelled;
        QCOMPARE(rig.statusLine, cancelled ? QStringLiteral("Reading Cancelled") : QString());
        QCOMPARE(rig.session.transfersEnabled(), cancelled);
        QVERIFY(!rig.session.progress().running());
    }

    // Directory entries that cannot be read leave their slots empty; the Read goes on and, once its
    // progress has gone, warns once which slots it skipped and why, with the addresses as details.
    void unreadableEntries_data()
    {
        QTest::addColumn<Model>("model");
        QTest::addColumn<int>("slot");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("skipped"); // text|details; empty: no warning
        const auto row = [](const char *name, Model model, int slot, quint16 first, quint16 last,
                            const char *skipped) {
            QTest::newRow(name) << model << slot << entry(first, last)
                                << QString::fromLatin1(skipped);
        };
        const char *outside = "T: the device keeps it outside the ticket memory";
        row("outside the data area", Model::Velmar, 1, 0x9000, 0x9010,
            "T: the device keeps it outside the ticket memory|T: directory entry 90009010, first "
            "address 9000, last address 9010");
        row("past a class-4 device", Model::Zorla, 1, 0x0410, 0x2000, outside);
        row("running backwards", Model::ZorlaOld, 1, 0x0420, 0x0410,
            "T: the device's record of it is damaged (it ends before it starts)");
        row("P1 of a totalize device", Model::Velmar, 5, 0, 0,
            "P1: the device prints the totalize ticket, and this slot belongs to the truck ticket");
        row("zero bytes", Model::Velmar, 1, 0xA000, 0x9FFF, "");
    }

    void unreadableEntries()
    {
        QFETCH(Model, model);
        QFETCH(int, slot);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, skipped);
        ProcedureRig rig(model);
        const quint16 start = model == Model::Velmar ? 0xA000 : 0x0410;
        rig.device().setMemory(quint16(start + 4), "HHHH");
        rig.device().setDirectoryEntry(2, entry(quint16(start + 4), quint16(start + 7)));
        rig.device().setDirectoryEntry(slot, bytes);

        TransferProgress progressAtWarning;
        rig.dialogs.onMessage = [&](const ScriptedDialogService::Message &) {
            progressAtWarning = rig.session.progress();
        };
        QCOMPARE(rig.read(), Outcome::Read);
        QCOMPARE(rig.project.contents(TicketProject::H), QByteArray("HHHH"));
        QCOMPARE(rig.project.spaceRequired(), 4);
        QCOMPARE(rig.statusLine, QStringLiteral("Tickets Readed"));
        QCOMPARE(rig.dialogs.messages.size(), skipped.isEmpty() ? 0 : 1);
        if (skipped.isEmpty())
            return;
        const ScriptedDialogService::Message &warning = rig.dialogs.messages.first();
        QVERIFY(warning.warning);
        QCOMPARE(warning.title, QStringLiteral("Read warning"));
        const QStringList parts = skipped.split(QLatin1Char('|'));
        QCOMPARE(warning.text.section(QLatin1Char('\n'), 1), parts.first());
        if (parts.size() > 1)
            QCOMPARE(warning.details, parts.at(1));
        QVERIFY(!progressAtWarning.running());
    }
};

QTEST_GUILESS_MAIN(TestDeviceReader)
#include "tst_devicereader.moc"
