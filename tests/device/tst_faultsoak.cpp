#include "device/procedurerig.h"

#include <array>
#include <cstdio>
#include <optional>

namespace
{

enum class Kind {
    Nak,
    Silence,
    Late,
    Duplicate,
    Split,
    Garbage,
    Flood,
    LineDrop,
    Cancel,
    VanishWhileWriting
};
constexpr int KindCount = 10;
constexpr std::array<const char *, KindCount> KindNames{
    "NAK",     "silence", "late",      "duplicate", "split",
    "garbage", "flood",   "line drop", "cancel",    "vanish while writing"};
constexpr double TimeoutScale = 0.1;

// One run as its seed makes it: device, ticket set, contents, and the fault that hits the program
// or the read at a random command.
struct Run {
    quint64 seed = 0;
    Kind kind = Kind::Nak;
    Model model = Model::Velmar;
    App app = App::Industrial;
    bool inRead = false;
    QByteArrayList contents = QByteArrayList(TicketProject::slotCount);
    double position = 0; // of the faulted command within the transfer, 0 to 1
    quint32 detail = 0;  // chooses the fault's own parameters

    explicit Run(quint64 runSeed = 0) : seed(runSeed), kind(Kind(runSeed % KindCount))
    {
        QRandomGenerator random(runSeed);
        model = Model(random.bounded(3));
        app = random.bounded(2) ? App::Truck : App::Industrial;
        inRead = random.bounded(2);
        position = random.generateDouble();
        detail = random.generate();
        // The class-1 device takes a command per byte with a pause per character: fewer bytes.
        const int most = model == Model::ZorlaOld ? 6 : 24;
        // A ZORLA keeps no directory entries for P1 and P2, so its truck set is T alone here.
        QList<int> set{1, 2, 3, 4};
        if (app == App::Truck)
            set = model == Model::Velmar ? QList<int>{1, 5, 6} : QList<int>{1};
        for (int n : set) {
            QByteArray bytes(random.bounded(n == 1 ? 1 : 0, most + 1), Qt::Uninitialized);
            for (char &c : bytes)
                c = char(random.bounded(256));
            contents[n - 1] = bytes;
        }
    }
    // A device that vanishes while writing may do so during identification.
    bool inIdentification() const { return kind == Kind::VanishWhileWriting && detail % 4 == 0; }
    QString name() const
    {
        static const char *const models[] = {"class 1", "class 4", "class 8"};
        return QStringLiteral("seed %1: %2 %3, %4 in the %5")
            .arg(seed)
            .arg(QLatin1String(models[int(model)]),
                 QLatin1String(app == App::Truck ? "truck" : "totalize"),
                 QLatin1String(KindNames[int(kind)]),
                 QLatin1String(inIdentification() ? "identification"
                               : inRead           ? "read"
                                                  : "program"));
    }
};

QByteArray printableNoise(QRandomGenerator &random, int size)
{
    QByteArray noise;
    while (noise.size() < size) {
        const char c = char(random.bounded(32, 127));
        if (c != '@')
            noise += c;
    }
    return noise;
}

// The fault at command k of a transfer (cancel is the operator's, not the device's).
Fault faultAt(const Run &run, int k, int timeoutMs)
{
    QRandomGenerator random(run.detail);
    switch (run.kind) {
    case Kind::Nak:
        return Fault::nak(k);
    case Kind::Silence:
        return Fault::silence(k);
    case Kind::Late: // in time, or after the first attempt has timed out
        return Fault::lateReply(k, random.bounded(2) ? timeoutMs * 3 / 10 : timeoutMs * 3 / 2);
    case Kind::Duplicate:
        return Fault::duplicate(k, random.bounded(timeoutMs / 2));
    case Kind::Split: {
        // Never a pause after exactly nine characters: nine holding "@" followed by a quiet line
        // are a complete reply.
        static constexpr int sizes[] = {2, 4, 5, 7};
        return Fault::splitReply(k, sizes[random.bounded(4)], random.bounded(10));
    }
    case Kind::Garbage:
        return Fault::garbage(k, printableNoise(random, random.bounded(1, 20)) + '\r');
    case Kind::Flood:
        return Fault::flood(k, random.bounded(1000, 4000));
    case Kind::LineDrop:
        return Fault::lineDrop(k);
    case Kind::Cancel:
    case Kind::VanishWhileWriting:
        break;
    }
    return Fault::silence(1 << 30); // never reached
}

// How a transfer hit by the run's fault ends, and the message boxes it shows.
struct Ending {
    Outcome outcome;
    QList<Message> messages;
};

Ending expectedEnding(const Run &run, const QString &portPath)
{
    const Message failed = errorBox(run.inRead ? ErrorCode::ReadFailed : ErrorCode::ProgramFailed);
    switch (run.kind) {
    case Kind::Nak:
        return {Outcome::Failed, {errorBox(ErrorCode::CommandRefused)}};
    case Kind::Silence:
        return {Outcome::Failed, {TimeoutBox, failed}};
    case Kind::LineDrop:
    case Kind::VanishWhileWriting:
        return {Outcome::Failed,
                {{portPath + QStringLiteral(": the device was disconnected"),
                  QStringLiteral("Communication Error!")},
                 failed}};
    case Kind::Cancel:
        return {Outcome::Cancelled, {}};
    default: // the link rides it out
        return {run.inRead ? Outcome::Read : Outcome::Programmed, {}};
    }
}

// A device with a project to program, watching every transfer on it: how often it ended and the
// longest time one command took over all its attempts.
struct SoakRig : ProcedureRig {
    explicit SoakRig(const Run &run) : ProcedureRig(run.model, run.app)
    {
        link.setTimeoutScale(TimeoutScale);
        for (int n = 1; n <= TicketProject::slotCount; ++n)
            fill(n, run.contents.at(n - 1));
        QObject::connect(&session, &DeviceSession::transferEnded, [this] { ++endings; });
        QObject::connect(&link, &DeviceLink::commandSent, [this](const QByteArray &command) {
            if (command == current) // sent again after a time-out
                return;
            endCommand();
            current = command;
            commandStart = clock.elapsed();
        });
    }
    TransferResult transfer(bool reading)
    {
        device().clearRecording();
        dialogs.messages.clear();
        endings = 0;
        longestCommandMs = 0;
        current.clear();
        clock.start();
        const TransferResult result = reading ? DeviceReader(project, session).run()
                                              : DeviceProgrammer(project, session).run();
        endCommand();
        return result;
    }
    void endCommand()
    {
        if (!current.isEmpty())
            longestCommandMs = qMax(longestCommandMs, clock.elapsed() - commandStart);
    }
    // What a read gives back: the project as programming left it.
    QByteArrayList programmed() const
    {
        QByteArrayList contents;
        for (int n = 1; n <= TicketProject::slotCount; ++n)
            contents << project.contents(n);
        return contents;
    }

