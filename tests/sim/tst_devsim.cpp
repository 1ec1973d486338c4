#include <QtTest>
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

// zvticket-devsim as started from a shell: in the background with no input, reached by
// zvticket-cli on the port it prints, stopped by a signal.
class TestDevsim : public QObject
{
    Q_OBJECT
private slots:
    void servesUntilStopped_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("portPrefix");
        QTest::addColumn<int>("stopSignal");
        const QStringList tcp{QStringLiteral("--tcp"), QStringLiteral("0")};
        QTest::newRow("pseudo-terminal, SIGINT") << QStringList() << "/dev/" << SIGINT;
        QTest::newRow("TCP, SIGTERM") << tcp << "socket://127.0.0.1:" << SIGTERM;
    }
    void servesUntilStopped()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, portPrefix);
        QFETCH(int, stopSignal);
        const QString build = QCoreApplication::applicationDirPath() + QStringLiteral("/../src/");
        QProcess devsim;
        devsim.start(build + QStringLiteral("sim/zvticket-devsim"),
                     QStringList{QStringLiteral("--model"), QStringLiteral("zorla")} + options);
        QVERIFY(devsim.waitForStarted(5000));
        devsim.closeWriteChannel(); // as "</dev/null"
        if (!devsim.canReadLine())
            waitFor(&devsim, &QProcess::readyReadStandardOutput, 5000);
        const QString port = QString::fromLocal8Bit(devsim.readLine()).trimmed();
        QVERIFY2(port.startsWith(portPrefix), qPrintable(port));

        // Still serving after its input has ended.
        QProcess cli;
        cli.start(build + QStringLiteral("cli/zvticket-cli"),
                  {QStringLiteral("identify"), QStringLiteral("--port"), port});
        QVERIFY(cli.waitForFinished(30000));
        QVERIFY2(cli.exitCode() == 0, cli.readAllStandardError().constData());
        QVERIFY(cli.readAllStandardOutput().contains("version: 1.024"));
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
