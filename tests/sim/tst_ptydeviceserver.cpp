#include "simulatedport.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>

using Model = SimulatedDevice::Model;
using Fault = SimulatedDevice::Fault;

// The tool's side of the line: a serial port on the slave path that keeps every read apart.
class Client
{
public:
    explicit Client(const QString &path)
    {
        port.setPortName(path);
        port.setBaudRate(QSerialPort::Baud9600);
        QObject::connect(&port, &QSerialPort::readyRead, [this] { pieces.append(port.readAll()); });
    }
    void send(const QByteArray &command, bool perCharacter)
    {
        if (!perCharacter) {
            port.write(command);
            return;
        }
        for (char c : command) {
            port.write(&c, 1);
            port.flush();
        }
    }
    QByteArray received() const { return pieces.join(); }

    QSerialPort port;
    QList<QByteArray> pieces;
};

class TestPtyDeviceServer : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void splitReply();
    void lineDrop();
};

void TestPtyDeviceServer::roundTrip_data()
{
    QTest::addColumn<Model>("model");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("lineRate");
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("minimumMs");

    QTest::newRow("class 1 identification, one character per write")
        << Model::ZorlaOld << QByteArray("@C4\r") << 0 << 0 << QByteArray("ZORLA 1.020 ID\r") << 0;
    QTest::newRow("class 1 read, nine characters")
        << Model::ZorlaOld << QByteArray("@E0410-??\r") << 0 << 0 << QByteArray("@E0410-FF") << 0;
    // 4 + 16 characters of 10 bits at 1200 bps take 166 ms.
    QTest::newRow("velmar at 1200 bps") << Model::Velmar << QByteArray("@C4\r") << 1200 << 0
                                        << QByteArray("VELMAR 2.105 ID\r") << 165;
    QTest::newRow("late reply") << Model::Zorla << QByteArray("@E0410-??\r") << 0 << 300
                                << QByteArray("@E0410-FFFFFFFF\r") << 300;
}

void TestPtyDeviceServer::roundTrip()
{
    QFETCH(Model, model);
    QFETCH(QByteArray, command);
    QFETCH(int, lineRate);
    QFETCH(int, delayMs);
    QFETCH(QByteArray, reply);
    QFETCH(int, minimumMs);

    SimulatedPort simulated(model);
    QVERIFY2(!simulated.slavePath().isEmpty(), qPrintable(simulated.errorString()));
    simulated.server().setLineRate(lineRate);
    if (delayMs > 0)
        simulated.device().addFault(Fault::lateReply(1, delayMs));
    Client client(simulated.slavePath());
    QVERIFY2(client.port.open(QIODevice::ReadWrite), qPrintable(client.port.errorString()));

    QElapsedTimer clock;
    clock.start();
    client.send(command, simulated.device().deviceClass() == 1);
    QTRY_COMPARE_WITH_TIMEOUT(client.received().size(), reply.size(), 5000);
    QVERIFY(clock.elapsed() >= minimumMs);
    QCOMPARE(client.received(), reply);
    QCOMPARE(simulated.device().commands(), QList<QByteArray>{command});
}

void TestPtyDeviceServer::splitReply()
{
    SimulatedPort simulated(Model::Velmar);
    simulated.device().addFault(Fault::splitReply(1, 4, 40));
    Client client(simulated.slavePath());
    QVERIFY(client.port.open(QIODevice::ReadWrite));

    QElapsedTimer clock;
    clock.start();
    client.send("@E9FFE-??\r", false);
    QTRY_COMPARE_WITH_TIMEOUT(client.received(), QByteArray("@E9FFE-FFFFFFFF\r"), 5000);
    // Four chunks, 40 ms apart.
    QVERIFY(clock.elapsed() >= 120);
    QVERIFY(client.pieces.size() > 1);
}

void TestPtyDeviceServer::lineDrop()
{
    SimulatedPort simulated(Model::Zorla);
    simulated.device().addFault(Fault::lineDrop(2));
    QSignalSpy dropped(&simulated.server(), &PtyDeviceServer::lineDropped);
    Client client(simulated.slavePath());
    QSignalSpy errors(&client.port, &QSerialPort::errorOccurred);
    QVERIFY(client.port.open(QIODevice::ReadWrite));

    client.send("@C4\r", false);
    QTRY_COMPARE_WITH_TIMEOUT(client.received(), simulated.device().identificationReply(), 5000);
    client.send("@C4\r", false);
    QTRY_COMPARE_WITH_TIMEOUT(dropped.size(), 1, 5000);
    QVERIFY(!simulated.server().isRunning());
    QTRY_VERIFY_WITH_TIMEOUT(client.port.error() == QSerialPort::ResourceError, 5000);
}

QTEST_GUILESS_MAIN(TestPtyDeviceServer)
#include "tst_ptydeviceserver.moc"