    // The device vanishes as the link is about to write character `at` (taken modulo the command's
    // length) of the n-th command sent from now.
    void vanishAt(int n, quint32 at)
    {
        QObject::connect(&link, &DeviceLink::commandSent, &link, [this](const QByteArray &command) {
            ++sent;
            sending = command;
        });
        link.setBeforeCharacter([this, n, at](qsizetype index) {
            const bool paced = link.deviceClass() != DeviceClass::Zorla &&
                               link.deviceClass() != DeviceClass::Velmar;
            if (sent == n && index == (paced ? qsizetype(at % sending.size()) : 0) &&
                port.server().isRunning())
                port.server().stop();
        });
    }

    int sent = 0;
    QByteArray sending;
    int endings = 0;
    qint64 longestCommandMs = 0;
    QByteArray current;
    qint64 commandStart = 0;
    QElapsedTimer clock;
};

} // namespace
Q_DECLARE_METATYPE(Run)

// Programs and reads back random projects on every device class while the device fails in one of
// the ways a line fails, at a random command, and checks that every run ends once, in bounded
// time, with the messages its fault calls for, never with wrong data in the project. SOAK_RUNS
// sets the number of runs (12), SOAK_FIRST_SEED the seed of the first (1), and SOAK_SEED replays
// a single run.
class TestFaultSoak : public QObject
{
    Q_OBJECT
private slots:
    void soak_data();
    void soak();
    void cleanupTestCase();

private:
    void vanishInIdentification(const Run &run, SoakRig &rig);
    void faultedTransfer(const Run &run, SoakRig &rig, int commands, const QByteArrayList &expected,
                         Outcome *ended);

    std::array<int, KindCount> m_runs{};
    void checkRead(SoakRig &rig, const TransferResult &result, const QByteArrayList &expected);
    void readBack(SoakRig &rig, const QByteArrayList &expected);
};
void TestFaultSoak::soak_data()
{
    QTest::addColumn<Run>("run");
    const bool replay = qEnvironmentVariableIsSet("SOAK_SEED");
    const quint64 first =
        replay ? qEnvironmentVariable("SOAK_SEED").toULongLong()
               : qEnvironmentVariable("SOAK_FIRST_SEED", QStringLiteral("1")).toULongLong();
    const int runs = replay ? 1 : qEnvironmentVariable("SOAK_RUNS", QStringLiteral("12")).toInt();
    for (int i = 0; i < runs; ++i) {
        const Run run(first + quint64(i));
        QTest::addRow("%s", qPrintable(run.name())) << run;
    }
}

