#include "replugsimulator.h"
#include "simulateddevice.h"

#include <QtTest>

using Model = SimulatedDevice::Model;

namespace
{

// One step of a script: time that passes without the event loop running (so that no timer can
// fire in it), then a command line.
struct Step {
    int pauseMs;
    QByteArray command;
};

constexpr int QuietMs = 150;
constexpr int AbsentMs = 200;
// Time enough for a busy machine; no check below depends on how late a timer fires.
constexpr int PatienceMs = 10000;

} // namespace

Q_DECLARE_METATYPE(QList<Step>)

// The replug mode at a tenth of its times or so. Timers never fire early, so every time is checked
// as a lower bound; a swap that comes too late only makes the test wait longer.
class TestReplugSimulator : public QObject
{
    Q_OBJECT
private slots:
    void swap_data()
    {
        QTest::addColumn<Model>("model");
        QTest::addColumn<int>("everyMs"); // 0: only after a programming run
        QTest::addColumn<QList<Step>>("script");
        QTest::addColumn<bool>("poll"); // identification polls until the swap
        QTest::addColumn<bool>("unplugs");
        // The read-back comes 100 ms after the last write: it restarts the quiet time, or the swap
        // would come at once.
        const QList<Step> velmarRun{{0, "@C4\r"},
                                    {0, "@E9FFE-FFFFFFFF\r"},
                                    {0, "@EA000-41424344\r"},
                                    {0, "@E9FFE-A000A003\r"},
                                    {100, "@E9FFE-??\r"},
                                    {0, "@EA000-??\r"}};
        QTest::newRow("after a run and its read-back")
            << Model::Velmar << 0 << velmarRun << false << true;
        // Polls every few milliseconds would hold the swap off for ever if they counted.
        QTest::newRow("identification polls do not hold it off")
            << Model::Velmar << 0 << velmarRun << true << true;
        QTest::newRow("ZORLA directory in data memory")
            << Model::Zorla << 0
            << QList<Step>{{0, "@E0400-FFFFFFFF\r"}, {100, "@E0410-41424344\r"}} << false << true;
        QTest::newRow("reading alone never")
            << Model::Velmar << 0 << QList<Step>{{0, "@E9FFE-??\r"}, {0, "@EA000-??\r"}} << false
            << false;
        QTest::newRow("every 400 ms, whatever happens")
            << Model::Velmar << 400 << QList<Step>{{0, "@C4\r"}, {100, "@EA000-??\r"}} << true
            << true;
    }

    void swap()
    {
        QFETCH(Model, model);
        QFETCH(int, everyMs);
        QFETCH(QList<Step>, script);
        QFETCH(bool, poll);
        QFETCH(bool, unplugs);
        SimulatedDevice device(model, SimulatedDevice::Application::Truck);
        QElapsedTimer sinceStart;
        sinceStart.start();
        ReplugSimulator replug(device, std::chrono::milliseconds(everyMs));
        replug.setQuietTime(std::chrono::milliseconds(QuietMs));
        replug.setAbsentTime(std::chrono::milliseconds(AbsentMs));
        QSignalSpy unplugged(&replug, &ReplugSimulator::unplugged);
        QSignalSpy pluggedIn(&replug, &ReplugSimulator::pluggedIn);

        QElapsedTimer sinceLast; // the script's last command
        for (const Step &step : script) {
            QThread::msleep(step.pauseMs);
            sinceLast.start();
            QVERIFY2(!device.receive(step.command).isEmpty(), step.command.constData());
        }
        // Half a command, which the swap must not keep (polls would complete it).
        if (!poll)
            QVERIFY(device.receive("@E9FF").isEmpty());
        if (!unplugs) {
            QTest::qWait(4 * QuietMs);
            QCOMPARE(unplugged.size(), 0);
            return;
        }
        QTimer poller;
        connect(&poller, &QTimer::timeout, &device, [&] { device.receive("@C4\r"); });
        connect(&replug, &ReplugSimulator::unplugged, &poller, &QTimer::stop);
        if (poll)
            poller.start(5);
        QVERIFY(unplugged.wait(PatienceMs));
        // Timers count whole milliseconds: 2 ms for rounding.
        const qint64 waited = everyMs > 0 ? sinceStart.elapsed() : sinceLast.elapsed();
        QVERIFY2(waited >= (everyMs > 0 ? everyMs : QuietMs) - 2,
                 qPrintable(QString::number(waited)));
        QElapsedTimer absent;
        absent.start();
        QVERIFY(device.receive("@C4\r").isEmpty()); // unplugged: nothing is taken from the line
        QVERIFY(pluggedIn.wait(PatienceMs));
        QVERIFY2(absent.elapsed() >= AbsentMs - 2, qPrintable(QString::number(absent.elapsed())));
        // "@E9FF" + "E-??\r" would be a read.
        QCOMPARE(device.receive("E-??\r"), QByteArray(1, SimulatedDevice::Nak) + '\r');
        QCOMPARE(device.memory(0x0400, 0x10000 - 0x0400), QByteArray(0x10000 - 0x0400, char(0xFF)));
        for (int slot = 1; slot <= 6; ++slot)
            QCOMPARE(device.directoryEntry(slot), slot <= 4 || model == Model::Velmar
                                                      ? QByteArray(4, char(0xFF))
                                                      : QByteArray());
        QCOMPARE(device.receive("@C4\r"), device.identificationReply());
        QCOMPARE(replug.replugCount(), 1);
    }
};

QTEST_GUILESS_MAIN(TestReplugSimulator)
#include "tst_replugsimulator.moc"
