#include "replugsimulator.h"
#include "simulateddevice.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

using namespace std::chrono_literals;
using Model = SimulatedDevice::Model;

namespace
{

// One step of a script: wait, then send a command line.
struct Step {
    int waitMs;
    QByteArray command;
};

} // namespace

Q_DECLARE_METATYPE(QList<Step>)

// The replug mode at a tenth of its times or so: quiet time 150 ms, silence 200 ms.
class TestReplugSimulator : public QObject
{
    Q_OBJECT
private slots:
    void swap_data();
    void swap();
};

void TestReplugSimulator::swap_data()
{
    QTest::addColumn<Model>("model");
    QTest::addColumn<int>("everyMs"); // 0: only after a programming run
    QTest::addColumn<QList<Step>>("script");
    QTest::addColumn<int>("unplugAfterMs"); // after the script's last command; -1: never
    const QList<Step> velmarRun{{0, "@C4\r"},
                                {0, "@E9FFE-FFFFFFFF\r"},
                                {30, "@EA000-41424344\r"},
                                {30, "@E9FFE-A000A003\r"},
                                {30, "@E9FFE-??\r"},
                                {30, "@EA000-??\r"}};
    QTest::newRow("after a run and its read-back") << Model::Velmar << 0 << velmarRun << 150;
    QTest::newRow("identification polls do not hold it off")
        << Model::Velmar << 0
        << velmarRun + QList<Step>{{25, "@C4\r"}, {25, "@C4\r"}, {25, "@C4\r"}} << 75;
    QTest::newRow("ZORLA directory in data memory")
        << Model::Zorla << 0 << QList<Step>{{0, "@E0400-FFFFFFFF\r"}, {30, "@E0410-41424344\r"}}
        << 150;
    QTest::newRow("reading alone never")
        << Model::Velmar << 0 << QList<Step>{{0, "@E9FFE-??\r"}, {30, "@EA000-??\r"}} << -1;
    QTest::newRow("every 400 ms, whatever happens")
        << Model::Velmar << 400 << QList<Step>{{0, "@C4\r"}, {100, "@EA000-??\r"}} << 300;
}

void TestReplugSimulator::swap()
{
    QFETCH(Model, model);
    QFETCH(int, everyMs);
    QFETCH(QList<Step>, script);
    SimulatedDevice device(model, SimulatedDevice::Application::Truck);
    ReplugSimulator replug(device, std::chrono::milliseconds(everyMs));
    replug.setQuietTime(150ms);
    replug.setAbsentTime(200ms);
    QSignalSpy unplugged(&replug, &ReplugSimulator::unplugged);
    QSignalSpy pluggedIn(&replug, &ReplugSimulator::pluggedIn);

    for (const Step &step : script) {
        QTest::qWait(step.waitMs);
        QVERIFY2(!device.receive(step.command).isEmpty(), step.command.constData());
    }
    QElapsedTimer clock;
    clock.start();
    // Half a command, which the swap must not keep.
    QVERIFY(device.receive("@E9FF").isEmpty());
    QFETCH(int, unplugAfterMs);
    if (unplugAfterMs < 0) {
        QTest::qWait(400);
        QCOMPARE(unplugged.size(), 0);
        return;
    }
    QVERIFY(unplugged.wait(1000));
    // Late steps of the script leave less of the quiet time; a busy machine wakes up late.
    const auto near = [&](int expectedMs) {
        return clock.elapsed() >= expectedMs - 50 && clock.elapsed() <= expectedMs + 60;
    };
    QVERIFY2(near(unplugAfterMs), qPrintable(QString::number(clock.elapsed())));

    QVERIFY(device.receive("@C4\r").isEmpty());
    QVERIFY(pluggedIn.wait(1000));
    QVERIFY2(near(unplugAfterMs + 200), qPrintable(QString::number(clock.elapsed())));
    // "@E9FF" + "E-??\r" would be a read.
    QCOMPARE(device.receive("E-??\r"), QByteArray(1, SimulatedDevice::Nak) + '\r');
    QCOMPARE(device.memory(0x0400, 0x10000 - 0x0400), QByteArray(0x10000 - 0x0400, char(0xFF)));
    for (int slot = 1; slot <= 6; ++slot)
        QCOMPARE(device.directoryEntry(slot),
                 slot <= 4 || model == Model::Velmar ? QByteArray(4, char(0xFF)) : QByteArray());
    QCOMPARE(device.receive("@C4\r"), device.identificationReply());
    QCOMPARE(replug.replugCount(), 1);
}

QTEST_GUILESS_MAIN(TestReplugSimulator)
#include "tst_replugsimulator.moc"