void TestFaultSoak::soak()
{
    QFETCH(Run, run);
    ++m_runs[int(run.kind)];
    SoakRig rig(run);
    QVERIFY2(rig.session.isConnected(), qPrintable(rig.port.errorString()));
    if (run.inIdentification()) {
        vanishInIdentification(run, rig);
        return;
    }
    // A clean transfer counts the commands the fault can hit: a program on a device of its own,
    // or a read of this device once programmed.
    std::optional<SoakRig> counter;
    SoakRig &clean = run.inRead ? rig : counter.emplace(run);
    QCOMPARE(clean.transfer(false).outcome, Outcome::Programmed);
    const QByteArrayList expected = clean.programmed();
    if (run.inRead)
        readBack(rig, expected);
    Outcome ended = Outcome::Failed;
    faultedTransfer(run, rig, int(clean.device().commands().size()), expected, &ended);
    // What was programmed through the fault reads back exactly.
    if (!run.inRead && ended == Outcome::Programmed)
        readBack(rig, expected);
}

// A read of what was programmed: all of it, exactly.
void TestFaultSoak::readBack(SoakRig &rig, const QByteArrayList &expected)
{
    const TransferResult result = rig.transfer(true);
    QCOMPARE(result.outcome, Outcome::Read);
    checkRead(rig, result, expected);
}

// Connect on a device that vanishes while the identification goes out: not connected, one message.
void TestFaultSoak::vanishInIdentification(const Run &run, SoakRig &rig)
{
    rig.connection.toggle();
    QVERIFY(!rig.session.isConnected());
    rig.dialogs.messages.clear();
    rig.vanishAt(1, run.detail);
    QElapsedTimer clock;
    clock.start();
    rig.connection.toggle();
    QVERIFY(!rig.session.isConnected());
    QCOMPARE(
        rig.dialogs.messages,
        QList<Message>({{rig.port.slavePath() + QStringLiteral(": the device was disconnected"),
                         QStringLiteral("Communication Error!")}}));
    QVERIFY(clock.elapsed() < rig.link.replyTimeout() + 200);
}

// The transfer with the fault at a random one of its commands; *ended says how it ended.
void TestFaultSoak::faultedTransfer(const Run &run, SoakRig &rig, int commands,
                                    const QByteArrayList &programmed, Outcome *ended)
{
    const int k = 1 + qMin(commands - 1, int(run.position * commands));
    const int timeout = rig.link.replyTimeout();
    if (run.kind == Kind::Cancel)
        rig.cancelAt(k);
    else if (run.kind == Kind::VanishWhileWriting)
        rig.vanishAt(k, run.detail);
    else
        rig.device().addFault(faultAt(run, k, timeout));
    const TransferResult result = rig.transfer(run.inRead);
    *ended = result.outcome;

    const Ending expected = expectedEnding(run, rig.port.slavePath());
    QCOMPARE(rig.dialogs.messages, expected.messages);
    QCOMPARE(result.outcome, expected.outcome);
    QCOMPARE(rig.endings, 1);
    QVERIFY2(rig.longestCommandMs <= 3 * timeout + timeout / 2 + 200,
             qPrintable(QStringLiteral("a command took %1 ms").arg(rig.longestCommandMs)));
    QVERIFY(rig.project.isConsistent());
    if (run.inRead)
        checkRead(rig, result, programmed);
}

// A read that succeeds gives back exactly what was programmed; any read leaves only slots that
// are complete and exact.
void TestFaultSoak::checkRead(SoakRig &rig, const TransferResult &result,
                              const QByteArrayList &expected)
{
    QVERIFY(rig.project.isConsistent());
    for (int n = 1; n <= TicketProject::slotCount; ++n) {
        const QByteArray got = rig.project.contents(n);
        if (result.outcome == Outcome::Read || !got.isEmpty())
            QCOMPARE(got, expected.at(n - 1));
    }
}

// Printed whatever the output mode, so that a long soak ends with what it did.
void TestFaultSoak::cleanupTestCase()
{
    QStringList kinds;
    for (int i = 0; i < KindCount; ++i)
        kinds << QStringLiteral("%1 %2").arg(QLatin1String(KindNames[i])).arg(m_runs.at(i));
    std::printf("runs by fault: %s\n", qPrintable(kinds.join(QStringLiteral(", "))));
}

QTEST_GUILESS_MAIN(TestFaultSoak)
#include "tst_faultsoak.moc"
