#include "simulatedport.h"

#include <QSerialPort>
#include <QtTest>

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
    void send(const QByteArray &command)
    {
        port.write(command);
        port.flush();
    }
    QByteArray received() const { return pieces.join(); }

    QSerialPort port;
    QList<QByteArray> pieces;
};

class TestPtyDeviceServer : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip_data()
    {
        QTest::addColumn<Model>("model");
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<int>("lineRate"); // 0: no line emulation
        QTest::addColumn<std::optional<Fault>>("fault");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("minimumMs");
        QTest::addColumn<int>("minimumPieces");
        auto row = [](const char *name, Model model, const char *command, const char *reply,
                      int lineRate = 0, std::optional<Fault> fault = {}, int minimumMs = 0,
                      int minimumPieces = 1) {
            QTest::newRow(name) << model << QByteArray(command) << lineRate << fault
                                << QByteArray(reply) << minimumMs << minimumPieces;
        };
        // 4 + 16 characters of 10 bits at 1200 bps take 166 ms.
        row("velmar at 1200 bps", Model::Velmar, "@C4\r", "VELMAR 2.105 ID\r", 1200, {}, 165);
        row("late reply", Model::Zorla, "@E0410-??\r", "@E0410-FFFFFFFF\r", 0,
            Fault::lateReply(1, 300), 300);
        // Four chunks, 40 ms apart.
        row("split reply", Model::Velmar, "@E9FFE-??\r", "@E9FFE-FFFFFFFF\r", 0,
            Fault::splitReply(1, 4, 40), 120, 2);
    }
    void roundTrip()
    {
        QFETCH(Model, model);
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, reply);
        QFETCH(std::optional<Fault>, fault);
        SimulatedPort simulated(model);
        QVERIFY2(!simulated.slavePath().isEmpty(), qPrintable(simulated.errorString()));
        QFETCH(int, lineRate);
        simulated.server().setLineRate(lineRate);
        if (fault)
            simulated.device().addFault(*fault);
        Client client(simulated.slavePath());
        QVERIFY2(client.port.open(QIODevice::ReadWrite), qPrintable(client.port.errorString()));

        QElapsedTimer clock;
        clock.start();
        client.send(command);
        QTRY_COMPARE_WITH_TIMEOUT(client.received().size(), reply.size(), 5000);
        QFETCH(int, minimumMs);
        QVERIFY(clock.elapsed() >= minimumMs);
        QCOMPARE(client.received(), reply);
        QFETCH(int, minimumPieces);
        QVERIFY(client.pieces.size() >= minimumPieces);
        QCOMPARE(simulated.device().commands(), QList<QByteArray>{command});
    }

    void lineDrop()
    {
        SimulatedPort simulated(Model::Zorla);
        simulated.device().addFault(Fault::lineDrop(2));
        QSignalSpy dropped(&simulated.server(), &PtyDeviceServer::lineDropped);
        Client client(simulated.slavePath());
        QVERIFY(client.port.open(QIODevice::ReadWrite));

        client.send("@C4\r");
        QTRY_COMPARE_WITH_TIMEOUT(client.received(), simulated.device().identificationReply(),
                                  5000);
        client.send("@C4\r");
        QTRY_COMPARE_WITH_TIMEOUT(dropped.size(), 1, 5000);
        QVERIFY(!simulated.server().isRunning());
        QTRY_VERIFY_WITH_TIMEOUT(client.port.error() == QSerialPort::ResourceError, 5000);
    }
};

QTEST_GUILESS_MAIN(TestPtyDeviceServer)
#include "tst_ptydeviceserver.moc"
