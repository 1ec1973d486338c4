#include <QProcess>
#include <QSerialPort>
#include <QTest>
#include <QTimer>
#include <csignal>

namespace
{

// Runs the nested event loop until `object` emits `signal` or `milliseconds` pass.
template <typename Object, typename Signal>
void waitFor(Object *object, Signal signal, int milliseconds)
{
    QEventLoop loop;
    QObject::connect(object, signal, &loop, &QEventLoop::quit);
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

// zvticket-devsim as started from a shell: in the background with no input, stopped by a signal.
class TestDevsim : public QObject
{
    Q_OBJECT
private slots:
    void servesUntilStopped_data()
    {
        QTest::addColumn<int>("stopSignal");
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGTERM") << SIGTERM;
    }
    void servesUntilStopped()
    {
        QFETCH(int, stopSignal);
        QProcess devsim;
        devsim.start(QCoreApplication::applicationDirPath() +
                         QStringLiteral("/../src/sim/zvticket-devsim"),
                     {QStringLiteral("--model"), QStringLiteral("zorla")});
        QVERIFY(devsim.waitForStarted(5000));
        devsim.closeWriteChannel(); // as "</dev/null"
        if (!devsim.canReadLine())
            waitFor(&devsim, &QProcess::readyReadStandardOutput, 5000);
        const QString path = QString::fromLocal8Bit(devsim.readLine()).trimmed();
        QVERIFY2(path.startsWith(QStringLiteral("/dev/")), qPrintable(path));

        // Still serving after its input has ended.
        QSerialPort port;
        port.setPortName(path);
        QVERIFY(port.open(QIODevice::ReadWrite));
        port.write("@C4\r");
        waitFor(&port, &QSerialPort::readyRead, 5000);
        QVERIFY(!port.readAll().isEmpty());
        QCOMPARE(devsim.state(), QProcess::Running);

        ::kill(pid_t(devsim.processId()), stopSignal);
        waitFor(&devsim, &QProcess::finished, 5000);
        QCOMPARE(devsim.state(), QProcess::NotRunning);
        QCOMPARE(devsim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(devsim.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDevsim)
#include "tst_devsim.moc"
